#!/usr/bin/env bash
# Builds Quillstack with its tests and benchmarks, warnings as errors, and runs every test; then
# builds the logic tests a second time with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs them (the desktop tests are not run under the sanitizers).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
jobs=$(nproc)

build="$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLSTACK_WERROR=ON
cmake --build "$build" --parallel "$jobs"
(cd "$build" && ctest --output-on-failure --timeout 300 --parallel "$jobs")

sanitize="$root/build-sanitize"
# Line tables (-g1) are all the sanitizers' reports need, and they build faster than full debug
# information.
cmake -S "$root" -B "$sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
    -DQUILLSTACK_WERROR=ON -DQUILLSTACK_SANITIZE=ON -DQUILLSTACK_BUILD_BENCHMARKS=OFF
cmake --build "$sanitize" --parallel "$jobs" --target logic_tests
cd "$sanitize"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure --timeout 300 --parallel "$jobs" -L logic

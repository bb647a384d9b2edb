#!/usr/bin/env bash
# Builds Quillstack with its tests and benchmarks, then runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

build="$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLSTACK_WERROR=ON
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
ctest --output-on-failure --timeout 300 --parallel "$(nproc)"

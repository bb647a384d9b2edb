#!/usr/bin/env bash
# Builds the Debian package quillstack_<version>_amd64.deb and leaves it in the current folder.
# The build (the program only, no tests) goes to build-package/ beside the sources.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

build="$root/build-package"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLSTACK_BUILD_TESTS=OFF -DQUILLSTACK_BUILD_BENCHMARKS=OFF
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build"/quillstack_*.deb
(cd "$build" && cpack -G DEB)
deb=$(find "$build" -maxdepth 1 -name 'quillstack_*.deb' -print -quit)
cp "$deb" .
echo "Built ./$(basename "$deb")"

#!/usr/bin/env bash
# Regenerates docs/screenshot-*.png: the real history panel on a private X display with a
# window manager and a compositing manager, over a colourful backdrop.
#   docs/screenshots.sh [build-dir]     (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target quillstack_screenshots -j2
for scene in empty history history-scrolled html no-matches settings; do
    "$root/tests/support/with-xvfb.sh" --wm --compositor -- \
        "$build/bench/quillstack_screenshots" "$scene" "$root/docs/screenshot-$scene.png"
    echo "docs/screenshot-$scene.png"
done

#!/usr/bin/env bash
# Builds Quillstack and starts it in the user's X session. Without a display (DISPLAY unset) it
# starts a private virtual display with a window manager and runs Quillstack there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

build="$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "$(nproc)" --target quillstack
app="$build/src/app/quillstack"

if [[ -n "${DISPLAY:-}" ]]; then
    exec "$app" "$@"
fi

echo "No display found (DISPLAY is unset): starting a private virtual display with a window manager."
exec "$root/tests/support/with-xvfb.sh" --wm --compositor --tray -- bash -c \
    'echo "Quillstack runs on display $DISPLAY (stop it with Ctrl+C)."; exec "$0" "$@"' "$app" "$@"

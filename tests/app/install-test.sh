#!/usr/bin/env bash
# install-test.sh BUILD_DIR CMAKE: `cmake --install` into a temporary prefix that needs quoting
# (the package test checks the files of an install into /usr); the icons have their sizes, the
# desktop entries are valid and start the installed program, also at login. Needs X.
set -euo pipefail
build=$1 cmake=$2 tmp=$(mktemp -d) app_pid=
trap '[[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "install-test: $*" >&2; exit 1; }

prefix="$tmp/odd prefix "'$"%'
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
# One desktop entry; its name, less .desktop, is the application's id, which names the icons too.
entries=("$prefix"/share/applications/*.desktop)
((${#entries[@]} == 1)) || fail "expected one desktop entry, found: ${entries[*]}"
desktop=${entries[0]} id=$(basename "${entries[0]}" .desktop)
for size in 16 22 24 32 48 64 128 256 512; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [[ "$(identify -format '%wx%h' "$icon")" == "${size}x${size}" ]] || fail "no ${size}x${size} $icon"
done
# Characters that desktop entries reserve: the Exec lines quote the path, escape $ and " with a
# backslash (written doubled in the entry's string value) and double the %.
exec='Exec="'"$tmp"'/odd prefix \\$\\"%%/bin/quillstack"'
for line in "$exec" "$exec --toggle"; do
    grep -qxF "$line" "$desktop" || fail "no line $line in $desktop"
done

# Launch at login, on in settings.json, points the autostart entry at the installed program.
export XDG_DATA_HOME="$tmp/data" XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -p "$XDG_DATA_HOME/Quillstack" "$XDG_CONFIG_HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
echo '{"hotkeyConfig":{"key":"v","modifiers":"commandShift"},"launchAtLogin":true}' \
    >"$XDG_DATA_HOME/Quillstack/settings.json" && mkfifo "$tmp/ready"
QUILLSTACK_READY_FD=3 "$prefix/bin/quillstack" 3>"$tmp/ready" &
app_pid=$!
read -r -t 20 line <"$tmp/ready" && [[ "$line" == ready ]] || fail "the installed program did not start"
autostart="$XDG_CONFIG_HOME/autostart/quillstack.desktop"
grep -qxF "$exec" "$autostart" && grep -qx "Icon=$id" "$autostart" || fail "autostart: $(cat "$autostart")"
for entry in "$desktop" "$autostart"; do
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
done
"$prefix/bin/quillstack" --quit && wait "$app_pid" || fail "--quit did not end the program cleanly"
app_pid= && echo "install-test: ok"

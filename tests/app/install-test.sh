#!/usr/bin/env bash
# install-test.sh BUILD_DIR CMAKE: `cmake --install` into temporary prefixes (one that needs
# quoting); the files land in their standard places, the desktop entries are valid and start the
# installed program, also at login. Needs X.
set -euo pipefail
build=$1 cmake=$2 tmp=$(mktemp -d) app_pid=
trap '[[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "install-test: $*" >&2; exit 1; }

prefix="$tmp/prefix" odd="$tmp/odd prefix "'$"%'
for p in "$prefix" "$odd"; do "$cmake" --install "$build" --prefix "$p" >/dev/null; done
[[ -x "$prefix/bin/quillstack" ]] || fail "no executable in bin"
# One desktop entry; its name, less .desktop, is the application's id, which names the icons too.
shopt -s nullglob
entries=("$prefix"/share/applications/*.desktop)
((${#entries[@]} == 1)) || fail "expected one desktop entry, found: ${entries[*]}"
desktop=${entries[0]} id=$(basename "${entries[0]}" .desktop)
[[ "$id" == *.*.* ]] || fail "the desktop entry's name $id is not a reverse-DNS id"
for line in "Exec=$prefix/bin/quillstack" "Exec=$prefix/bin/quillstack --toggle" "Icon=$id"; do
    grep -qxF "$line" "$desktop" || fail "the desktop entry has no line $line"
done
for file in metainfo/$id.metainfo.xml man/man1/quillstack.1.gz icons/hicolor/scalable/apps/$id.svg; do
    [[ -f "$prefix/share/$file" ]] || fail "no $file"
done
for size in 16 22 24 32 48 64 128 256 512; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [[ "$(identify -format '%wx%h' "$icon")" == "${size}x${size}" ]] || fail "no ${size}x${size} $icon"
done
# Characters that desktop entries reserve: the Exec lines quote the path, escape $ and " with a
# backslash (written doubled in the entry's string value) and double the %.
expected='Exec="'"$tmp"'/odd prefix \\$\\"%%/bin/quillstack" --toggle'
grep -qxF "$expected" "$odd/share/applications/$id.desktop" || fail "no line $expected in '$odd'"

# Launch at login, on in settings.json, points the autostart entry at the installed program.
export XDG_DATA_HOME="$tmp/data" XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -p "$XDG_DATA_HOME/Quillstack" "$XDG_CONFIG_HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
echo '{"hotkeyConfig":{"key":"v","modifiers":"commandShift"},"launchAtLogin":true}' \
    >"$XDG_DATA_HOME/Quillstack/settings.json" && mkfifo "$tmp/ready"
QUILLSTACK_READY_FD=3 "$prefix/bin/quillstack" 3>"$tmp/ready" &
app_pid=$!
read -r -t 20 line <"$tmp/ready" && [[ "$line" == ready ]] || fail "the installed program did not start"
autostart="$XDG_CONFIG_HOME/autostart/quillstack.desktop"
[[ "$(grep '^Exec=' "$autostart")" == "Exec=$prefix/bin/quillstack" ]] || fail "autostart: $(cat "$autostart")"
grep -qx "Icon=$id" "$autostart" || fail "the autostart entry names another icon than $id"
for entry in "$desktop" "$odd/share/applications/$id.desktop" "$autostart"; do
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
done
"$prefix/bin/quillstack" --quit && wait "$app_pid" || fail "--quit did not end the program cleanly"
app_pid= && echo "install-test: ok"

#!/usr/bin/env bash
# Runs a command under a private headless Wayland compositor:
#   with-wayland.sh [--xwayland] -- cmd...
# Starts sway (which refuses to run as real root, so in a user namespace of its own; clients stay
# as they are and connect through the socket in a private runtime folder), runs the command with
# WAYLAND_DISPLAY, XDG_RUNTIME_DIR and SWAYSOCK set (and DISPLAY for XWayland when asked), then
# stops everything it started. The command's exit status is returned.
set -uo pipefail

xwayland=0
while (($#)); do
    case "$1" in
    --xwayland) xwayland=1 ;;
    --) shift; break ;;
    *) break ;;
    esac
    shift
done

tmp=$(mktemp -d)
chmod 700 "$tmp"
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

wait_for() { # wait_for <command...>: up to 10 s
    for _ in $(seq 200); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    return 1
}

{
    echo "output HEADLESS-1 resolution 1280x800"
    if ((xwayland)); then echo "xwayland force"; else echo "xwayland disable"; fi
    # New windows take the keyboard focus, as on a desktop.
    echo "focus_on_window_activation focus"
} >"$tmp/sway.conf"

export XDG_RUNTIME_DIR="$tmp"
unset WAYLAND_DISPLAY DISPLAY SWAYSOCK
as_user=()
if [[ $(id -u) -eq 0 ]]; then
    as_user=(unshare --user --map-user=1000 --map-group=1000)
fi
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    "${as_user[@]}" sway -c "$tmp/sway.conf" >"$tmp/sway.log" 2>&1 &
pids+=($!)

socket_up() { compgen -G "$tmp/wayland-*" | grep -v lock; }
if ! wait_for socket_up; then
    echo "with-wayland: sway did not start" >&2
    cat "$tmp/sway.log" >&2
    exit 1
fi
WAYLAND_DISPLAY=$(basename "$(socket_up | head -n1)")
export WAYLAND_DISPLAY
SWAYSOCK=$(compgen -G "$tmp/sway-ipc.*.sock" | head -n1)
export SWAYSOCK
if ! wait_for swaymsg -t get_version; then
    echo "with-wayland: sway does not answer" >&2
    exit 1
fi

if ((xwayland)); then
    swaymsg exec "echo \$DISPLAY > $tmp/display" >/dev/null
    if ! wait_for test -s "$tmp/display"; then
        echo "with-wayland: XWayland did not start" >&2
        exit 1
    fi
    DISPLAY=$(cat "$tmp/display")
    export DISPLAY
    wait_for xprop -root _NET_SUPPORTING_WM_CHECK ||
        { echo "with-wayland: XWayland does not answer on $DISPLAY" >&2; exit 1; }
fi

"$@"

#!/usr/bin/env bash
# Runs a command on a private X display: with-xvfb.sh [--wm] [--compositor] [--tray] -- cmd...
# Starts Xvfb (and, when asked, openbox, xcompmgr and trayer), runs the command with DISPLAY
# set, then stops everything it started. The command's exit status is returned.
set -uo pipefail

wm=0 compositor=0 tray=0
while (($#)); do
    case "$1" in
    --wm) wm=1 ;;
    --compositor) compositor=1 ;;
    --tray) tray=1 ;;
    --) shift; break ;;
    *) break ;;
    esac
    shift
done

tmp=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
    [[ -s "$tmp/display" ]] && break
    sleep 0.05
done
if [[ ! -s "$tmp/display" ]]; then
    echo "with-xvfb: Xvfb did not start" >&2
    cat "$tmp/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$tmp/display")"

wait_for() { # wait_for <command...>: up to 5 s
    for _ in $(seq 100); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    return 1
}

if ((wm)); then
    openbox --sm-disable >"$tmp/wm.log" 2>&1 &
    pids+=($!)
    wait_for sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
        { echo "with-xvfb: openbox did not start" >&2; exit 1; }
fi
if ((compositor)); then
    xcompmgr >"$tmp/cm.log" 2>&1 &
    pids+=($!)
    wait_for sh -c "xprop -root >/dev/null && xdpyinfo -ext Composite | grep -q Composite"
fi
if ((tray)); then
    trayer --edge top --align right --widthtype request --height 24 >"$tmp/tray.log" 2>&1 &
    pids+=($!)
    wait_for sh -c "xprop -root _NET_SUPPORTED >/dev/null; xdotool search --class trayer"
fi

"$@"

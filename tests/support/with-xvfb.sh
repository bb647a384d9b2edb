#!/usr/bin/env bash
# Runs a command on a private X display: with-xvfb.sh [--wm] [--compositor] [--tray] -- cmd...
# Starts Xvfb (and, when asked, openbox, xcompmgr and trayer), runs the command with DISPLAY
# set, then stops everything it started. The command's exit status is returned.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/desktop-session.sh"

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

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
wait_for test -s "$tmp/display" || die "Xvfb did not start" "$tmp/xvfb.log"
export DISPLAY=":$(head -n1 "$tmp/display")"

if ((wm)); then
    openbox --sm-disable >"$tmp/wm.log" 2>&1 &
    pids+=($!)
    wait_for sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
        die "openbox did not start" "$tmp/wm.log"
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

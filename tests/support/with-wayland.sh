#!/usr/bin/env bash
# Runs a command under a private headless Wayland compositor:
#   with-wayland.sh [--xwayland] [--kwin [--portal] [--trust PROGRAM]...] -- cmd...
# Starts sway (in a user namespace of its own when run as root, which sway refuses), or KWin on a
# private session bus with --kwin: desktop entries then grant fake input and window management to
# the command's program and each --trust PROGRAM, and --portal waits for KDE's shortcut portal.
# The command runs with WAYLAND_DISPLAY and XDG_RUNTIME_DIR set (and SWAYSOCK, DISPLAY and
# DBUS_SESSION_BUS_ADDRESS where they apply); its exit status is returned.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/desktop-session.sh"

xwayland=0 kwin=0 portal=0
trusted=()
while (($#)); do
    case "$1" in
    --xwayland) xwayland=1 ;;
    --kwin) kwin=1 ;;
    --portal) portal=1 ;;
    --trust) shift; trusted+=("$1") ;;
    --) shift; break ;;
    *) break ;;
    esac
    shift
done

start_sway() {
    {
        echo "output HEADLESS-1 resolution 1280x800"
        if ((xwayland)); then echo "xwayland force"; else echo "xwayland disable"; fi
        # New windows take the keyboard focus, as on a desktop.
        echo "focus_on_window_activation focus"
    } >"$tmp/sway.conf"
    local as_user=()
    if [[ $(id -u) -eq 0 ]]; then
        as_user=(unshare --user --map-user=1000 --map-group=1000)
    fi
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        "${as_user[@]}" sway -c "$tmp/sway.conf" >"$tmp/sway.log" 2>&1 &
    pids+=($!)
    wait_for socket_up || die "sway did not start" "$tmp/sway.log"
    SWAYSOCK=$(compgen -G "$tmp/sway-ipc.*.sock" | head -n1)
    export SWAYSOCK
    wait_for swaymsg -t get_version || die "sway does not answer"
    if ((xwayland)); then
        swaymsg exec "echo \$DISPLAY > $tmp/display" >/dev/null
        wait_for test -s "$tmp/display" || die "XWayland did not start"
        DISPLAY=$(cat "$tmp/display")
        export DISPLAY
        wait_for xprop -root _NET_SUPPORTING_WM_CHECK || die "XWayland does not answer on $DISPLAY"
    fi
}

# KWin grants fake input and window management only to programs whose desktop entry asks for
# them, found through the service cache built here. The installed kwin_wayland carries a file
# capability that a container's bounding set may lack; a plain copy (same name) runs anyway.
start_kwin() {
    mkdir -p "$tmp/bin" "$tmp/data/applications" "$tmp/cache" "$tmp/config"
    export XDG_DATA_HOME="$tmp/data" XDG_CACHE_HOME="$tmp/cache" XDG_CONFIG_HOME="$tmp/config"
    local n=0 program
    for program in "$1" "${trusted[@]}"; do
        cat >"$tmp/data/applications/quillstack-test-$n.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=Quillstack test program $n
Exec=$program
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input,org_kde_plasma_window_management
ENTRY
        n=$((n + 1))
    done
    kbuildsycoca5 --noincremental >"$tmp/sycoca.log" 2>&1
    dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$tmp/bus" 4>"$tmp/bus.pid" \
        >"$tmp/bus.log" 2>&1
    DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus")
    export DBUS_SESSION_BUS_ADDRESS
    pids+=("$(cat "$tmp/bus.pid")")
    # Whatever the bus starts on demand (KWin asks for the portal too) belongs to this desktop;
    # KDE's portal backend needs no window of its own.
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.UpdateActivationEnvironment \
        "{'XDG_CURRENT_DESKTOP': 'KDE', 'QT_QPA_PLATFORM': 'offscreen', 'WAYLAND_DISPLAY': 'wayland-1',
          'XDG_RUNTIME_DIR': '$tmp', 'XDG_DATA_HOME': '$XDG_DATA_HOME',
          'XDG_CACHE_HOME': '$XDG_CACHE_HOME', 'XDG_CONFIG_HOME': '$XDG_CONFIG_HOME'}" >/dev/null
    cp /usr/bin/kwin_wayland "$tmp/bin/kwin_wayland"
    local options=(--virtual --no-lockscreen --socket wayland-1)
    if ((xwayland)); then
        # KWin runs the given program once XWayland is up, with DISPLAY set.
        printf '#!/bin/sh\necho "$DISPLAY" > %s/display\n' "$tmp" >"$tmp/bin/report-display"
        chmod +x "$tmp/bin/report-display"
        options+=(--xwayland "$tmp/bin/report-display")
    fi
    KWIN_COMPOSE=Q QT_QPA_PLATFORM= "$tmp/bin/kwin_wayland" "${options[@]}" >"$tmp/kwin.log" 2>&1 &
    pids+=($!)
    wait_for socket_up || die "KWin did not start" "$tmp/kwin.log"
    if ((xwayland)); then
        wait_for test -s "$tmp/display" || die "KWin's XWayland did not start" "$tmp/kwin.log"
        DISPLAY=$(cat "$tmp/display")
        export DISPLAY
    fi
}

export XDG_RUNTIME_DIR="$tmp"
unset WAYLAND_DISPLAY DISPLAY SWAYSOCK
socket_up() { compgen -G "$tmp/wayland-*" | grep -v lock; }
if ((kwin)); then start_kwin "$1"; else start_sway; fi
WAYLAND_DISPLAY=$(basename "$(socket_up | head -n1)")
export WAYLAND_DISPLAY
wait_for wayland-info || die "the compositor does not answer"

# The desktop portal and its KDE backend start on demand through the bus, with the environment
# given to the bus at start; the shortcut portal needs KWin's global shortcut service.
has_owner() {
    [[ $(gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner "$1") == *true* ]]
}
portal_ready() {
    gdbus call --session --dest org.freedesktop.portal.Desktop \
        --object-path /org/freedesktop/portal/desktop \
        --method org.freedesktop.DBus.Properties.Get org.freedesktop.portal.GlobalShortcuts version
}
if ((kwin && portal)); then
    wait_for has_owner org.kde.kglobalaccel || die "kglobalaccel did not start" "$tmp/bus.log"
    WAIT_STEPS=400 wait_for portal_ready || die "the shortcut portal did not start" "$tmp/bus.log"
fi

"$@"
status=$?
# A failing command leaves the desktop services' last words behind for the test log.
if ((status != 0 && portal)); then
    echo "with-wayland: last lines of the services the bus started:" >&2
    grep -v '^$' "$tmp/bus.log" | tail -n 12 >&2
fi
exit $status

#!/usr/bin/env bash
# Runs a command under a private headless Wayland compositor:
#   with-wayland.sh [--xwayland] [--kwin [--portal] [--trust PROGRAM]...] -- cmd...
# By default starts sway (which refuses to run as real root, so in a user namespace of its own;
# clients stay as they are and connect through the socket in a private runtime folder), and runs
# the command with WAYLAND_DISPLAY, XDG_RUNTIME_DIR and SWAYSOCK set (and DISPLAY for XWayland
# when asked). With --kwin starts KWin instead, on a private session bus
# (DBUS_SESSION_BUS_ADDRESS set), after installing a desktop entry that grants fake input and
# window management to the command's program and to each --trust PROGRAM (absolute paths); with
# --portal it waits until the desktop portal offers GlobalShortcuts (KDE's backend).
# Everything started is stopped at the end; the command's exit status is returned.
set -uo pipefail

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

tmp=$(mktemp -d)
chmod 700 "$tmp"
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

wait_for() { # wait_for <command...>: up to 10 s (WAIT_STEPS of 0.05 s)
    for _ in $(seq "${WAIT_STEPS:-200}"); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    return 1
}

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
    if ! wait_for socket_up; then
        echo "with-wayland: sway did not start" >&2
        cat "$tmp/sway.log" >&2
        exit 1
    fi
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
    if ! wait_for socket_up; then
        echo "with-wayland: KWin did not start" >&2
        cat "$tmp/kwin.log" >&2
        exit 1
    fi
    if ((xwayland)); then
        wait_for test -s "$tmp/display" ||
            { echo "with-wayland: KWin's XWayland did not start" >&2; exit 1; }
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
wait_for env WAYLAND_DISPLAY="$WAYLAND_DISPLAY" wayland-info ||
    { echo "with-wayland: the compositor does not answer" >&2; exit 1; }

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
    wait_for has_owner org.kde.kglobalaccel ||
        { echo "with-wayland: KWin's global shortcuts did not start" >&2; exit 1; }
    WAIT_STEPS=400 wait_for portal_ready ||
        { echo "with-wayland: the GlobalShortcuts portal did not start" >&2; tail -n 20 "$tmp/bus.log" >&2; exit 1; }
fi

"$@"
status=$?
# A failing command leaves the desktop services' last words behind for the test log.
if ((status != 0 && portal)); then
    echo "with-wayland: last lines of the services the bus started:" >&2
    grep -v '^$' "$tmp/bus.log" | tail -n 12 >&2
fi
exit $status

# Sourced by with-xvfb.sh and with-wayland.sh. Makes a private folder $tmp; on exit stops the
# processes listed in $pids, last started first, and removes $tmp.
tmp=$(mktemp -d)
chmod 700 "$tmp"
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

die() { # die MESSAGE [LOG]: reports the failure, with the log's last lines, and exits
    echo "$(basename "$0"): $1" >&2
    [[ -z ${2:-} ]] || tail -n 20 "$2" >&2
    exit 1
}

wait_for() { # wait_for COMMAND...: until it succeeds, up to WAIT_STEPS (200) times 0.05 s
    for _ in $(seq "${WAIT_STEPS:-200}"); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    return 1
}

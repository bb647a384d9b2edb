#!/usr/bin/env bash
# Start-up time, memory, idle cost and copy latency of the real `quillstack` program.
#
#   bench/app-footprint.sh [BUILD_DIR]        (default: build; builds target quillstack first)
#
# Runs on a private Xvfb with openbox and a tray (tests/support/with-xvfb.sh), with temporary XDG
# folders, once with an empty history and once with a full one: 180 texts and 20 PNG images of
# about 1 MB each, copied in through the clipboard with xclip as a user would (about 90 s).
#
# "Ready": the program has read settings.json and history.json, watches the clipboard, holds the
# global shortcut and has put its item in the tray, and the event loop has handled what start-up
# queued. With QUILLSTACK_READY_FD=n the program then writes "ready" to file descriptor n. Start
# to ready is measured from just before exec to the reading of that line.
#
# Reported per history: start to ready (median and minimum of RUNS starts, after one unmeasured
# warm-up start), RSS and PSS 5 s after ready and again after the panel has been opened and
# closed once (/proc/PID/smaps_rollup), CPU time and context switches (voluntary + involuntary,
# all threads) over IDLE_SECONDS idle seconds, and the latency from an xclip copy to its entry in
# history.json (median of LATENCY_COPIES copies).
# Environment: RUNS (default 10), IDLE_SECONDS (default 60), LATENCY_COPIES (default 10).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [[ "${1:-}" != --inside ]]; then
    build=$(cd "${1:-$root/build}" 2>/dev/null && pwd || true)
    if [[ -z "$build" ]]; then
        build="$root/build"
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    cmake --build "$build" --target quillstack >/dev/null
    exec "$root/tests/support/with-xvfb.sh" --wm --tray -- "$0" --inside "$build"
fi
build=$2
app="$build/src/app/quillstack"
runs=${RUNS:-10}
idle=${IDLE_SECONDS:-60}
copies=${LATENCY_COPIES:-10}

work=$(mktemp -d)
app_pid=
cleanup() {
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkfifo "$work/ready"
history="$XDG_DATA_HOME/Quillstack/history.json"

now_ms() { echo "${EPOCHREALTIME/./}" | sed 's/...$//'; } # milliseconds since the epoch
now_us() { echo "${EPOCHREALTIME/./}"; }
median() { sort -n | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }

# start: runs the program; sets app_pid and ready_ms (start to ready in ms).
ready_ms=
start() {
    local t0 t1 line
    t0=$(now_us)
    QUILLSTACK_READY_FD=3 "$app" 3>"$work/ready" 2>>"$work/stderr" &
    app_pid=$!
    read -r -t 30 line <"$work/ready"
    t1=$(now_us)
    [[ "$line" == ready ]] || { echo "quillstack did not get ready" >&2; cat "$work/stderr" >&2; exit 1; }
    ready_ms=$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.1f", (b - a) / 1000}')
}
stop() {
    kill -TERM "$app_pid"
    wait "$app_pid" || { echo "quillstack did not end cleanly" >&2; exit 1; }
    app_pid=
}
memory() { # memory LABEL
    awk -v label="$1" '/^Rss:/ {rss=$2} /^Pss:/ {pss=$2}
        END {printf "  %-34s RSS %6.1f MB   PSS %6.1f MB\n", label, rss/1024, pss/1024}' \
        "/proc/$app_pid/smaps_rollup"
}
switches() {
    cat /proc/"$app_pid"/task/*/status 2>/dev/null |
        awk '/^(voluntary|nonvoluntary)_ctxt_switches:/ {n += $2} END {print n}'
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$app_pid/stat"; }
entries() { [[ -f "$history" ]] && grep -o '"kind"' "$history" | wc -l || echo 0; }
copy_text() { printf '%s' "$1" | xclip -selection clipboard; }
wait_for_text() { # wait_for_text TEXT: until history.json holds it (at most 10 s)
    for _ in $(seq 2000); do
        grep -qF -- "$1" "$history" 2>/dev/null && return 0
        sleep 0.005
    done
    return 1
}

measure() { # measure LABEL
    local label=$1 times=()
    echo "== $label history ($(entries) entries, history.json $(du -k "$history" 2>/dev/null | cut -f1 || echo 0) KB)"
    start
    stop
    for _ in $(seq "$runs"); do
        start
        times+=("$ready_ms")
        stop
    done
    printf '  start to ready                     median %s ms   min %s ms   (%d starts)\n' \
        "$(printf '%s\n' "${times[@]}" | median)" \
        "$(printf '%s\n' "${times[@]}" | sort -n | head -1)" "$runs"

    start
    sleep 5
    memory "idle after start"
    local ticks0 sw0 ticks1 sw1
    ticks0=$(cpu_ticks)
    sw0=$(switches)
    sleep "$idle"
    ticks1=$(cpu_ticks)
    sw1=$(switches)
    printf '  idle %3d s                           CPU %d ms   context switches %d\n' "$idle" \
        $(((ticks1 - ticks0) * 1000 / $(getconf CLK_TCK))) $((sw1 - sw0))

    xdotool mousemove 800 500 key super+shift+v
    sleep 1
    xdotool key Escape
    sleep 3
    memory "idle after the panel opened once"

    local latencies=() c0 c1
    for i in $(seq "$copies"); do
        local text="latency probe $label $i $RANDOM"
        c0=$(now_us)
        copy_text "$text"
        wait_for_text "$text" || { echo "copy not recorded" >&2; exit 1; }
        c1=$(now_us)
        latencies+=("$(awk -v a="$c0" -v b="$c1" 'BEGIN {printf "%.1f", (b - a) / 1000}')")
        sleep 0.5
    done
    printf '  copy to history.json               median %s ms   (%d copies)\n' \
        "$(printf '%s\n' "${latencies[@]}" | median)" "$copies"
    stop
}

measure empty
rm -f "$history"

# Fill: 180 texts, then 20 noise images (PNG of about 1 MB: noise does not compress).
echo "(filling the history through the clipboard...)" >&2
start
for i in $(seq 180); do
    copy_text "Sample text number $i: the quick brown fox jumps over the lazy dog $RANDOM."
    sleep 0.4
done
for i in $(seq 20); do
    convert -size 580x580 xc: +noise Random -seed "$i" "PNG24:$work/image$i.png"
    xclip -selection clipboard -t image/png -i "$work/image$i.png"
    sleep 0.8
done
sleep 1
stop
measure full

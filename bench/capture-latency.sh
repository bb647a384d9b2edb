#!/usr/bin/env bash
# Panel-open latency of the real `quillstack` while the clipboard is hard to read, and the
# peak memory of a 50 MB text copy.
#
#   bench/capture-latency.sh [BUILD_DIR]   (default: build; builds what it needs first)
#
# Runs on a private Xvfb with openbox and a tray (tests/support/with-xvfb.sh), with temporary XDG
# folders and an empty history. Panel-open latency is the time from starting
# `quillstack --toggle` to the panel window being mapped (bench/tools/ToggleLatency.cpp), in
# three situations measured in the same run:
#   idle       nothing else happens;
#   no answer  an owner holds the clipboard and never answers, taking it back every 200 ms
#              (quillstack_clipboard_hold --retake 200), so that a capture always waits;
#   50 MB      a 50 MB text has just been copied with xclip (served in INCR pieces) and is being
#              captured; the toggle starts 0.5 s after the copy. The time from the copy to its
#              entry in history.json is reported beside it. Each sample starts a fresh process
#              with an empty history (a history growing by 50 MB a copy measures its saving).
# Every `--toggle` must exit 0. Then one more 50 MB copy alone: RSS before it, the peak RSS
# (VmHWM, reset first through /proc/PID/clear_refs) until its entry is in history.json, and RSS
# 3 s later. Last, CPU time and context switches (all threads) over IDLE_SECONDS idle seconds
# after all this, when the capture's worker thread exists. Environment: SAMPLES (default 10;
# half of it for the 50 MB case), IDLE_SECONDS (default 60).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [[ "${1:-}" != --inside ]]; then
    build=$(cd "${1:-$root/build}" 2>/dev/null && pwd || true)
    if [[ -z "$build" ]]; then
        build="$root/build"
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    cmake --build "$build" --target quillstack quillstack_toggle_latency \
        quillstack_clipboard_hold >/dev/null
    exec "$root/tests/support/with-xvfb.sh" --wm --tray -- "$0" --inside "$build"
fi
build=$2
app="$build/src/app/quillstack"
toggle="$build/bench/quillstack_toggle_latency"
hold="$build/tests/platform/quillstack_clipboard_hold"
samples=${SAMPLES:-10}
idle=${IDLE_SECONDS:-60}
large_samples=$(((samples + 1) / 2))

work=$(mktemp -d)
app_pid=
hold_pid=
cleanup() {
    [[ -n "$hold_pid" ]] && kill "$hold_pid" 2>/dev/null
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkfifo "$work/ready"
history="$XDG_DATA_HOME/Quillstack/history.json"

now_us() { echo "${EPOCHREALTIME/./}"; }
median() { sort -n | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }
maximum() { sort -n | tail -1; }
switches() {
    cat /proc/"$app_pid"/task/*/status 2>/dev/null |
        awk '/^(voluntary|nonvoluntary)_ctxt_switches:/ {n += $2} END {print n}'
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$app_pid/stat"; }
status_kb() { awk -v key="$1:" '$1 == key {print $2}' "/proc/$app_pid/status"; }
wait_for_text() { # wait_for_text TEXT: until history.json holds it (at most 60 s)
    for _ in $(seq 6000); do
        grep -qF -- "$1" "$history" 2>/dev/null && return 0
        sleep 0.01
    done
    return 1
}

start() {
    local line
    QUILLSTACK_READY_FD=3 "$app" 3>"$work/ready" 2>>"$work/stderr" &
    app_pid=$!
    read -r -t 30 line <"$work/ready"
    [[ "$line" == ready ]] || { echo "quillstack did not get ready" >&2; cat "$work/stderr" >&2; exit 1; }
}

# toggle_once: opens the panel with --toggle, then closes it again; appends the opening time to
# the file $work/times and counts --toggle runs that did not exit 0 in $work/failures.
toggle_once() {
    local ms status exit_ms
    read -r ms status exit_ms < <("$toggle" "$app" open)
    echo "$ms" >>"$work/times"
    [[ "$status" == 0 && "$ms" != -1 ]] || echo "open: $ms ms, exit $status" >>"$work/failures"
    read -r ms status exit_ms < <("$toggle" "$app" close)
    [[ "$status" == 0 && "$ms" != -1 ]] || echo "close: $ms ms, exit $status" >>"$work/failures"
}
report() { # report LABEL
    printf '  %-38s median %7.1f ms   max %7.1f ms   (%d opens, %d failed toggles)\n' "$1" \
        "$(median <"$work/times")" "$(maximum <"$work/times")" "$(wc -l <"$work/times")" \
        "$(cat "$work/failures" 2>/dev/null | wc -l)"
    cat "$work/failures" 2>/dev/null | sed 's/^/    /' || true
    rm -f "$work/times" "$work/failures"
}

large_text() { # large_text FILE MARKER: about 50 MB of text starting with the marker
    {
        printf '%s\n' "$2"
        cat "$work/base"
    } >"$1"
}
(yes 'All work and no play makes Jack a dull boy; the quick brown fox jumps over it.' || true) |
    head -c $((50 * 1000 * 1000)) >"$work/base"

start
"$toggle" "$app" open >/dev/null # the panel is built on its first showing
"$toggle" "$app" close >/dev/null
echo "== panel-open latency (quillstack --toggle until the panel is mapped)"
for _ in $(seq "$samples"); do
    toggle_once
    sleep 0.3
done
report "idle"

"$hold" --retake 200 >"$work/hold.out" &
hold_pid=$!
sleep 1
for _ in $(seq "$samples"); do
    toggle_once
    sleep 0.3
done
report "owner never answers (retakes 200 ms)"
kill "$hold_pid"
wait "$hold_pid" 2>/dev/null || true
hold_pid=
sleep 4 # the last capture's time-out

# Each 50 MB sample starts from an empty history in a fresh process, so that what is measured is
# the capture and not the saving of a history that grows by 50 MB a copy.
captures=()
for i in $(seq "$large_samples"); do
    marker="large sample $i $RANDOM"
    large_text "$work/large.txt" "$marker"
    kill -TERM "$app_pid"
    wait "$app_pid" || true
    rm -f "$history"
    start
    # The panel is built on its first showing: open it once before measuring.
    "$toggle" "$app" open >/dev/null
    "$toggle" "$app" close >/dev/null
    c0=$(now_us)
    xclip -selection clipboard -t UTF8_STRING -i "$work/large.txt"
    sleep 0.5
    toggle_once
    wait_for_text "$marker" || { echo "50 MB copy not recorded" >&2; exit 1; }
    c1=$(now_us)
    captures+=("$(awk -v a="$c0" -v b="$c1" 'BEGIN {printf "%.0f", (b - a) / 1000}')")
done
report "50 MB text being captured"
printf '  %-38s median %7s ms   (%d copies; the toggle starts 0.5 s after the copy)\n' \
    "50 MB copy to history.json" "$(printf '%s\n' "${captures[@]}" | median)" "$large_samples"

echo "== memory of a 50 MB text copy"
rm -f "$history"
kill -TERM "$app_pid"
wait "$app_pid" || true
start
sleep 2
rss0=$(status_kb VmRSS)
echo 5 >"/proc/$app_pid/clear_refs"
marker="memory sample $RANDOM"
large_text "$work/large.txt" "$marker"
xclip -selection clipboard -t UTF8_STRING -i "$work/large.txt"
wait_for_text "$marker" || { echo "50 MB copy not recorded" >&2; exit 1; }
sleep 3
awk -v before="$rss0" -v peak="$(status_kb VmHWM)" -v after="$(status_kb VmRSS)" 'BEGIN {
    printf "  RSS before %6.1f MB   peak (VmHWM) %6.1f MB   RSS 3 s after %6.1f MB\n",
        before / 1024, peak / 1024, after / 1024 }'

echo "== idle after the copies"
ticks0=$(cpu_ticks)
sw0=$(switches)
sleep "$idle"
ticks1=$(cpu_ticks)
sw1=$(switches)
printf '  idle %3d s   CPU %d ms   context switches %d   threads %d\n' "$idle" \
    $(((ticks1 - ticks0) * 1000 / $(getconf CLK_TCK))) $((sw1 - sw0)) \
    "$(ls /proc/"$app_pid"/task | wc -l)"

#!/usr/bin/env bash
# Does saving a large history stall the real program? On a private Xvfb with a window manager,
# with temporary XDG folders and a history.json of about HISTORY_MB megabytes (default 450; image
# entries made by quillstack_make_history):
#
#   bench/save-stall.sh [BUILD_DIR]
#
# 1. panel-open latency while idle (`quillstack --toggle` until the panel is mapped; median and
#    max of SAMPLES opens, default 10),
# 2. how long one save of that history takes (a copy by xclip, until the temporary file of the
#    save is gone), the GUI thread's state sampled every 5 ms meanwhile and the peak RSS,
# 3. panel-open latency while saves run: COPIES texts (default 10) are copied 0.4 s apart, and the
#    panel is opened and closed again and again until the last save has finished,
# 4. whether every one of COPIES more copies 0.4 s apart, with saves running and the panel left
#    alone, is in history.json afterwards.
# APP=/path/to/quillstack measures another build of the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [[ "${1:-}" != --inside ]]; then
    build=$(cd "${1:-$root/build}" && pwd)
    cmake --build "$build" --target quillstack quillstack_make_history >/dev/null
    exec "$root/tests/support/with-xvfb.sh" --wm -- "$0" --inside "$build"
fi
build=$2
app=${APP:-$build/src/app/quillstack}
samples=${SAMPLES:-10}
copies=${COPIES:-10}
source "$root/bench/panel-latency.sh"

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
folder="$XDG_DATA_HOME/Quillstack"
history="$folder/history.json"
echo "(writing a history of about ${HISTORY_MB:-450} MB...)" >&2
"$build/bench/quillstack_make_history" "$history" "${HISTORY_MB:-450}" >"$work/made"
echo "== history: $(cat "$work/made")"

saving() { compgen -G "$folder/.history.json.*" >/dev/null; }
wait_until() { # wait_until SECONDS COMMAND...
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.005
    done
}
not_saving() { ! saving; }
# Until no save has run for 2 s: the last copy is captured at the poll after it, and its save
# starts only then.
settle() {
    local quiet=0
    while ((quiet < 20)); do
        if saving; then quiet=0; else quiet=$((quiet + 1)); fi
        sleep 0.1
    done
}
copy_text() { printf '%s' "$1" | xclip -selection clipboard; }

mkfifo "$work/ready"
QUILLSTACK_READY_FD=3 "$app" 3>"$work/ready" 2>>"$work/stderr" &
app_pid=$!
read -r -t 60 line <"$work/ready"
[[ "$line" == ready ]] || { echo "quillstack did not get ready" >&2; cat "$work/stderr" >&2; exit 1; }

idle=()
for _ in $(seq "$samples"); do
    idle+=("$(panel_open_ms "$app")")
    sleep 0.3
done
echo "  panel open, idle:             $(printf '%s\n' "${idle[@]}" | latency_summary)"

# One save; meanwhile the GUI thread's state is sampled every 5 ms: S (waiting for events) is
# free, R running, D blocked in the kernel (on the disk).
t0=$(panel_now_us)
copy_text "single save probe $RANDOM"
wait_until 20 saving || echo "  (no save seen starting)"
states=()
rss_before=$(awk '/^VmRSS:/ {print $2}' "/proc/$app_pid/status")
rss_max=$rss_before
while saving; do
    states+=("$(awk '{print $3}' "/proc/$app_pid/task/$app_pid/stat")")
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$app_pid/status")
    ((rss > rss_max)) && rss_max=$rss
    sleep 0.005
done
t1=$(panel_now_us)
awk -v a="$t0" -v b="$t1" 'BEGIN {printf "  one save (copy to file renamed): %.0f ms\n", (b - a) / 1000}'
echo "  RSS before it / peak during it: $((rss_before / 1024)) MB / $((rss_max / 1024)) MB"
echo "  GUI thread during it:         $(printf '%s\n' "${states[@]}" | sort | uniq -c |
    awk '{printf "%s %d  ", $2, $1}')(samples by state)"

burst() { # burst TAG: COPIES texts, 0.4 s apart
    for i in $(seq "$copies"); do
        copy_text "$1 copy $i"
        sleep 0.4
    done
}
recorded() { grep -o "$1 copy [0-9]*" "$history" | sort -u | wc -l; }

# Panel opens while the copies keep saves running.
tag="burst-$RANDOM$RANDOM"
burst "$tag" &
copier=$!
during=()
missed=0
while kill -0 "$copier" 2>/dev/null || saving; do
    if saving; then
        if sample=$(panel_open_ms "$app"); then
            during+=("$sample")
        else
            missed=$((missed + 1))
        fi
    fi
    sleep 0.05
done
wait "$copier"
settle
echo "  panel open, during saves:     $(printf '%s\n' "${during[@]}" | latency_summary)"
echo "  opens not seen (the panel closed itself or never showed): $missed"
echo "  copies recorded meanwhile:    $(recorded "$tag") of $copies"

# The same copies during saves, with nothing else going on.
tag="quiet-$RANDOM$RANDOM"
burst "$tag" &
copier=$!
states=()
while kill -0 "$copier" 2>/dev/null; do
    states+=("$(awk '{print $3}' "/proc/$app_pid/task/$app_pid/stat")")
    sleep 0.005
done
settle
echo "  copies 0.4 s apart recorded:  $(recorded "$tag") of $copies (during saves, no panel)"
echo "  GUI thread meanwhile:         $(printf '%s\n' "${states[@]}" | sort | uniq -c |
    awk '{printf "%s %d  ", $2, $1}')(samples by state)"
missing=$(for i in $(seq "$copies"); do grep -q "$tag copy $i\"" "$history" || printf '%s ' "$i"; done)
[[ -z "$missing" ]] || echo "  not recorded: copies $missing"
kill -TERM "$app_pid"
wait "$app_pid" || { echo "quillstack did not end cleanly" >&2; exit 1; }
app_pid=

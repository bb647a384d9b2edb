# Panel-open latency of a running `quillstack`, for the scripts in bench/ (source this file).
#
#   panel_open_ms APP    prints the milliseconds from starting `APP --toggle` to the panel being
#                        mapped, then closes the panel again; fails when it is not seen open
#                        within 5 s
#                        or when `--toggle` reported a failure
#   panel_shown          whether a Quillstack window is mapped (run without a tray: the tray
#                        icon is a Quillstack window too)
#   latency_summary      reads numbers (one a line) and prints "median X ms, max Y ms (N)"
#
# Needs DISPLAY and xdotool. The resolution is that of one xdotool call (a few ms).

panel_shown() {
    [[ -n "$(xdotool search --onlyvisible --classname '^quillstack$' 2>/dev/null)" ]]
}

panel_now_us() { echo "${EPOCHREALTIME/./}"; }

panel_open_ms() {
    local app=$1 t0 t1 client status=0 opened=0
    t0=$(panel_now_us)
    "$app" --toggle 2>/dev/null &
    client=$!
    while (($(panel_now_us) - t0 < 5000000)); do
        if panel_shown; then
            opened=1
            break
        fi
    done
    t1=$(panel_now_us)
    wait "$client" || status=$?
    ((opened)) || { echo "panel_open_ms: the panel did not open" >&2; return 1; }
    ((status == 0)) || { echo "panel_open_ms: --toggle exited with $status" >&2; return 1; }
    # Closed again, unless it has already closed itself (it hides when it loses the focus).
    if panel_shown; then
        "$app" --toggle 2>/dev/null || true
        for _ in $(seq 5000); do
            panel_shown || break
        done
    fi
    awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.1f\n", (b - a) / 1000}'
}

latency_summary() {
    sort -n | awk '{v[NR] = $1}
        END {
            if (NR == 0) { print "no samples"; exit }
            m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            printf "median %.1f ms, max %.1f ms (%d samples)\n", m, v[NR], NR
        }'
}

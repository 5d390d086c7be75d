#!/bin/bash
# Start-up of the main window with the shipped movie: the median over a
# series of runs of the time from process start to the movie's first frame
# on screen, and the peak resident memory. Runs on the X server of
# xvfb-run (or the current display) and on the offscreen platform.
# Usage: bench/startup.sh [build directory] [runs]   (defaults: build, 10)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build_dir=${1:-$source_dir/build}
runs=${2:-10}

# Without a display, run the whole script again under a private Xvfb.
if [ -z "${DISPLAY:-}" ] && [ -z "${TARNWICK_BENCH_XVFB:-}" ] && command -v xvfb-run >/dev/null; then
    TARNWICK_BENCH_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build_dir" "$runs"
fi

[ -f "$build_dir/CMakeCache.txt" ] || cmake -S "$source_dir" -B "$build_dir" -G Ninja
cmake --build "$build_dir" --target bench_startup tarnwick_program_files -j2 >/dev/null
probe="$build_dir/bench/bench_startup"

# A program folder of its own, so the build's Formats.ini is left alone.
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
for f in main.qml Formats.ini help.html; do
    [ -f "$build_dir/$f" ] && cp "$build_dir/$f" "$folder/"
done
mkdir -m 700 "$folder/tmp"

series() {
    local platform=$1 i line
    for ((i = 0; i < runs; i++)); do
        t0=${EPOCHREALTIME/./}
        line=$(TARNWICK_BENCH_T0=$t0 QT_QPA_PLATFORM=$platform TMPDIR="$folder/tmp" \
               XDG_RUNTIME_DIR="$folder/tmp" "$probe" "$folder" 2>/dev/null) || {
            echo "run $i on $platform failed" >&2; return 1; }
        echo "$line"
    done
}

# field name, lines -> "median min max"
stats() {
    tr ' ' '\n' | sed -n "s/^$1=//p" | sort -g |
        awk '{ v[NR] = $1 } END {
            m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            printf "%s %s %s", m, v[1], v[NR] }'
}

report() {
    local label=$1 lines=$2
    read -r f_med f_min f_max <<<"$(stats first_frame_ms <<<"$lines")"
    read -r l_med l_min l_max <<<"$(stats launch_to_frame_ms <<<"$lines")"
    read -r m_med m_min m_max <<<"$(stats vmhwm_kb <<<"$lines")"
    read -r p_med p_min p_max <<<"$(stats vlc_plugins <<<"$lines")"
    printf '%-9s runs=%d  first frame: median %.0f ms (min %.0f, max %.0f; from launch %.0f ms)' \
        "$label" "$runs" "$f_med" "$f_min" "$f_max" "$l_med"
    printf '  peak RSS: median %.1f MB (max %.1f MB)  engine plugins loaded: %d\n' \
        "$(awk "BEGIN { print $m_med / 1024 }")" "$(awk "BEGIN { print $m_max / 1024 }")" "$p_max"
}

echo "Targets: first frame under 300 ms, peak RSS under 100 MB, no engine at start-up"
echo "(first frame: from the process start in /proc, 10 ms ticks; from launch: from the shell's clock just before the start)"
if [ -n "${DISPLAY:-}" ]; then
    report "x11" "$(series xcb)"
fi
report "offscreen" "$(unset DISPLAY; series offscreen)"

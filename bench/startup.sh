#!/bin/bash
# Start-up of the shipped program (build/tarnwick with its movie, catalogue
# and help beside it): the median over a series of runs of the time from
# process start to the movie's first frame on screen, and the peak resident
# memory at that moment. Runs on the X server of xvfb-run (or the current
# display) and on the offscreen platform.
# Usage: bench/startup.sh [build directory] [runs]   (defaults: build, 10)
# Extra environment (QSG_RHI_BACKEND=opengl, ...) is passed to the program.
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
cmake --build "$build_dir" --target tarnwick -j2 >/dev/null

# A program folder of its own, as installed by a user who unpacks it: the
# build's stored output folder and instance socket are left alone.
folder=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$folder"; }
trap cleanup EXIT
cp "$build_dir/tarnwick" "$folder/"
for f in main.qml Formats.ini help.html; do cp "$source_dir/res/$f" "$folder/"; done
mkdir -m 700 "$folder/tmp"

# One run: start the program, wait for its first-frame line, note the GL
# driver and engine plugins mapped at that moment, stop it.
# Prints "first_frame_ms=.. launch_to_frame_ms=.. vmhwm_kb=.. gl=.. vlc_plugins=.."
one_run() {
    local platform=$1 err="$folder/tmp/stderr" line t0 t1 i gl plugins
    rm -f "$err" "$folder/tmp"/Tarnwick-*.lock
    t0=${EPOCHREALTIME/./}
    TARNWICK_REPORT_FIRST_FRAME=1 QT_QPA_PLATFORM=$platform TMPDIR="$folder/tmp" \
        XDG_RUNTIME_DIR="$folder/tmp" "$folder/tarnwick" 2>"$err" &
    pid=$!
    line=
    for ((i = 0; i < 2000; i++)); do
        line=$(grep -m1 '^tarnwick: first frame' "$err" 2>/dev/null || true)
        [ -n "$line" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.01
    done
    t1=${EPOCHREALTIME/./}
    gl=$(grep -cE 'libGLX_mesa|swrast_dri|libgallium|llvmpipe' "/proc/$pid/maps" 2>/dev/null || true)
    plugins=$(grep -F /vlc/plugins/ "/proc/$pid/maps" 2>/dev/null | awk '{print $6}' | sort -u | wc -l || true)
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=
    [ -n "$line" ] || { echo "no first frame on $platform:" >&2; cat "$err" >&2; return 1; }
    # "tarnwick: first frame 123.4 ms, peak RSS 61234 kB"
    set -- $line
    echo "first_frame_ms=$4 launch_to_frame_ms=$(( (t1 - t0) / 1000 )) vmhwm_kb=$8 gl=${gl:-0} vlc_plugins=${plugins:-0}"
}

series() {
    local i
    for ((i = 0; i < runs; i++)); do one_run "$1" || return 1; done
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
    read -r g_med g_min g_max <<<"$(stats gl <<<"$lines")"
    read -r p_med p_min p_max <<<"$(stats vlc_plugins <<<"$lines")"
    printf '%-9s runs=%d  first frame: median %.0f ms (min %.0f, max %.0f; seen by this script after %.0f ms)' \
        "$label" "$runs" "$f_med" "$f_min" "$f_max" "$l_med"
    printf '  peak RSS: median %.1f MB (max %.1f MB)  GL driver: %s  engine plugins loaded: %d\n' \
        "$(awk "BEGIN { print $m_med / 1024 }")" "$(awk "BEGIN { print $m_max / 1024 }")" \
        "$([ "$g_max" -gt 0 ] && echo loaded || echo none)" "$p_max"
}

echo "Targets: first frame under 300 ms, peak RSS under 100 MB, no GL driver and no engine at start-up"
echo "(first frame: from the process start in /proc, 10 ms ticks, as the program reports it)"
if [ -n "${DISPLAY:-}" ]; then
    report "x11" "$(series xcb)"
fi
report "offscreen" "$(unset DISPLAY; series offscreen)"

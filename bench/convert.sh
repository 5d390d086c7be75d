#!/bin/sh
# The program's batch against the engine alone on the same files with the
# same option, medians of three runs: short clips and 720p clips, one job at
# a time and the program's automatic number of jobs; then .webm (VP8 and
# Vorbis) against ffmpeg converting the same files one at a time with libvpx
# at the same bitrates. About 35 minutes on two cores; run it on an otherwise
# idle machine.
# Usage: bench/convert.sh [build directory] [runs]
set -e
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build_dir=${1:-$source_dir/build}
runs=${2:-3}
[ -f "$build_dir/CMakeCache.txt" ] || cmake -S "$source_dir" -B "$build_dir" -G Ninja
cmake --build "$build_dir" --target bench_convert -j2
bench="$build_dir/bench/bench_convert"
export QT_QPA_PLATFORM=offscreen
echo "== 30 clips of 2 s, 640x360, one job at a time"
"$bench" 30 2 640 360 1 "$runs"
echo "== 30 clips of 2 s, 640x360, automatic jobs"
"$bench" 30 2 640 360 0 "$runs"
echo "== 5 clips of 60 s, 1280x720, one job at a time"
"$bench" 5 60 1280 720 1 "$runs"
echo "== 6 clips of 60 s, 1280x720, automatic jobs"
"$bench" 6 60 1280 720 0 "$runs"
echo "== webm: 6 clips of 20 s, 640x360, automatic jobs, against ffmpeg one at a time"
"$bench" 6 20 640 360 0 "$runs" .webm ffmpeg

#!/bin/sh
# Converts 50 real clips in one batch and prints wall time, peak RSS and RSS
# growth per file.
# Usage: bench/soak.sh [build directory] [clips] [seconds per clip]
set -e
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build_dir=${1:-$source_dir/build}
[ -f "$build_dir/CMakeCache.txt" ] || cmake -S "$source_dir" -B "$build_dir" -G Ninja
cmake --build "$build_dir" --target bench_soak -j2
QT_QPA_PLATFORM=offscreen "$build_dir/bench/bench_soak" "${2:-50}" "${3:-5}"

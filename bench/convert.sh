#!/bin/sh
# Builds and runs the conversion benchmark offscreen: the program's batch of
# five 60 s 1280x720 clips against the engine alone on the same files.
# Takes about four minutes on two cores; run it on an otherwise idle machine.
# Usage: bench/convert.sh [build directory] [files] [seconds]   (default: build 5 60)
set -e
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build_dir=${1:-$source_dir/build}
[ -f "$build_dir/CMakeCache.txt" ] || cmake -S "$source_dir" -B "$build_dir" -G Ninja
cmake --build "$build_dir" --target bench_convert -j2
QT_QPA_PLATFORM=offscreen "$build_dir/bench/bench_convert" ${2:-5} ${3:-60}

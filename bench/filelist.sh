#!/bin/sh
# Builds and runs the file list benchmark offscreen.
# Usage: bench/filelist.sh [build directory]   (default: build)
set -e
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build_dir=${1:-$source_dir/build}
[ -f "$build_dir/CMakeCache.txt" ] || cmake -S "$source_dir" -B "$build_dir" -G Ninja
cmake --build "$build_dir" --target bench_filelist -j2
QT_QPA_PLATFORM=offscreen "$build_dir/bench/bench_filelist"

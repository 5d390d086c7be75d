#!/bin/sh
# Lists 10,000 unreadable files in the window and converts them: the time
# until the batch is through and the longest stall of the event loop.
# Targets: through within 5 s, no stall over 200 ms.
# Usage: bench/queue.sh [build directory] [files]
set -e
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build_dir=${1:-$source_dir/build}
[ -f "$build_dir/CMakeCache.txt" ] || cmake -S "$source_dir" -B "$build_dir" -G Ninja
cmake --build "$build_dir" --target bench_queue -j2
QT_QPA_PLATFORM=offscreen "$build_dir/bench/bench_queue" "${2:-10000}"

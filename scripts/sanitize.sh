#!/bin/sh
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs the unit
# and end-to-end tests; any report fails the run. Each step on its own line,
# so set -e stops at the first that fails. TARNWICK_REQUIRE_ALL=1 from .ci/run
# reaches the tests here too.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
# Line tables are all a report needs, and build in a fraction of the time.
cmake -S . -B build-asan -G Ninja -DTARNWICK_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
cmake --build build-asan
# GCC leaves the use-after-return check to this switch, off by default: on,
# a pointer kept to a returned function's locals is reported.
# Engine plugins are built without frame pointers: the slow unwinder follows
# an allocation through them back to the engine that loaded them.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# The catalogue sweeps (every combination, every kept track) exercise the
# engine, not our code, and the soak's memory figures mean nothing under the
# sanitizers' own bookkeeping: they run in the plain build only.
ctest --test-dir build-asan --output-on-failure -j2 -LE 'catalogue|soak'

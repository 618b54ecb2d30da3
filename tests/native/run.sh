#!/bin/bash
# Configures and builds the native sanitizer target in the folder given
# (default: ./native) with the host compiler, then runs it. Fails on a
# failed test and on any sanitizer report (each one aborts the run).
#
#   run.sh [--build-only] [FOLDER]
set -eu
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BUILD_ONLY=0
if [ "${1:-}" = --build-only ]; then
    BUILD_ONLY=1
    shift
fi
OUT=${1:-native}
mkdir -p "$OUT"
cmake -S "$HERE" -B "$OUT" -G Ninja -DCMAKE_CXX_COMPILER="${NATIVE_CXX:-g++}" -DCMAKE_BUILD_TYPE= >"$OUT/configure.log" ||
    { cat "$OUT/configure.log"; exit 1; }
cmake --build "$OUT" >"$OUT/build.log" 2>&1 || { tail -50 "$OUT/build.log"; exit 1; }
[ "$BUILD_ONLY" = 0 ] || exit 0
export ASAN_OPTIONS=abort_on_error=0:halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$OUT/pure_campaign_test" --gtest_brief=1

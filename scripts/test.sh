#!/usr/bin/env bash
# Installs what the project needs, builds the sanitizer configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset asan >/dev/null
cmake --build --preset asan
# Headless by default: tests never need a display.
export SDL_VIDEODRIVER=offscreen
# The software rasteriser draws on the calling thread. With its worker threads running,
# the leak checker's tracer crashes reading the main thread's dynamic TLS at exit; one
# thread also keeps two tests at a time from fighting over two cores.
export LP_NUM_THREADS="${LP_NUM_THREADS:-0}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --preset asan

#!/usr/bin/env bash
# Installs what the project needs, checks the formatting, builds the sanitizer
# configuration (clang: the tests and the fuzz targets) and a Release with warnings as
# errors (gcc), plays the demo game on the Release runner and runs every test on the
# sanitizer build, each fuzz target for a few seconds among them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/format-check.sh
cmake --preset asan >/dev/null
cmake --build --preset asan
cmake --preset ci-release >/dev/null
cmake --build --preset ci-release
# Headless by default: tests never need a display.
export SDL_VIDEODRIVER=offscreen
# The software rasteriser draws on the calling thread: one thread keeps two tests at a
# time from fighting over two cores.
export LP_NUM_THREADS="${LP_NUM_THREADS:-0}"

# The demo game, packed and played by the Release tools as a user would run them.
bin=build/ci-release/bin
demo=build/ci-release/demo.win
shot=build/ci-release/demo-smoke.png
rm -f "$demo" "$shot"
"$bin/zorvex-pack" examples/demo -o "$demo"
"$bin/zorvex" --headless --no-wait --frames 360 --screenshot "300:$shot" -game "$demo"
if [ ! -s "$shot" ]; then
  echo "The demo game ran but wrote no picture at $shot" >&2
  exit 1
fi
echo "Demo smoke run: ended normally, picture of frame 300 in $shot"

# intercept_tls_get_addr=0: the sanitizer runtime (gcc's and clang's alike) takes a
# dynamic TLS block that happens to start 16 bytes into a page (as malloc'd blocks of the
# GL and audio libraries sometimes do) for an old glibc header, reads the words before it
# as a range, and the leak checker's tracer then dies scanning that range at exit
# ("Tracer caught signal 11"), failing runs that leaked nothing. Our own code keeps
# nothing in dynamic TLS.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:intercept_tls_get_addr=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --preset asan

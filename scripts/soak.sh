#!/usr/bin/env bash
# The long-run check: builds the Release runner, packs the soak game (tests/soak), which
# makes and frees instances, data structures, surfaces, sprites, sounds, particle
# systems and paths every frame, and plays it headless without the frame wait. The
# runner logs its memory every 1,000 frames; the run passes when, between a tenth of
# the way and the end, the memory manager's bytes and blocks, the C library's heap and
# the process's resident size (the least over each tenth) grew by no more than the
# bounds below. The resident size moves in steps of the GL vertex stream (4.5 MB) as
# the driver replaces it, so its bound is loose; the heap figures are the fine ones.
#
#   scripts/soak.sh [FRAMES]     FRAMES: 100000 by default (5 to 10 minutes)
set -euo pipefail
cd "$(dirname "$0")/.."
frames="${1:-100000}"
if ! [[ "$frames" =~ ^[0-9]+$ ]] || [ "$frames" -lt 10000 ] || [ $((frames % 10000)) -ne 0 ]; then
  echo "usage: scripts/soak.sh [FRAMES]  (a multiple of 10000)" >&2
  exit 2
fi
# Growth allowed from a tenth of the run to its end.
max_heap_bytes=$((16 * 1024))
max_heap_blocks=16
max_malloc_kb=$((2 * 1024))
max_resident_kb=$((16 * 1024))

cmake --preset release >/dev/null
cmake --build build/release --target zorvex zorvex-pack
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-offscreen}"
work=build/release/soak
rm -rf "$work"
mkdir -p "$work/data"
build/release/bin/zorvex-pack tests/soak -o "$work/data.win"
# The game opens its files by their bare names, which are looked for in the save area and
# then beside the data file.
cp tests/soak/soak.png tests/soak/soak.wav "$work/"
start=$(date +%s)
status=0
(cd "$work" && XDG_DATA_HOME="$PWD/data" ../bin/zorvex data.win --headless --no-wait --frames "$frames" \
  --log log.txt >stdout.txt 2>stderr.txt) || status=$?
echo "Played $frames frames in $(($(date +%s) - start)) s (exit code $status); log in $work/log.txt"
cat "$work/stdout.txt"
if [ "$status" -ne 0 ] || [ -s "$work/stderr.txt" ]; then
  echo "The soak game did not end cleanly:" >&2
  head -20 "$work/stderr.txt" >&2
  exit 1
fi
# "Memory after frame N: B bytes in K blocks, resident R kB"
read_at() {
  awk -v f="$1" '$1 == "Memory" && $4 == f":" { print $5, $8, $14 }' "$work/log.txt"
}
# The resident size swings by several MB from frame to frame (the driver's and the C
# library's own pools), so each end of the run is the smallest over its tenth.
least_resident() {
  awk -v lo="$1" -v hi="$2" '$1 == "Memory" { f = $4 + 0; if (f > lo && f <= hi && (m == "" || $11 < m)) m = $11 }
    END { print m }' "$work/log.txt"
}
tenth=$((frames / 10))
early=$(read_at "$tenth")
late=$(read_at "$frames")
r0=$(least_resident 0 "$tenth")
r1=$(least_resident $((frames - tenth)) "$frames")
if [ -z "$early" ] || [ -z "$late" ] || [ -z "$r0" ] || [ -z "$r1" ]; then
  echo "The log lacks the memory lines of frames $tenth and $frames" >&2
  exit 1
fi
read -r b0 k0 m0 <<<"$early"
read -r b1 k1 m1 <<<"$late"
echo "frame $tenth: manager $b0 bytes in $k0 blocks, C heap $m0 kB; least resident size up to it $r0 kB"
echo "frame $frames: manager $b1 bytes in $k1 blocks, C heap $m1 kB; least resident size in the last tenth $r1 kB"
fail=0
if [ $((b1 - b0)) -gt "$max_heap_bytes" ]; then echo "heap bytes grew by $((b1 - b0))" >&2; fail=1; fi
if [ $((k1 - k0)) -gt "$max_heap_blocks" ]; then echo "heap blocks grew by $((k1 - k0))" >&2; fail=1; fi
if [ $((m1 - m0)) -gt "$max_malloc_kb" ]; then echo "C heap grew by $((m1 - m0)) kB" >&2; fail=1; fi
if [ $((r1 - r0)) -gt "$max_resident_kb" ]; then echo "resident size grew by $((r1 - r0)) kB" >&2; fail=1; fi
if [ "$fail" -ne 0 ]; then exit 1; fi
echo "Flat: growth within $max_heap_bytes bytes and $max_heap_blocks blocks of the manager, $max_malloc_kb kB of C heap and $max_resident_kb kB resident"

#!/usr/bin/env bash
# Installs what the project needs, builds the Release runner, packs the demo game and plays it:
# in a window when there is a display, otherwise headless for a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
out=build/release/demo.win
build/release/bin/zorvex-pack examples/demo -o "$out"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/release/bin/zorvex -game "$out" "$@"
fi
shot=build/release/demo-screenshot.png
echo "No display: running $out headless for 12 seconds."
build/release/bin/zorvex --headless --frames 360 --screenshot "300:$shot" -game "$out" "$@"
echo "The game ran and ended normally; its picture at frame 300 is $shot"

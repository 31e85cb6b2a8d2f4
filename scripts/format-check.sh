#!/usr/bin/env bash
# Fails when a tracked C or C++ file differs from what .clang-format makes of it, and
# names the places. Fix with: clang-format -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z -- '*.c' '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror

#!/usr/bin/env bash
# Builds the fuzz targets (they are part of the sanitizer build, preset `asan`: clang,
# libFuzzer, ASan+UBSan) and runs each for SECONDS (default 60) over its seed corpus in
# tests/fuzz/corpus/NAME. New inputs the fuzzer finds stay in build/asan/corpus/NAME for
# the next run (the test suite's short runs use and feed the same folders); a crash leaves
# its input in build/asan/findings/ and the script fails.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(data_file compile ini json ds_read stream input_record save http_reply)
fi

cmake --preset asan >/dev/null
cmake --build --preset asan --target "${targets[@]/#/fuzz_}"

export SDL_VIDEODRIVER=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:intercept_tls_get_addr=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
out=build/asan
mkdir -p "$out/findings"
failed=()
for t in "${targets[@]}"; do
  corpus="$out/corpus/$t"
  mkdir -p "$corpus"
  # -rss_limit_mb: a hostile input may not make one load take more than this.
  if ! "$out/fuzz/fuzz_$t" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 \
      -artifact_prefix="$out/findings/$t-" -print_final_stats=1 \
      "$corpus" "tests/fuzz/corpus/$t" >"$out/fuzz_$t.log" 2>&1; then
    failed+=("$t")
  fi
  stats=$(grep -E '^#[0-9]+.*(DONE|cov:)' "$out/fuzz_$t.log" | tail -1 || true)
  echo "fuzz_$t: ${stats:-no statistics (see $out/fuzz_$t.log)}"
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzz findings in: ${failed[*]} (inputs in $out/findings/, logs in $out/fuzz_NAME.log)" >&2
  exit 1
fi

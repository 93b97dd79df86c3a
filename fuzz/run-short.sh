#!/usr/bin/env bash
# A short bounded run of every fuzz target, a minute and a half in all, so that a regression the
# fuzzers would catch shows up in CI. Builds the "fuzz" preset (clang++) in build/fuzz, or in
# KANANET_FUZZ_BUILD_DIR; KANANET_FUZZ_SECONDS sets the time per target (default 12).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${KANANET_FUZZ_BUILD_DIR:-build/fuzz}
seconds=${KANANET_FUZZ_SECONDS:-12}
cmake --preset fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for target in sample_text layout pipeline kana_lookup text_encoding layout_check search_file; do
  mkdir -p "$work/$target"
  log="$work/$target.log"
  # The seeds are read from the repository; new inputs go to the scratch corpus.
  if "$build_dir/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=4096 \
      -print_final_stats=1 -artifact_prefix="$work/$target-" \
      "$work/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz_$target: $runs runs in ${seconds} s, no findings"
  else
    failed=1
    echo "fuzz_$target: FAILED"
    grep -v '^#' "$log" | tail -n 40
    for artifact in "$work/$target"-*; do
      [ -e "$artifact" ] || continue
      echo "input that failed ($(basename "$artifact")), as hex:"
      od -An -tx1 -v "$artifact" | head -n 40
    done
  fi
done
exit "$failed"

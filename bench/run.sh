#!/usr/bin/env bash
# The benchmark in one command: builds the release tool and the bench tools, generates the
# inputs of both text profiles (a 50 MB sample text, its UTF-8 copy and 12 layouts each; kept
# for later runs), prints the median timings beside the iconv yardstick, and checks the tool's
# output, with one thread and with several, against the plain-scan reference.
#
#   bench/run.sh                 # 50 MB, 5 runs
#   MEGABYTES=10 RUNS=3 bench/run.sh
#   CHECK_ONLY=1 MEGABYTES=3 bench/run.sh   # only the check against the reference (CI)
#
# The profiles: "mixed", hiragana between kanji, katakana and digits; "kana", a reading of prose
# in which nearly every character is a kana (what kananet-sample writes). PROFILES chooses.
# The kana profile also measures kananet-search: its count once beside one layout's count, the
# key exchanges it scores per second, and its peak memory.
# BUILD_DIR and BENCH_DIR choose where the build and the generated inputs go (default: build/bench
# and build/bench-data in the source tree).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/bench}
data=${BENCH_DIR:-$root/build/bench-data}
megabytes=${MEGABYTES:-50}
runs=${RUNS:-5}
check_only=${CHECK_ONLY:-0}
profiles=${PROFILES:-mixed kana}
# The threaded check uses more threads than the machine may have cores, so that the stream is
# cut into several parts even on a small machine.
check_jobs=4

echo "Building the release tool and the bench tools in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKANANET_TESTS=OFF \
  -DKANANET_BENCH=ON >/dev/null
cmake --build "$build" -j2 >/dev/null

for profile in $profiles; do
  dir=$data/$profile
  # The inputs are made again only when the generator or the size changed.
  stamp="$megabytes $profile $(sha1sum <"$build/bench/kananet_benchgen")"
  if [ "$(cat "$dir/.stamp" 2>/dev/null)" != "$stamp" ]; then
    echo "Generating $megabytes MB of sample text ($profile) and 12 layouts in $dir"
    rm -rf "$dir"
    "$build/bench/kananet_benchgen" "$dir/inputs" "$megabytes" "$profile"
    echo "$stamp" >"$dir/.stamp"
  fi
  # The same text saved as UTF-8, for the read of a UTF-8 sample text.
  if [ "$check_only" = 0 ] && [ ! -f "$dir/utf8/kanasample.txt" ]; then
    mkdir -p "$dir/utf8"
    iconv -f CP932 -t UTF-8 "$dir/inputs/kanasample.txt" >"$dir/utf8/kanasample.txt"
  fi

  if [ "$check_only" = 0 ]; then
    echo
    echo "== Profile $profile"
    echo "Load: $(uptime | sed 's/.*load average: //') (measure when it is low)"
    echo
    "$build/bench/kananet_measure" "$dir/inputs" "$runs" "$build/src/kananet" "$dir/utf8"
    echo
    if [ "$profile" = kana ]; then
      echo "Search, from layout s150-01.txt"
      "$build/bench/kananet_search_bench" "$dir/inputs" s150-01.txt "$runs"
      work=$dir/search
      rm -rf "$work" && mkdir -p "$work"
      ln -s ../inputs/kanasample.txt "$work/kanasample.txt"
      ln -s ../inputs/layout "$work/layout"
      peak=$(cd "$work" && /usr/bin/time -f %M "$build/src/search/kananet-search" \
        layout/s150-01.txt --rounds 4 --jobs 1 2>&1 >/dev/null | tail -1)
      echo "kananet-search, 4 rounds on one thread: peak memory $((peak / 1024)) MB" \
        "(sample text $(($(stat -L -c %s "$work/kanasample.txt") / 1048576)) MB; target at most 200 MB)"
      echo
    fi
  fi

  echo "Checking the output ($profile) against the plain first-match scan"
  for side in tool-1 tool-$check_jobs reference; do
    rm -rf "${dir:?}/$side"
    mkdir -p "$dir/$side/result"
    ln -s ../inputs/kanasample.txt "$dir/$side/kanasample.txt"
    ln -s ../inputs/layout "$dir/$side/layout"
  done
  for jobs in 1 $check_jobs; do
    (cd "$dir/tool-$jobs" && "$build/src/kananet" --jobs "$jobs" >stdout 2>stderr; echo $? >status)
  done
  (cd "$dir/reference" && "$build/bench/kananet_reference" >stdout 2>stderr; echo $? >status)
  for jobs in 1 $check_jobs; do
    if diff -r --no-dereference "$dir/tool-$jobs" "$dir/reference" >/dev/null; then
      echo "identical with --jobs $jobs: $(ls "$dir/tool-$jobs/result" | wc -l) network files," \
        "console output and exit status"
    else
      echo "DIFFERENT: diff -r --no-dereference $dir/tool-$jobs $dir/reference" >&2
      exit 1
    fi
  done
done

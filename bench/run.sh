#!/usr/bin/env bash
# The benchmark in one command: builds the release tool and the bench tools, generates the
# inputs (a 50 MB sample text and 10 layouts; kept for later runs), prints the median timings
# beside the iconv yardstick, and checks the tool's output against the plain-scan reference.
#
#   bench/run.sh                 # 50 MB, 5 runs
#   MEGABYTES=10 RUNS=3 bench/run.sh
#   CHECK_ONLY=1 MEGABYTES=3 bench/run.sh   # only the check against the reference (CI)
#
# BUILD_DIR and BENCH_DIR choose where the build and the generated inputs go (default: build/bench
# and build/bench-data in the source tree).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/bench}
data=${BENCH_DIR:-$root/build/bench-data}
megabytes=${MEGABYTES:-50}
runs=${RUNS:-5}
check_only=${CHECK_ONLY:-0}

echo "Building the release tool and the bench tools in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKANANET_TESTS=OFF \
  -DKANANET_BENCH=ON >/dev/null
cmake --build "$build" -j2 >/dev/null

# The inputs are made again only when the generator or the size changed.
stamp="$megabytes $(sha1sum <"$build/bench/kananet_benchgen")"
if [ "$(cat "$data/.stamp" 2>/dev/null)" != "$stamp" ]; then
  echo "Generating $megabytes MB of sample text and 10 layouts in $data"
  rm -rf "$data"
  "$build/bench/kananet_benchgen" "$data/inputs" "$megabytes"
  echo "$stamp" >"$data/.stamp"
fi

if [ "$check_only" = 0 ]; then
  echo "Load: $(uptime | sed 's/.*load average: //') (measure when it is low)"
  echo
  "$build/bench/kananet_measure" "$data/inputs" "$runs" "$build/src/kananet"
  echo
fi

echo "Checking the output against the plain first-match scan"
for side in tool reference; do
  rm -rf "${data:?}/$side"
  mkdir -p "$data/$side/result"
  ln -s ../inputs/kanasample.txt "$data/$side/kanasample.txt"
  ln -s ../inputs/layout "$data/$side/layout"
done
(cd "$data/tool" && "$build/src/kananet" >stdout 2>stderr; echo $? >status)
(cd "$data/reference" && "$build/bench/kananet_reference" >stdout 2>stderr; echo $? >status)
if diff -r --no-dereference "$data/tool" "$data/reference" >/dev/null; then
  echo "identical: $(ls "$data/tool/result" | wc -l) network files, console output and exit status"
else
  echo "DIFFERENT: diff -r --no-dereference $data/tool $data/reference" >&2
  exit 1
fi

#!/usr/bin/env bash
# kananet-sample beside mecab itself: both read the same generated ordinary text (mixed kanji
# and kana, UTF-8) with the same dictionary; prints the median times, their ratio and the
# tool's peak resident memory.
#
#   bench/sample.sh                       # 50 MB, median of 3 runs
#   MEGABYTES=1000 RUNS=1 bench/sample.sh # the memory bound on a 1 GB text
#
# BUILD_DIR, BENCH_DIR and DICTIONARY choose the build, the generated text's folder and the
# MeCab dictionary (default: build/bench, build/bench-data and Debian's mecab-ipadic-utf8).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/bench}
data=${BENCH_DIR:-$root/build/bench-data}
megabytes=${MEGABYTES:-50}
runs=${RUNS:-3}
dictionary=${DICTIONARY:-/var/lib/mecab/dic/ipadic-utf8}

echo "Building the release tools in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKANANET_TESTS=OFF \
  -DKANANET_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target kananet-sample kananet_ordinary_text >/dev/null

text=$data/ordinary-$megabytes.txt
if [ ! -s "$text" ]; then
  echo "Generating $megabytes MB of ordinary text in $text"
  mkdir -p "$data"
  "$build/bench/kananet_ordinary_text" "$text" "$megabytes"
fi

# Prints "<seconds> <peak kilobytes> <processor seconds>" of one run of the command.
measure() {
  /usr/bin/time -f '%e %M %U %S' -o "$data/time" "$@" >/dev/null 2>"$data/stderr" ||
    { cat "$data/stderr" >&2; exit 1; }
  awk '{ print $1, $2, $3 + $4 }' "$data/time"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "Load: $(uptime | sed 's/.*load average: //') (measure when it is low)"
: >"$data/mecab.times"
: >"$data/tool.times"
for ((run = 1; run <= runs; run++)); do
  measure mecab -d "$dictionary" "$text" >>"$data/mecab.times"
  measure "$build/src/sample/kananet-sample" -d "$dictionary" -o "$data/kanasample.txt" \
    "$text" >>"$data/tool.times"
done
mecab_seconds=$(cut -d' ' -f1 "$data/mecab.times" | median)
tool_seconds=$(cut -d' ' -f1 "$data/tool.times" | median)
mecab_cpu=$(cut -d' ' -f3 "$data/mecab.times" | median)
tool_cpu=$(cut -d' ' -f3 "$data/tool.times" | median)
tool_peak=$(cut -d' ' -f2 "$data/tool.times" | sort -n | tail -1)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }
# On a shared machine the processor time is the steadier measure of the two.
echo "$megabytes MB of ordinary text, $dictionary, median of $runs (wall clock, processor):"
echo "  mecab                 ${mecab_seconds} s, ${mecab_cpu} s"
echo "  kananet-sample        ${tool_seconds} s, ${tool_cpu} s"
echo "  ratio                 $(ratio "$tool_seconds" "$mecab_seconds"), $(ratio "$tool_cpu" \
  "$mecab_cpu") of mecab (target <= 1.3x)"
echo "  kananet-sample peak   $((tool_peak / 1024)) MB resident (target <= 200 MB for 1 GB)"

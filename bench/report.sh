#!/usr/bin/env bash
# kananet-report against the batch: the CPU time (user + sys) of one pass of iconv over the
# sample text (the yardstick), of `kananet` and of `kananet-report` on the same working
# directory, interleaved round by round; prints each round and the least of each, with its
# ratio to the yardstick and the report's to the batch. The least is what the programs cost
# when the machine's other work disturbed them least.
#
#   bench/report.sh DIR [ROUNDS] [BIN_DIR]
#
# DIR is a generated input directory (kanasample.txt and layout/, as kananet_benchgen writes);
# LAYOUTS names the layouts counted (default: s150-01 by strokes and s150-02 by kana), which
# are linked into DIR/report-work. BIN_DIR holds kananet and kananet-report (default: the
# bench build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
inputs=$(cd "$1" && pwd)
rounds=${2:-5}
bin=${3:-$root/build/bench/src}
layouts=${LAYOUTS:-s150-01 s150-02}
batch=$bin/kananet
report=$bin/kananet-report
[ -x "$report" ] || report=$bin/report/kananet-report

work=$inputs/report-work
rm -rf "$work"
mkdir -p "$work/layout" "$work/result"
ln -s "$inputs/kanasample.txt" "$work/kanasample.txt"
for layout in $layouts; do
  ln -s "$inputs/layout/$layout.txt" "$work/layout/$layout.txt"
done

# The CPU seconds of one run of a command in $work.
cpu() {
  (cd "$work" && /usr/bin/time -f '%U %S' "$@" 2>&1 >/dev/null | tail -1 |
    awk '{ printf "%.3f", $1 + $2 }')
}

echo "Load: $(uptime | sed 's/.*load average: //')"
best_yard='' best_batch='' best_report=''
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
for round in $(seq "$rounds"); do
  yard=$(cpu iconv -f CP932 -t UTF-8 kanasample.txt)
  one=$(cpu "$batch")
  two=$(cpu "$report" -o "$work/report.html")
  echo "round $round: iconv $yard s, kananet $one s, kananet-report $two s"
  best_yard=$(least "$best_yard" "$yard")
  best_batch=$(least "$best_batch" "$one")
  best_report=$(least "$best_report" "$two")
done
echo "Load: $(uptime | sed 's/.*load average: //')"
awk -v y="$best_yard" -v b="$best_batch" -v r="$best_report" 'BEGIN {
  printf "least: iconv %.3f s, kananet %.3f s (%.2fx), kananet-report %.3f s (%.2fx); report / batch %.2fx\n",
    y, b, b / y, r, r / y, r / b }'

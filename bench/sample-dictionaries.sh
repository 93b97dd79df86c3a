#!/usr/bin/env bash
# Compares MeCab dictionaries on the hand-checked readings of tests/sample/golden_readings.tsv:
# kananet-sample reads every sentence with each dictionary, and each line is counted right when
# it is exactly the reading as typed (the second column).
#
#   bench/sample-dictionaries.sh [DICTIONARY_DIR...]
#   (default: Debian's mecab-ipadic-utf8, mecab-naist-jdic and unidic-mecab)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/bench}
golden=$root/tests/sample/golden_readings.tsv
[ "$#" -gt 0 ] || set -- /var/lib/mecab/dic/ipadic-utf8 /var/lib/mecab/dic/naist-jdic /var/lib/mecab/dic/unidic

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKANANET_TESTS=OFF \
  -DKANANET_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target kananet-sample >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
grep -v '^#' "$golden" | cut -f1 >"$work/sources"
grep -v '^#' "$golden" | cut -f2 >"$work/expected"
for dictionary in "$@"; do
  # The output is Shift_JIS; a character without a Shift_JIS form (an unknown kanji) comes
  # back as 〓, so each side is compared after the same round trip.
  "$build/src/sample/kananet-sample" -d "$dictionary" -o - "$work/sources" 2>/dev/null |
    iconv -f CP932 -t UTF-8 | tr -d '\r' >"$work/read"
  iconv -f UTF-8 -t CP932//TRANSLIT <"$work/expected" 2>/dev/null | iconv -f CP932 -t UTF-8 |
    sed 's/?/〓/g' >"$work/wanted"
  right=$(paste -d'\t' "$work/wanted" "$work/read" | awk -F'\t' '$1 == $2' | wc -l)
  total=$(wc -l <"$work/wanted")
  echo "$dictionary: $right of $total sentences right, $((total - right)) wrong"
  paste -d'\t' "$work/sources" "$work/read" "$work/wanted" |
    awk -F'\t' '$2 != $3 { print "  " $1 " -> " $2 }'
done

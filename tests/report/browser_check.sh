#!/bin/sh
# Renders a report in headless Chromium and checks what a person would see: a screenshot that is
# not blank, one SVG keyboard per network file, and no message on the page's console.
# Usage: browser_check.sh REPORT_PROGRAM NETWORK_DIR WORK_DIR
# Exits 77 (skipped) when no Chromium is installed.
set -eu

program=$1
networks=$2
work=$3

browser=${CHROMIUM:-}
if [ -z "$browser" ]; then
  for name in chromium chromium-browser; do
    if command -v "$name" >/dev/null 2>&1; then
      browser=$(command -v "$name")
      break
    fi
  done
fi
if [ -z "$browser" ]; then
  echo "SKIP: no chromium installed"
  exit 77
fi

rm -rf "$work"
mkdir -p "$work/result"
cp "$networks"/*.net "$work/result/"
expected=$(ls "$work/result" | grep -c '\.net$')
"$program" "$work/result"
page="$work/result/report.html"
printf '<!DOCTYPE html><html><head><meta charset="utf-8"><title>blank</title></head><body></body></html>\n' >"$work/blank.html"

width=1200
height=1800
# Each run gets a fresh profile; nothing is fetched and no background service starts.
browse() {
  profile=$1
  shift
  timeout 120 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/$profile" "$@"
}

browse profile-page --enable-logging=stderr --v=0 --window-size=$width,$height \
  --screenshot="$work/report.png" "file://$page" >"$work/page.out" 2>"$work/page.log"
browse profile-blank --window-size=$width,$height --screenshot="$work/blank.png" \
  "file://$work/blank.html" >/dev/null 2>&1
browse profile-dom --dump-dom "file://$page" >"$work/dom.html" 2>"$work/dom.log"

failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

# PNG: signature, then the IHDR chunk with width and height as 4-byte big-endian numbers.
png_number() { od -An -tu1 -j "$2" -N4 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }'; }
if [ ! -s "$work/report.png" ] || [ ! -s "$work/blank.png" ]; then
  fail "no screenshot was written"
else
  signature=$(od -An -c -j1 -N3 "$work/report.png" | tr -d ' ')
  [ "$signature" = "PNG" ] || fail "the screenshot is not a PNG file"
  shot_width=$(png_number "$work/report.png" 16)
  shot_height=$(png_number "$work/report.png" 20)
  [ "$shot_width" -eq $width ] && [ "$shot_height" -eq $height ] ||
    fail "the screenshot is ${shot_width}x$shot_height, not ${width}x$height"
  # A page that shows nothing compresses about as well as an empty one.
  shot_size=$(wc -c <"$work/report.png")
  blank_size=$(wc -c <"$work/blank.png")
  [ "$shot_size" -gt $((blank_size * 5)) ] ||
    fail "the screenshot looks blank ($shot_size bytes against $blank_size for an empty page)"
fi

keyboards=$(grep -o '<svg class="keyboard"' "$work/dom.html" | wc -l)
[ "$keyboards" -eq "$expected" ] ||
  fail "the browser shows $keyboards keyboards for $expected network files"
kana=$(grep -c '>あ</text>' "$work/dom.html" || true)
[ "$kana" -gt 0 ] || fail "no kana label reached the browser as text"

# Lines beyond 90 % of a band's weight are hidden by default, behind a switch that needs no script.
grep -q '<input type="checkbox" id="all-edges">' "$work/dom.html" || fail "no switch to show every line"
grep -q 'class="edge minor"' "$work/dom.html" || fail "no light line is hidden by default"
if grep -q '[^0-9,]1 times' "$work/dom.html"; then
  fail "the page says \"1 times\""
fi

if grep ':CONSOLE' "$work/page.log"; then
  fail "the page wrote to the console (above)"
fi

if [ $failed -ne 0 ]; then
  exit 1
fi
echo "OK: $keyboards keyboards, screenshot $shot_size bytes (empty page $blank_size): $work/report.png"

#!/bin/sh
# Renders a report in headless Chromium and checks what a person would see: a screenshot that is
# not blank, one SVG keyboard per network file, key letters and kana that no box or line covers,
# and no message on the page's console; and that networkx reads the GraphML files, where it is
# installed. Given the main program and the bundled example, also the Cost table of the example's
# page with --cost: shown, every layout's cost known, the layouts ranked by it.
# Usage: browser_check.sh REPORT_PROGRAM NETWORK_DIR WORK_DIR [KANANET_PROGRAM EXAMPLE_DIR]
# Exits 77 (skipped) when no Chromium is installed.
set -eu

program=$1
networks=$2
work=$3
kananet=${4:-}
example=${5:-}

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
"$program" "$work/result" --graphml "$work/graphml"
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

# A copy of the page with a script that counts the key letters and kana that a box or line drawn
# after them (so above them) overlaps on the screen; the count comes back as the page's title.
sed 's|</body>|<script>\
let covered = 0;\
for (const svg of document.querySelectorAll("svg.keyboard")) {\
  const drawn = [...svg.querySelectorAll("rect, path, line, text")];\
  drawn.forEach((label, i) => {\
    if (!label.matches("text.keyname, text.kana")) return;\
    const a = label.getBoundingClientRect();\
    for (const later of drawn.slice(i + 1)) {\
      if (later.matches("text")) continue;\
      const b = later.getBoundingClientRect();\
      if (b.width > 0 \&\& b.height > 0 \&\& b.left < a.right \&\& a.left < b.right \&\&\
          b.top < a.bottom \&\& a.top < b.bottom) { covered++; break; }\
    }\
  });\
}\
document.title = "covered " + covered;\
</script></body>|' "$page" >"$work/probe.html"
browse profile-probe --window-size=$width,$height --dump-dom "file://$work/probe.html" \
  >"$work/probe-dom.html" 2>/dev/null

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

grep -q '<title>covered 0</title>' "$work/probe-dom.html" ||
  fail "boxes or lines are drawn over key letters or kana: $(grep -o '<title>[^<]*' "$work/probe-dom.html")"

# The GraphML files read as they are, where networkx is installed.
graphs=$(ls "$work/graphml" | grep -c '\.graphml$' || true)
[ "$graphs" -eq "$expected" ] || fail "$graphs GraphML files for $expected network files"
if python3 -c 'import networkx' 2>/dev/null; then
  python3 - "$work/graphml" <<'EOF' || fail "networkx could not read the GraphML files (above)"
import pathlib, sys
import networkx
for path in sorted(pathlib.Path(sys.argv[1]).glob("*.graphml")):
    graph = networkx.read_graphml(path)
    assert graph.number_of_nodes() == 55, (path, graph.number_of_nodes())
    assert graph.number_of_edges() > 0, path
    assert all("key" in data and "row" in data for _, data in graph.nodes(data=True)), path
    assert all({"gap", "count", "kind"} <= set(data) for _, _, data in graph.edges(data=True)), path
EOF
else
  echo "networkx not installed: the GraphML files are not read back"
fi

# Strokes paid for: romaji, of more strokes, costs less and ranks first, against the names' order.
if [ -n "$kananet" ]; then
  mkdir -p "$work/example/result"
  cp -r "$example/kanasample.txt" "$example/layout" "$work/example/"
  printf '[weights]\nstrokes = -1\nsame_finger = 1\n' >"$work/example/cost.toml"
  (cd "$work/example" && "$kananet" >/dev/null && "$program" . --cost cost.toml >/dev/null)
  cat >"$work/example/result/probe.js" <<'EOF'
const rows = [...document.querySelectorAll("section.cost tbody tr")];
const costs = rows.map((row) => parseFloat(row.cells[1].innerText));
const shown = rows.every((row) => row.getBoundingClientRect().height > 0);
const ranked = costs.every((cost, i) => !isNaN(cost) && (i === 0 || costs[i - 1] <= cost));
document.title = "cost " + rows.map((row) => row.cells[0].innerText).join(",") +
  (shown && ranked ? " ranked" : " not shown or not ranked: " + costs.join(","));
EOF
  sed 's|</body>|<script src="probe.js"></script></body>|' "$work/example/result/report.html" \
    >"$work/example/result/probe.html"
  browse profile-cost --window-size=$width,$height --dump-dom \
    "file://$work/example/result/probe.html" >"$work/cost-dom.html" 2>/dev/null
  # Every bundled layout is ranked, romaji first.
  grep -q '<title>cost romaji,[^<]* ranked</title>' "$work/cost-dom.html" ||
    fail "the Cost table: $(grep -o '<title>[^<]*' "$work/cost-dom.html")"
fi

if grep ':CONSOLE' "$work/page.log"; then
  fail "the page wrote to the console (above)"
fi

if [ $failed -ne 0 ]; then
  exit 1
fi
echo "OK: $keyboards keyboards, screenshot $shot_size bytes (empty page $blank_size): $work/report.png"

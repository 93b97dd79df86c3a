#!/bin/sh
# Remakes docs/report-example.png, the report manual's picture: the bundled example run
# through kananet and kananet-report (with jis-kana as the baseline), shot by headless Chromium.
# Usage: docs/make-report-example.sh [BUILD_DIR]   (default build/release; needs chromium and a
# Japanese font such as Debian's fonts-ipafont-gothic)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r examples "$work/example"
mkdir "$work/example/result"
(cd "$work/example" && "$OLDPWD/$build/src/kananet" >/dev/null &&
  "$OLDPWD/$build/src/report/kananet-report" . --baseline jis-kana >/dev/null)
chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --user-data-dir="$work/profile" \
  --window-size=1280,2600 --screenshot="$PWD/docs/report-example.png" \
  "file://$work/example/result/report.html" >/dev/null 2>&1
echo "wrote docs/report-example.png"

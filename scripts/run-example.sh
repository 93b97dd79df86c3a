#!/usr/bin/env bash
# Builds the release binary and runs it on a fresh copy of the bundled example in
# build/example/, so the source tree stays untouched, then draws the results as an HTML page.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --workflow --preset release >/dev/null
rm -rf build/example
cp -r examples build/example
mkdir -p build/example/result
cd build/example
status=0
../release/src/kananet || status=$?
echo
echo "Network files (Pajek format) in build/example/result/:"
ls -1 result/*.net
../release/src/report/kananet-report result -o result/report.html || status=$?
echo "Open build/example/result/report.html in a browser to see the layouts side by side."
exit "$status"

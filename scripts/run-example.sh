#!/usr/bin/env bash
# Installs the build packages this machine lacks, builds the release programs and runs them on a
# fresh copy of the bundled example in build/example/, so the source tree stays untouched: the
# network files, then the HTML page that draws them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh example
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

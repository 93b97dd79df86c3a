#!/usr/bin/env bash
# Builds the release binary and runs it on a fresh copy of the bundled example in
# build/example/, so the source tree stays untouched.
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
ls -1 result/
exit "$status"

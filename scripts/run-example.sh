#!/usr/bin/env bash
# Installs the build packages this machine lacks, builds the release programs and runs them on a
# fresh copy of the bundled example in build/example/, so the source tree stays untouched: the
# network files, then the HTML page that draws them. Each step says what it does first; the
# build shows its progress, as a first build takes minutes.
set -euo pipefail
cd "$(dirname "$0")/.."

cat <<'EOF'
run-example.sh: builds kananet and its companion programs (release build, in build/release/),
then runs them on a copy of examples/ in build/example/. A first run compiles everything:
about 3 minutes on two cores, after installing any missing packages. Later runs rebuild only
what changed and take seconds.

EOF

echo "[1/4] Checking the build packages (scripts/install-deps.sh example)"
scripts/install-deps.sh example

echo "[2/4] Configuring and building the release programs in build/release/"
mkdir -p build
# The configure step's report is long and rarely of interest: it is shown only when it fails.
if ! cmake --preset release >build/release-configure.log 2>&1; then
  cat build/release-configure.log >&2
  echo "run-example.sh: configuring failed (above; kept in build/release-configure.log)" >&2
  exit 1
fi
# Ninja prints one line per step ([12/140] Building ...), redrawn in place on a terminal.
cmake --build --preset release

echo
echo "[3/4] Running kananet on a fresh copy of examples/ in build/example/"
rm -rf build/example
cp -r examples build/example
mkdir -p build/example/result
cd build/example
status=0
../release/src/kananet || status=$?
echo
echo "Network files (Pajek format) in build/example/result/:"
ls -1 result/*.net

echo
echo "[4/4] Drawing them with kananet-report"
../release/src/report/kananet-report result -o result/report.html || status=$?
echo "Open build/example/result/report.html in a browser to see the layouts side by side."
exit "$status"

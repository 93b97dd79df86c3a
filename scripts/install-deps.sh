#!/usr/bin/env bash
# Installs with apt-get the Debian packages that a task needs and this machine lacks:
#   scripts/install-deps.sh example   build the release programs (scripts/run-example.sh)
#   scripts/install-deps.sh test      build and run every test (scripts/test.sh)
#   scripts/install-deps.sh ci        the tests, the format check and the browser test (.ci/run)
# As root it installs them; otherwise through sudo when there is sudo; otherwise it prints the
# apt-get line to run and stops with status 1.
set -euo pipefail

build=(g++ cmake ninja-build)
# kananet-sample (src/sample) reads text through MeCab with its IPA dictionary in UTF-8.
# kananet-search and kananet-report --cost read the search file (TOML, src/cost) with toml++.
# pandoc makes the manual pages from docs/ (the programs build without it, without the pages).
programs=("${build[@]}" libmecab-dev mecab-ipadic-utf8 libtomlplusplus-dev pandoc)
tests=("${programs[@]}" clang libclang-rt-14-dev libgtest-dev)
case "${1:-}" in
  example) packages=("${programs[@]}") ;;
  test) packages=("${tests[@]}") ;;
  ci) packages=("${tests[@]}" clang-format chromium) ;;
  *)
    echo "Usage: $0 example|test|ci" >&2
    exit 2
    ;;
esac

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null; then
  sudo=(sudo)
else
  echo "Missing packages: ${missing[*]}. As root, run:" >&2
  echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}"

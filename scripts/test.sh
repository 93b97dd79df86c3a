#!/usr/bin/env bash
# Builds and runs every test: warning-free with g++, then again with clang++ under
# AddressSanitizer and UndefinedBehaviorSanitizer. Installs the packages it lacks first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test
cmake --workflow --preset test
cmake --workflow --preset asan

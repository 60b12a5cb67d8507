#!/usr/bin/env bash
# Configures build/release the one way scripts/run.sh and scripts/test.sh both
# use, so that neither rebuilds what the other built: warnings as errors, the
# tests and the desktop program on, no sanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
exec cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENMARK_WERROR=ON \
  -DBRENMARK_TESTS=ON -DBRENMARK_GUI=ON -DBRENMARK_SANITIZE=OFF -DBRENMARK_TSAN=OFF "$@"

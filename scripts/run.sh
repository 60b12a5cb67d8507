#!/usr/bin/env bash
# Installs what is needed, builds Brenmark and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENMARK_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
exec build/release/shell/cli/brenmark-cli "${@:-drives}"

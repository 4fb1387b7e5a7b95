#!/usr/bin/env bash
# Builds everything and runs the whole test suite under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
source "$root/scripts/wine-env.sh"
cd "${BUILD_DIR:-$root/build}"
ctest --output-on-failure -j4 --timeout 600 "$@"

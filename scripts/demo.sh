#!/usr/bin/env bash
# Runs the real cuevoice.exe under Wine and shows what it speaks.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >/dev/null
source "$root/scripts/wine-env.sh"
bin=${BUILD_DIR:-$root/build}/bin
demo=$(mktemp -d)
echo "== cuevoice.exe --version"
wine "$bin/cuevoice.exe" --version
echo "== cuevoice.exe (normal start; standard output carries the log)"
cp "$bin/nvda_standin.dll" "$demo/nvdaControllerClient.dll"
cp "$bin/cuevoice.exe" "$demo/"
NVDA_STANDIN_LOG="Z:${demo//\//\\}\\spoken.txt" wine "$demo/cuevoice.exe" || echo "(exit code $?)"
echo "== spoken through the NVDA stand-in"
cat "$demo/spoken.txt" 2>/dev/null || true
rm -rf "$demo"

#!/usr/bin/env bash
# Runs the real cuevoice.exe under Wine: its switches, then a normal start, showing what it speaks.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >/dev/null
source "$root/scripts/wine-env.sh"
bin=${BUILD_DIR:-$root/build}/bin
demo=$(mktemp -d)
windows() { echo "Z:${1//\//\\}"; }

echo "== cuevoice.exe --version"
wine "$bin/cuevoice.exe" --version
echo "== cuevoice.exe --find-mixxx"
wine "$bin/cuevoice.exe" --find-mixxx || echo "(exit code $?)"
echo "== cuevoice.exe --list-controls (first 10 of $(wine "$bin/cuevoice.exe" --list-controls | wc -l))"
wine "$bin/cuevoice.exe" --list-controls | head -n 10
echo "== cuevoice.exe --write-keys keys.txt (first 30 lines)"
wine "$bin/cuevoice.exe" --write-keys "$(windows "$demo/keys.txt")"
head -n 30 "$demo/keys.txt" | tr -d '\r'

echo "== cuevoice.exe (normal start; standard output carries the log)"
cp "$bin/nvda_standin.dll" "$demo/nvdaControllerClient.dll"
cp "$bin/cuevoice.exe" "$demo/"
mkdir -p "$demo/profile"
wine cmd /c "set APPDATA=$(windows "$demo/profile")&& set LOCALAPPDATA=$(windows "$demo/profile")&& set NVDA_STANDIN_LOG=$(windows "$demo/spoken.txt")&& $(windows "$demo/cuevoice.exe")" \
    || echo "(exit code $?)"
echo "== spoken through the NVDA stand-in"
cat "$demo/spoken.txt" 2>/dev/null || true
rm -rf "$demo"

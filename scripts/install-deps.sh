#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need (Debian packages only). The one
# list of them: CI calls this script too. Does nothing when all are installed; otherwise runs
# apt-get as root, through sudo when not root. FORCE_APT=1 updates and installs them all anyway.
set -euo pipefail
packages=(cmake make mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth xdotool
          googletest nlohmann-json3-dev libtomlplusplus-dev imagemagick python3 libxtst6 patch
          clang libclang-rt-14-dev clang-tidy)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${FORCE_APT:-0}" = 1 ]; then
    missing=("${packages[@]}")
fi
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "install-deps.sh: to install: ${missing[*]}; apt-get needs root: run it as root or install sudo" >&2
        exit 1
    fi
    as_root=(sudo)
fi
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"

#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need (Debian packages only).
set -euo pipefail
packages=(cmake make mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth xdotool
          googletest nlohmann-json3-dev libtomlplusplus-dev imagemagick)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ "${FORCE_APT:-0}" = 1 ]; then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${packages[@]}"
fi

#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when they are missing.
set -euo pipefail
packages=(cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev file
          g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

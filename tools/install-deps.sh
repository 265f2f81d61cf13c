#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when they are missing.
set -euo pipefail
packages=(cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev file
          g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
          g++-mingw-w64-x86-64 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
          wine wine32:i386 wine64 xvfb xauth x11-apps netpbm)
# wine32 comes from the i386 architecture, which Debian leaves off until asked.
if [ "$(dpkg --print-architecture)" = amd64 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
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

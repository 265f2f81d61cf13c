#!/usr/bin/env bash
# The test command: installs what it needs, builds the host and Windows targets, runs all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash tools/install-deps.sh

cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build/win32 -j"$jobs"

cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug -DWINDOWS_BUILD_DIR="$PWD/build/win32"
cmake --build build/host -j"$jobs"
ctest --test-dir build/host --output-on-failure -j"$jobs"

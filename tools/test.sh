#!/usr/bin/env bash
# The test command: installs what it needs, builds the host and Windows targets, runs all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash tools/install-deps.sh

cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build/win32 -j"$jobs"
# The same sources for x86-64 Windows: the scenarios under Wine run these where this machine
# cannot execute 32-bit x86 code.
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build/win64 -j"$jobs"

cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug -DWINDOWS_BUILD_DIR="$PWD/build/win32" \
    -DWINDOWS64_BUILD_DIR="$PWD/build/win64"
cmake --build build/host -j"$jobs"
# Wine was installed above, so a scenario under Wine that cannot run is a failure, not a skip.
export WINE_TESTS_REQUIRED=${WINE_TESTS_REQUIRED:-1}
ctest --test-dir build/host --output-on-failure -j"$jobs"

# Sanitizer build of the host tests, and short fuzz runs.
bash tools/reliability.sh

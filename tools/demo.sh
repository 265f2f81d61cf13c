#!/usr/bin/env bash
# The demo: installs what it needs, builds, makes a Wine prefix, runs the setup program from the
# sample medium unattended (sample driver package, test class installer standing in for the one
# Windows brings), and reports what changed. The prefix is kept for a look afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

bash tools/install-deps.sh

echo "== building"
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
    --no-warn-unused-cli >/dev/null
cmake --build build/win32 -j"$jobs" >/dev/null
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    # This machine cannot run 32-bit x86 code: the same sources, built for x86-64 Windows.
    cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
        -DCMAKE_BUILD_TYPE=Release --no-warn-unused-cli >/dev/null
    cmake --build build/win64 -j"$jobs" >/dev/null
fi

export WINDOWS_BUILD_DIR=$root/build/win32 WINDOWS64_BUILD_DIR=$root/build/win64
export WINE_TEST_DIR=$root/build/demo WINE_TEST_KEEP=1 WINE_TESTS_REQUIRED=1
# shellcheck source=../tests/wine/lib.sh
source tests/wine/lib.sh
# From here on a missing value is something to report, not a reason to stop.
set +eu +o pipefail
wt_require_wine
echo "== making a Wine prefix"
wt_make_template >/dev/null || exit 1
wt_begin demo >/dev/null
wt_install_class_installer >/dev/null
wt_copy_medium
# Source paths as an installed Windows has them, for the source-path helper to redirect.
setup_key='SOFTWARE\Microsoft\Windows\CurrentVersion\Setup'
wt_reg_add "HKLM\\$setup_key" SourcePath REG_SZ 'D:\I386'
wt_reg_add "HKLM\\$setup_key" ServicePackSourcePath REG_SZ 'D:\SP'

echo "== running ${wt_medium_win}Tarnwick.exe /unattended /log=C:\\setup.log"
started=$(date +%s.%N)
wt_run "${wt_medium_win}Tarnwick.exe" /unattended '/log=C:\setup.log'
code=$?
seconds=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN {printf "%.1f", b - a}')
# The source-path helper runs beside the setup; give it a moment to finish.
entry=SOURCE_PATH_UPDATE_STARTUP_RUNONCE_ZELNORA_TECH
for _ in $(seq 50); do
    wt_reg_get "$WT_RUN_KEY" "$entry" >/dev/null && break
    sleep 0.1
done

log="$WINEPREFIX/drive_c/setup.log"
driver_key="$WT_CLASS_KEY\\0000"
enum_key="HKLM\\SYSTEM\\CurrentControlSet\\Enum\\$WT_ADAPTER_ID\\00000000"
indent() { sed 's/^/    /'; }
reg_values() { wine reg query "$1" </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/^    //p'; }

echo
echo "== what changed (exit code $code, $seconds s; $WT_ARCH_TEXT)"
echo "device matched:"
echo "    $WT_ADAPTER_ID\\00000000  class $(wt_reg_get "$enum_key" Class)  $(wt_reg_get "$enum_key" ClassGUID)"
echo "driver installed (HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\$WT_DISPLAY_CLASS\\0000):"
for value in DriverDesc InfPath InfSection ProviderName; do
    data=$(wt_reg_get "$driver_key" "$value") && echo "    $value = $data"
done
echo "settings values (...\\0000\\Settings):"
reg_values "$driver_key\\Settings" | indent
echo "files copied:"
tr -d '\r' <"$log" | sed -n 's/^copy .* -> //p' | indent
[ -f "$WINEPREFIX/drive_c/windows/system32/drivers/vldisp.sys" ] &&
    echo '    C:\windows\system32\drivers\vldisp.sys (the driver package)'
echo "program group and items:"
group_dir="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Display Utility"
echo "    C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Display Utility"
for link in "$group_dir"/*.lnk; do
    [ -f "$link" ] || continue
    name=$(basename "$link")
    target=$(wt_run "$WT_TOOLS/wtool.exe" link "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Display Utility\\$name" |
        sed -n 's/^target=//p')
    echo "    $name -> $target"
done
echo "install record C:\\windows\\velsetup.log:"
tr -d '\r' <"$WINEPREFIX/drive_c/windows/velsetup.log" | indent
echo "start-up entries (HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run):"
reg_values "$WT_RUN_KEY" | indent
echo "source paths (HKLM\\$setup_key), until the next log-on:"
reg_values "HKLM\\$setup_key" | grep -i 'SourcePath' | indent
echo "setup log: $(tr -d '\r' <"$log" | tail -n 1)"
echo
echo "The prefix is kept in $WINEPREFIX (the setup log is its drive_c/setup.log)."
echo "Look around with:  WINEPREFIX=$WINEPREFIX $WT_WINE regedit"
echo "(Wine rebuilds the display adapter's driver key when a new session starts, so the driver"
echo "key values above are read in the installation's own session.)"

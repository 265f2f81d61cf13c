#!/usr/bin/env bash
# Benchmark under Wine (a script, not a test): wall time of the setup program's unattended full
# install against a program that does nothing, both started the same way in one warm session;
# median of 5 runs each, and the ratio. Then the size of every program and library on the medium.
# Needs the Windows builds (tools/test.sh or tools/demo.sh makes them).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${BENCH_RUNS:-5}

export WINDOWS_BUILD_DIR=$root/build/win32 WINDOWS64_BUILD_DIR=$root/build/win64
export WINE_TEST_DIR=$root/build/bench WINE_TESTS_REQUIRED=1
# shellcheck source=../tests/wine/lib.sh
source tests/wine/lib.sh
set +eu +o pipefail
wt_require_wine
wt_require_file "$WT_TOOLS/wtool.exe"
[ -d "$WT_TEMPLATE" ] || wt_make_template >/dev/null || exit 1
wt_begin bench >/dev/null
wt_install_class_installer >/dev/null
wt_copy_medium
# The source-path helper would run beside the setup and outlive the timing: left off.
wt_ini_set "$wt_medium/setupNT.ini" UPDATE_SOURCE_PATH 0

# Prints the wall time of one run in milliseconds.
time_run() {
    local start end
    start=$(date +%s%N)
    wt_run "$@" >/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

# One warm-up of each, so both are measured with the session and the files warm.
time_run "$WT_TOOLS/wtool.exe" noop >/dev/null
time_run "${wt_medium_win}Tarnwick.exe" /unattended '/log=C:\bench.log' >/dev/null

noop=() install=()
for _ in $(seq "$runs"); do
    noop+=("$(time_run "$WT_TOOLS/wtool.exe" noop)")
    install+=("$(time_run "${wt_medium_win}Tarnwick.exe" /unattended '/log=C:\bench.log')")
done
outcome=$(tr -d '\r' <"$WINEPREFIX/drive_c/bench.log" | tail -n 1)
noop_median=$(printf '%s\n' "${noop[@]}" | median)
install_median=$(printf '%s\n' "${install[@]}" | median)

echo "$WT_ARCH_TEXT; median of $runs runs in one warm session"
echo "  do-nothing program:     ${noop_median} ms   (runs: ${noop[*]})"
echo "  unattended full install: ${install_median} ms   (runs: ${install[*]}; log: $outcome)"
awk -v a="$install_median" -v b="$noop_median" \
    'BEGIN {if (b > 0) printf "  ratio: %.1f\n", a / b}'
echo "sizes (bytes):"
for build in "$WINDOWS_BUILD_DIR" "$WINDOWS64_BUILD_DIR"; do
    [ -d "$build/medium" ] || continue
    echo "  $(basename "$build")/medium:"
    for f in "$build"/medium/*; do
        case ${f,,} in
        *.exe | *.dll) printf '    %-14s %8d\n' "$(basename "$f")" "$(stat -c %s "$f")" ;;
        esac
    done
done

# Shared by the scenarios under Wine: the prefix template, one wine server per scenario, registry
# and file helpers, and checks that say what they look at. Sourced, never run.
#
# Environment a scenario gets from CTest (or sets by hand):
#   WINDOWS_BUILD_DIR   the Windows build (build/win32), holding the programs under test
#   WINE_TEST_DIR       where prefixes live (build/host/wine); never inside the source tree
#   WINE_TESTS_REQUIRED set to 1 to fail, not skip, where Wine cannot run 32-bit programs
#   WINE_TEST_KEEP      set to 1 to keep a scenario's prefix after a pass (a failure keeps it)
#   WINE_TEST_RUN_TIMEOUT  seconds one program may run (60); a hang then fails, not blocks
# shellcheck disable=SC2034  # constants the scenarios use
set -u

WT_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WT_WIN_BUILD=${WINDOWS_BUILD_DIR:-$WT_SOURCE_DIR/build/win32}
WT_DIR=${WINE_TEST_DIR:-$WT_SOURCE_DIR/build/wine}
WT_TEMPLATE=$WT_DIR/template
WT_TOOLS=$WT_WIN_BUILD/tests/wine/win32
WT_DRIVER_DIR=$WT_SOURCE_DIR/medium/driver

# The adapter every Wine prefix has, and the class its driver belongs to.
WT_ADAPTER_ID='PCI\VEN_0000&DEV_0000&SUBSYS_00000000&REV_00'
WT_DISPLAY_CLASS='{4D36E968-E325-11CE-BFC1-08002BE10318}'
WT_CLASS_KEY="HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\$WT_DISPLAY_CLASS"
WT_SETUP_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Setup'
WT_RUN_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
WT_REQUEST_KEY='HKLM\SOFTWARE\DisplaySetupTests\ClassInstaller'

export WINEARCH=win32 WINEDEBUG=-all
# Windows run headless through the null graphics driver the template selects; an X display
# inherited from the caller would only slow them down.
unset DISPLAY WINEDLLOVERRIDES

wt_passed=0
wt_failed=0
wt_prefix=

wt_log() { printf '%s\n' "$*"; }

# Why Wine cannot run our 32-bit programs here, or nothing when it can.
wt_unavailable_reason() {
    local tool
    for tool in wine wineserver wineboot; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "Wine is not installed ($tool not found)"
            return
        fi
    done
    local out
    if ! out=$(wine --version 2>&1); then
        echo "the 32-bit Wine loader cannot start on this machine: ${out%%$'\n'*}"
    fi
}

# Skips the scenario (CTest's skip code 77) where Wine cannot run, unless told it must.
wt_require_wine() {
    local reason
    reason=$(wt_unavailable_reason)
    [ -z "$reason" ] && return 0
    if [ "${WINE_TESTS_REQUIRED:-0}" = 1 ]; then
        echo "FAIL: $reason"
        exit 1
    fi
    echo "SKIP: $reason"
    exit 77
}

wt_require_file() {
    if [ ! -f "$1" ]; then
        echo "FAIL: $1 is missing (build the Windows targets first)"
        exit 1
    fi
}

# Makes the 32-bit prefix every scenario copies. Runs once per test run.
wt_make_template() {
    local building=$WT_DIR/template.new
    mkdir -p "$WT_DIR"
    rm -rf "$building" "$WT_TEMPLATE"
    wt_log "making the prefix template in $WT_TEMPLATE"
    if ! WINEPREFIX=$building wineboot -i </dev/null >"$WT_DIR/template.log" 2>&1; then
        echo "FAIL: wineboot -i failed; see $WT_DIR/template.log"
        return 1
    fi
    WINEPREFIX=$building wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
        </dev/null >>"$WT_DIR/template.log" 2>&1
    # A crash ends the program instead of waiting for a debugger no one will use.
    WINEPREFIX=$building wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Debugger /f </dev/null >>"$WT_DIR/template.log" 2>&1
    # Proof that our own 32-bit programs start, before any scenario depends on it.
    if [ -f "$WT_TOOLS/wtool.exe" ] &&
        ! WINEPREFIX=$building wine "$WT_TOOLS/wtool.exe" noop </dev/null >>"$WT_DIR/template.log" 2>&1; then
        echo "FAIL: a 32-bit test program does not start in the new prefix; see $WT_DIR/template.log"
        return 1
    fi
    # The server writes the registry files when it ends.
    WINEPREFIX=$building wineserver -w
    if ! grep -q '"Graphics"="null"' "$building/user.reg"; then
        echo "FAIL: the null graphics driver did not reach the template's user.reg"
        return 1
    fi
    mv "$building" "$WT_TEMPLATE"
}

# Gives the scenario its own copy of the template and one persistent server for it, so every
# result is read in the session that produced it (a new session rebuilds the adapter's driver
# key). The server is stopped when the scenario's shell exits.
wt_begin() {
    local name=$1
    if [ ! -d "$WT_TEMPLATE" ]; then
        echo "FAIL: no prefix template at $WT_TEMPLATE (run the wine_template test first)"
        exit 1
    fi
    wt_prefix=$WT_DIR/scenarios/$name
    export WINEPREFIX=$wt_prefix
    rm -rf "$wt_prefix" "$wt_prefix.stderr"
    mkdir -p "$WT_DIR/scenarios"
    cp -a --reflink=auto "$WT_TEMPLATE" "$wt_prefix"
    trap wt_end EXIT
    wineserver -p
    # The first process of a session starts helpers that inherit its standard streams.
    wine cmd /c exit 0 </dev/null >/dev/null 2>&1
    wt_log "scenario $name in $wt_prefix"
}

wt_end() {
    local status=$?
    [ -n "$wt_prefix" ] || return
    WINEPREFIX=$wt_prefix wineserver -k 2>/dev/null
    WINEPREFIX=$wt_prefix wineserver -w 2>/dev/null
    if [ "$status" -ne 0 ] && [ -s "$wt_prefix.stderr" ]; then
        wt_log "last lines the programs wrote to standard error:"
        tail -n 20 "$wt_prefix.stderr" | sed 's/^/    /'
    fi
    if [ "$status" -eq 0 ] && [ "${WINE_TEST_KEEP:-0}" != 1 ]; then
        rm -rf "$wt_prefix" "$wt_prefix.stderr"
    else
        wt_log "prefix kept in $wt_prefix"
    fi
}

# Runs a program in the scenario's prefix with no console input. Its output is passed on with
# the carriage returns of Windows text mode removed; its exit code is returned (124 when it ran
# longer than WINE_TEST_RUN_TIMEOUT seconds, 60 unless told).
wt_run() {
    timeout "${WINE_TEST_RUN_TIMEOUT:-60}" wine "$@" </dev/null 2>>"$wt_prefix.stderr" | tr -d '\r'
    return "${PIPESTATUS[0]}"
}

wt_reg_add() { # key value type data
    wine reg add "$1" /v "$2" /t "$3" /d "$4" /f </dev/null >/dev/null 2>&1
}

wt_reg_delete() { # key value
    wine reg delete "$1" /v "$2" /f </dev/null >/dev/null 2>&1
}

# Prints a value's data as reg shows it (DWORDs as 0x...); fails when the value is missing.
wt_reg_get() { # key value
    local out line prefix="    $2    "
    out=$(wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r') || return 1
    while IFS= read -r line; do
        if [[ $line == "$prefix"* ]]; then
            line=${line#"$prefix"}
            printf '%s\n' "${line#*    }"
            return 0
        fi
    done <<<"$out"
    return 1
}

# Prints "type=<n> size=<n> hex=<bytes>" for a value, exactly as stored; "missing" and a failure
# when it is not there.
wt_reg_bytes() { # HKLM|HKCU key-without-root value
    wt_run "$WT_TOOLS/wtool.exe" regdump "$@"
}

# The bytes as a REG_SZ value written with or without its terminating NUL would hold them.
wt_sz_bytes() { # text [nul]
    local hex size=${#1}
    hex=$(printf '%s' "$1" | od -An -v -tx1 | tr -d ' \n')
    if [ "${2:-}" = nul ]; then
        hex=${hex}00
        size=$((size + 1))
    fi
    printf 'type=1 size=%d hex=%s\n' "$size" "$hex"
}

# A Windows path of the prefix as a path on this machine.
wt_unix_path() {
    wine winepath -u "$1" </dev/null 2>/dev/null | tr -d '\r'
}

wt_check() { # description command...
    local what=$1
    shift
    if "$@"; then
        wt_passed=$((wt_passed + 1))
        wt_log "ok   $what"
    else
        wt_failed=$((wt_failed + 1))
        wt_log "FAIL $what"
    fi
}

wt_expect() { # description expected actual
    if [ "$2" = "$3" ]; then
        wt_passed=$((wt_passed + 1))
        wt_log "ok   $1"
    else
        wt_failed=$((wt_failed + 1))
        wt_log "FAIL $1"
        wt_log "       expected: $2"
        wt_log "       actual:   $3"
    fi
}

# Stops the scenario at once when something it builds on failed.
wt_must() { # description command...
    local what=$1
    shift
    if ! "$@"; then
        wt_log "FAIL $what"
        exit 1
    fi
    wt_log "ok   $what"
}

wt_finish() {
    wt_log "$wt_passed passed, $wt_failed failed"
    [ "$wt_failed" -eq 0 ]
}

# Shared by the scenarios under Wine: the prefix template, one wine server per scenario, registry
# and file helpers, and checks that say what they look at. Sourced, never run.
#
# The scenarios run the 32-bit build in a 32-bit prefix where this machine can execute 32-bit x86
# code. Where it cannot (some kernels lack 32-bit support), they run the same sources built for
# x86-64 Windows in a 64-bit prefix; every scenario says which.
#
# Environment a scenario gets from CTest (or sets by hand):
#   WINDOWS_BUILD_DIR   the 32-bit Windows build (build/win32)
#   WINDOWS64_BUILD_DIR the x86-64 Windows build (build/win64), used where 32-bit code cannot run
#   WINE_TEST_ARCH      win32 or win64 to choose instead of finding out
#   WINE_TEST_DIR       where prefixes live (build/host/wine); never inside the source tree
#   WINE_TESTS_REQUIRED set to 1 to fail, not skip, where Wine cannot run our programs
#   WINE_TEST_KEEP      set to 1 to keep a scenario's prefix after a pass (a failure keeps it)
#   WINE_TEST_RUN_TIMEOUT  seconds one program may run (60); a hang then fails, not blocks
# shellcheck disable=SC2034  # constants the scenarios use
set -u

WT_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WT_DIR=${WINE_TEST_DIR:-$WT_SOURCE_DIR/build/wine}
WT_DRIVER_DIR=$WT_SOURCE_DIR/medium/driver
# Debian's loaders; /usr/bin/wine always takes the 32-bit one when it is installed.
WT_WINE32=${WINE_LOADER32:-/usr/lib/wine/wine}
WT_WINE64=${WINE_LOADER64:-/usr/lib/wine/wine64}

# The adapter every Wine prefix has, and the class its driver belongs to.
WT_ADAPTER_ID='PCI\VEN_0000&DEV_0000&SUBSYS_00000000&REV_00'
WT_DISPLAY_CLASS='{4D36E968-E325-11CE-BFC1-08002BE10318}'
WT_CLASS_KEY="HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\$WT_DISPLAY_CLASS"
WT_SETUP_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Setup'
WT_RUN_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
WT_REQUEST_KEY='HKLM\SOFTWARE\DisplaySetupTests\ClassInstaller'

# win32 or win64: which build and prefix this machine can run; empty when neither.
wt_pick_arch() {
    case ${WINE_TEST_ARCH:-} in
    win32 | win64)
        echo "$WINE_TEST_ARCH"
        return
        ;;
    esac
    if [ -x "$WT_WINE32" ] && "$WT_WINE32" --version >/dev/null 2>&1; then
        echo win32
    elif [ -x "$WT_WINE64" ] && "$WT_WINE64" --version >/dev/null 2>&1; then
        echo win64
    fi
}

WT_ARCH=$(wt_pick_arch)
if [ "$WT_ARCH" = win64 ]; then
    WT_WINE=$WT_WINE64
    WT_WIN_BUILD=${WINDOWS64_BUILD_DIR:-$WT_SOURCE_DIR/build/win64}
    WT_ARCH_TEXT="the x86-64 build in a 64-bit prefix (this machine cannot run 32-bit x86 code)"
    # Processes the loader starts on its own (wineboot, services) must use the same loader.
    export WINELOADER=$WT_WINE64
else
    WT_WINE=$WT_WINE32
    WT_WIN_BUILD=${WINDOWS_BUILD_DIR:-$WT_SOURCE_DIR/build/win32}
    WT_ARCH_TEXT="the 32-bit build in a 32-bit prefix"
fi
WT_TEMPLATE=$WT_DIR/template-${WT_ARCH:-none}
WT_TOOLS=$WT_WIN_BUILD/tests/wine/win32

export WINEARCH=${WT_ARCH:-win32} WINEDEBUG=-all
# Windows run headless through the null graphics driver the template selects; an X display
# inherited from the caller would only slow them down.
unset DISPLAY WINEDLLOVERRIDES

wine() { "$WT_WINE" "$@"; }

wt_passed=0
wt_failed=0
wt_prefix=

wt_log() { printf '%s\n' "$*"; }

# Why Wine cannot run our 32-bit programs here, or nothing when it can.
wt_unavailable_reason() {
    if ! command -v wineserver >/dev/null 2>&1; then
        echo "Wine is not installed (wineserver not found)"
        return
    fi
    if [ -z "$WT_ARCH" ]; then
        local out
        out=$("$WT_WINE32" --version 2>&1)
        echo "neither Wine loader starts on this machine ($WT_WINE32: ${out%%$'\n'*})"
    fi
}

# Skips the scenario (CTest's skip code 77) where Wine cannot run, unless told it must.
wt_require_wine() {
    local reason
    reason=$(wt_unavailable_reason)
    if [ -z "$reason" ]; then
        wt_log "runs $WT_ARCH_TEXT"
        return 0
    fi
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

# Makes the prefix every scenario copies. Runs once per test run.
wt_make_template() {
    local building=$WT_DIR/template.new
    mkdir -p "$WT_DIR"
    rm -rf "$building" "$WT_TEMPLATE"
    wt_log "making the prefix template in $WT_TEMPLATE"
    if ! WINEPREFIX=$building wine wineboot -i </dev/null >"$WT_DIR/template.log" 2>&1; then
        echo "FAIL: wineboot -i failed; see $WT_DIR/template.log"
        return 1
    fi
    WINEPREFIX=$building wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
        </dev/null >>"$WT_DIR/template.log" 2>&1
    # A crash ends the program instead of waiting for a debugger no one will use.
    WINEPREFIX=$building wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Debugger /f </dev/null >>"$WT_DIR/template.log" 2>&1
    # Proof that our own programs start, before any scenario depends on it.
    if [ -f "$WT_TOOLS/wtool.exe" ] &&
        ! WINEPREFIX=$building wine "$WT_TOOLS/wtool.exe" noop </dev/null >>"$WT_DIR/template.log" 2>&1; then
        echo "FAIL: a test program does not start in the new prefix; see $WT_DIR/template.log"
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
    timeout "${WINE_TEST_RUN_TIMEOUT:-60}" "$WT_WINE" "$@" </dev/null 2>>"$wt_prefix.stderr" | tr -d '\r'
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

# For checks that something is not so: wt_check "..." wt_not grep ...
wt_not() { ! "$@"; }

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

# The class installer Windows would bring, for this prefix only; "reboot" makes it ask for a
# restart after each installation.
wt_install_class_installer() { # [reboot]
    cp "$WT_TOOLS/testclassinst.dll" "$WINEPREFIX/drive_c/windows/system32/"
    wt_must "test class installer registered for the Display class" \
        wt_reg_add "$WT_CLASS_KEY" Installer32 REG_SZ "testclassinst.dll,TestClassInstaller"
    if [ "${1:-}" = reboot ]; then
        wt_must "class installer told to ask for a restart" \
            wt_reg_add "$WT_REQUEST_KEY" FlagsAfterInstall REG_DWORD 256
    fi
}

# The Windows build's medium folder, copied to a folder of the prefix whose name holds a blank,
# as a CD's or a download's often does. Sets wt_medium (path here) and wt_medium_win.
wt_copy_medium() {
    wt_require_file "$WT_WIN_BUILD/medium/Tarnwick.exe"
    wt_medium_win='C:\Velora Medium\'
    wt_medium="$WINEPREFIX/drive_c/Velora Medium"
    rm -rf "$wt_medium"
    cp -r "$WT_WIN_BUILD/medium" "$wt_medium"
}

# Sets a symbol of a setupNT.ini: replaces its line, or adds one at the top of [Symbols].
wt_ini_set() { # file name value
    local file=$1 name=$2 value=$3 escaped
    escaped=$(printf '%s' "$value" | sed 's/[\\&|]/\\&/g')
    if grep -qi "^$name=" "$file"; then
        sed -i "s|^$name=.*|$name=$escaped|I" "$file"
    else
        sed -i "s|^\\[Symbols\\]|&\\n$name=$escaped|I" "$file"
    fi
}

# Writes the script the robot plays (one step per line, from standard input) into the prefix
# and runs it; the robot's report is printed and kept in $wt_prefix.robot.
wt_robot() {
    local status
    cat >"$WINEPREFIX/drive_c/robot.txt"
    # The robot's hook library must sit beside it.
    cp "$WT_TOOLS/robot.exe" "$WT_TOOLS/robothook.dll" "$WINEPREFIX/drive_c/"
    wt_run 'C:\robot.exe' 'C:\robot.txt' >"$wt_prefix.robot"
    status=$?
    sed 's/^/    robot: /' "$wt_prefix.robot"
    return $status
}

# What the robot read at its n-th "show" step: the caption line and one line per control.
wt_robot_shown() { # n
    awk -v n="$1" '/^> / {on = 0} /^> show/ && ++seen == n {on = 1; next} on' "$wt_prefix.robot"
}

# The pictures the robot drew, as PNG files in the build folder's picture folder.
wt_keep_pictures() {
    local bmp out=$WT_DIR/pictures
    command -v bmptopnm >/dev/null 2>&1 || return 0
    mkdir -p "$out"
    for bmp in "$WINEPREFIX"/drive_c/pictures/*.bmp; do
        [ -f "$bmp" ] || continue
        bmptopnm "$bmp" 2>/dev/null | pnmtopng >"$out/$(basename "$bmp" .bmp).png" 2>/dev/null
    done
}

# The values the sample driver package's two settings sections write below a driver key.
wt_check_settings_values() { # driver key
    local name data
    while read -r name data; do
        wt_expect "Settings value $name" "$data" "$(wt_reg_get "$1\\Settings" "$name")"
    done <<'TABLE'
VeloraPanelName Velora Display Panel
VeloraDefaultRefresh 0x4b
VeloraDualView 0x0
VeloraOpenGLDriver vlogl32
VeloraOpenGLVersion 0x2
VeloraOpenGLSwapInterval 0x1
TABLE
}

# After Brinmoor's start-up entry has run as at log-on: both source paths hold their former
# bytes again, and the backups and the entry are gone.
wt_check_source_paths_restored() { # setup key, run key, entry, former SourcePath, former ServicePackSourcePath
    local setup_key=$1 run_key=$2 entry=$3 value
    wt_expect "SourcePath restored byte for byte" "$4" "$(wt_reg_bytes HKLM "$setup_key" SourcePath)"
    wt_expect "ServicePackSourcePath restored byte for byte" "$5" \
        "$(wt_reg_bytes HKLM "$setup_key" ServicePackSourcePath)"
    for value in SourcePath.BackupByZelnora ServicePackSourcePath.BackupByZelnora; do
        wt_expect "$value deleted" missing "$(wt_reg_bytes HKLM "$setup_key" "$value")"
    done
    wt_expect "the start-up entry deleted" missing "$(wt_reg_bytes HKLM "$run_key" "$entry")"
}

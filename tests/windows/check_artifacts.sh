#!/usr/bin/env bash
# Checks the Windows build's programs: PE32 GUI executables importing only what they may.
set -u
dir=${1:?usage: check_artifacts.sh WINDOWS_BUILD_DIR}
objdump=i686-w64-mingw32-objdump
passed=0 failed=0
check() { # description, command...
    local what=$1; shift
    if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); echo "ok   $what"
    else failed=$((failed + 1)); echo "FAIL $what"; fi
}
imports() { $objdump -p "$1" | sed -n 's/^\tDLL Name: //p' | tr 'a-z' 'A-Z' | sort -u | tr '\n' ' '; }

exe=$dir/setup/Tarnwick.exe
check "Tarnwick.exe is a PE32 GUI program" bash -c "file '$exe' | grep -q 'PE32 executable (GUI) Intel 80386'"
tarnwick_imports=$(imports "$exe")
echo "     Tarnwick.exe imports: $tarnwick_imports"
check "Tarnwick.exe imports exactly the system and toolkit DLLs" \
    test "$tarnwick_imports" = "ADVAPI32.DLL KERNEL32.DLL MSCOMSTF.DLL MSINSSTF.DLL MSSHLSTF.DLL MSUILSTF.DLL MSVCRT.DLL SETUPAPI.DLL USER32.DLL "
check "Tarnwick.exe takes the toolkit functions by their plain names" \
    bash -c "$objdump -p '$exe' | grep -qw InitializeFrame && ! $objdump -p '$exe' | grep -q 'InitializeFrame@'"

brin=$dir/srcpath/Brinmoor.EXE
if [ -f "$brin" ]; then
    check "Brinmoor.EXE is a PE32 GUI program" bash -c "file '$brin' | grep -q 'PE32 executable (GUI) Intel 80386'"
    brin_imports=$(imports "$brin")
    echo "     Brinmoor.EXE imports: $brin_imports ($(stat -c %s "$brin") bytes)"
    check "Brinmoor.EXE imports kernel32 and advapi32 only" test "$brin_imports" = "ADVAPI32.DLL KERNEL32.DLL "
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Checks the Windows build: the programs and the toolkit's libraries (what they import and
# export, the dialog library's resources) and the assembled medium folder.
set -u
dir=${1:?usage: check_artifacts.sh WINDOWS_BUILD_DIR}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
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

# ---- The toolkit's libraries
exports() { # the exported names, sorted, one line
    $objdump -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^\t\[ *[0-9]*\] //p' | sort | tr '\n' ' '
}
sorted() { printf '%s\n' "$@" | sort | tr '\n' ' '; }
shl="InitializeFrame HwndFrame HinstFrame TerminateFrame FSetBitmap FSetSymbolValue HShowWaitCursor FRestoreCursor"
ins="FInitializeInstall TerminateInstall ProSetPos SetSizeCheckMode ResetCopyList GrcCopyFilesInCopyList FCreateProgManGroup FShowProgManGroup FCreateProgManItem"
com="FOpenInf CbGetSymbolValue UsGetListLength CbGetListItem FAddListItem DoMsgBox FValidDir FAddSectionFilesToCopyList"
uil="FDoDialogExt FKillNDialogs"
procs="FInfoDlgProc FQuitDlgProc FCustInstDlgProc FInfo0DlgProc FHelpDlgProc"
tk_names() { for n in "$@"; do echo "Tk$n"; done; }
toolkit=$dir/toolkit
# MSCOMSTF.DLL holds every function: its own under their names, the others' under Tk names for
# the forwarders, and two entries of its own for the dialog library.
declare -A expected=(
    [MSSHLSTF.DLL]="$(sorted $shl)"
    [MSINSSTF.DLL]="$(sorted $ins)"
    [MSUILSTF.DLL]="$(sorted $uil)"
    [MSCOMSTF.DLL]="$(sorted $com $(tk_names $shl $ins $uil) TkFReplaceListItem TkShowDialogHelp)"
    [mscuistf.dll]="$(sorted $procs)"
)
for lib in MSSHLSTF.DLL MSCOMSTF.DLL MSINSSTF.DLL MSUILSTF.DLL mscuistf.dll; do
    f=$toolkit/$lib
    check "$lib is a PE32 DLL" bash -c "file '$f' | grep -q 'PE32 executable (DLL).* Intel 80386'"
    got=$(exports "$f")
    check "$lib exports exactly its functions, undecorated" test "$got" = "${expected[$lib]}"
    [ "$got" = "${expected[$lib]}" ] || echo "     got:      $got" && true
    libimports=$(imports "$f")
    check "$lib needs nothing but system DLLs and the toolkit ($libimports)" \
        bash -c "! echo '$libimports' | tr ' ' '\n' | grep -v -E '^(KERNEL32|USER32|GDI32|SHELL32|OLE32|MSVCRT|MSCOMSTF|MSSHLSTF)\.DLL$' | grep -q ."
done
for pair in MSSHLSTF.DLL:"$shl" MSINSSTF.DLL:"$ins" MSUILSTF.DLL:"$uil"; do
    lib=${pair%%:*}
    forwards=$($objdump -p "$toolkit/$lib" | sed -n 's/.*Forwarder RVA -- //p' | sort | tr '\n' ' ')
    check "$lib forwards every function to MSCOMSTF.DLL" \
        test "$forwards" = "$(sorted $(for n in ${pair#*:}; do echo "MSCOMSTF.Tk$n"; done))"
done

# Resources of the dialog library as type:id pairs (2 bitmap, 5 dialog).
resources=$($objdump -p "$toolkit/mscuistf.dll" | awk '
    /^[0-9a-f]+   Entry: ID: / { type = substr($4, 3, 6); next }
    /^[0-9a-f]+     Entry: ID: / { print type, substr($4, 3, 6) }' |
    while read -r type id; do echo "$((16#$type)):$((16#$id))"; done | sort -t: -k1,1n -k2,2n | tr '\n' ' ')
echo "     mscuistf.dll resources (type:id): $resources"
check "mscuistf.dll holds the dialogs 100 200 400 900 6200 6201 6400 and bitmap 1" \
    test "$resources" = "2:1 5:100 5:200 5:400 5:900 5:6200 5:6201 5:6400 "

# ---- The control-panel utility
cpl=$dir/dispcpl/DispCpl.exe
check "DispCpl.exe is a PE32 GUI program" bash -c "file '$cpl' | grep -q 'PE32 executable (GUI) Intel 80386'"
check "DispCpl.exe imports system DLLs only" \
    test "$(imports "$cpl")" = "GDI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL "

# ---- The medium
medium=$dir/medium
want=(Tarnwick.exe MSSHLSTF.DLL MSCOMSTF.DLL MSINSSTF.DLL MSUILSTF.DLL mscuistf.dll DispCpl.exe
      setupNT.ini readme.txt dispcpl.ini)
[ -f "$brin" ] && want+=(Brinmoor.EXE)
for f in "$source_dir"/medium/driver/*; do [ -f "$f" ] && want+=("$(basename "$f")"); done
check "the medium holds exactly the programs, libraries, settings, utility and driver package" \
    test "$(ls "$medium" | sort | tr '\n' ' ')" = "$(sorted "${want[@]}")"
check "the medium's files are the ones just built" bash -c "
    cmp -s '$exe' '$medium/Tarnwick.exe' && cmp -s '$cpl' '$medium/DispCpl.exe' &&
    for l in MSSHLSTF.DLL MSCOMSTF.DLL MSINSSTF.DLL MSUILSTF.DLL mscuistf.dll; do
        cmp -s '$toolkit/'\$l '$medium/'\$l || exit 1; done"
check "the driver's INF file lies in the medium's root" bash -c "ls '$medium' | grep -qi '\.inf$'"
symbols="UPDATE_SOURCE_PATH APP_BITMAP APP_TITLE APP_DEST_PATH STF_SRCDIR APP_PROGRAM_GROUP
    APP_PROGRAM_ITEM_NAME1 APP_PROGRAM_ITEM_FILE1 APP_STARTUP APP_INSTALL_UTILITY
    APP_INSTALL_DRIVER CLASS ID_1 MORE_CLASS_1 MORE_ID_1"
missing=$(for s in $symbols; do grep -q "^;\? *$s=" "$medium/setupNT.ini" || echo "$s"; done | tr '\n' ' ')
check "setupNT.ini names every symbol${missing:+ (missing: $missing)}" test -z "$missing"
check "setupNT.ini matches the Wine display adapter" grep -q '^ID_1=VEN_0000&DEV_0000' "$medium/setupNT.ini"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Brinmoor started from a medium folder whose name holds a blank: it redirects both source paths
# and registers its start-up entry; the entry's command, run as Windows runs it at log-on, puts
# both values back byte for byte and removes the backups and the entry.
source "$(dirname "$0")/lib.sh"
brinmoor=$WT_WIN_BUILD/srcpath/Brinmoor.EXE
wt_require_wine
wt_require_file "$brinmoor"
wt_require_file "$WT_TOOLS/wtool.exe"
wt_begin brinmoor

setup_key='SOFTWARE\Microsoft\Windows\CurrentVersion\Setup'
run_key='SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
entry=SOURCE_PATH_UPDATE_STARTUP_RUNONCE_ZELNORA_TECH
medium_win='C:\Velora Medium\'
mkdir -p "$WINEPREFIX/drive_c/Velora Medium"
cp "$brinmoor" "$WINEPREFIX/drive_c/Velora Medium/Brinmoor.EXE"

# Former values as Windows keeps them: REG_SZ with the terminating NUL counted.
wt_must "SourcePath set" wt_reg_add "HKLM\\$setup_key" SourcePath REG_SZ 'E:\Original Source\I386'
wt_must "ServicePackSourcePath set" wt_reg_add "HKLM\\$setup_key" ServicePackSourcePath REG_SZ 'F:\sp6\'
source_before=$(wt_reg_bytes HKLM "$setup_key" SourcePath)
pack_before=$(wt_reg_bytes HKLM "$setup_key" ServicePackSourcePath)
wt_expect "SourcePath before the run" "$(wt_sz_bytes 'E:\Original Source\I386' nul)" "$source_before"
temp=$(wt_run "$WT_TOOLS/wtool.exe" paths | sed -n 's/^temp=//p')
wt_must "the temporary folder is known ($temp)" test -n "$temp"
copy_win="${temp}Brinmoor.EXE"

echo "redirect: $medium_win""Brinmoor.EXE 0"
wt_run "${medium_win}Brinmoor.EXE" 0
wt_expect "the redirect run exits with 0" 0 $?
# Brinmoor hands over the text without its NUL; the system stores one anyway when the byte after
# the data is a NUL, as Windows NT does, so that is what a reader sees.
redirected=$(wt_sz_bytes "$medium_win" nul)
wt_expect "SourcePath holds the medium folder" "$redirected" \
    "$(wt_reg_bytes HKLM "$setup_key" SourcePath)"
wt_expect "ServicePackSourcePath holds the medium folder" "$redirected" \
    "$(wt_reg_bytes HKLM "$setup_key" ServicePackSourcePath)"
wt_expect "SourcePath's backup holds its former bytes" "$source_before" \
    "$(wt_reg_bytes HKLM "$setup_key" SourcePath.BackupByZelnora)"
wt_expect "ServicePackSourcePath's backup holds its former bytes" "$pack_before" \
    "$(wt_reg_bytes HKLM "$setup_key" ServicePackSourcePath.BackupByZelnora)"
wt_expect "the start-up entry runs the copy, its path quoted" "$(wt_sz_bytes "\"$copy_win\" 1" nul)" \
    "$(wt_reg_bytes HKLM "$run_key" "$entry")"
wt_check "the copy in $copy_win is the program" cmp -s "$brinmoor" "$(wt_unix_path "$copy_win")"

echo "log-on: the start-up entry's command"
out=$(wt_run "$WT_TOOLS/wtool.exe" runkey "$run_key" "$entry")
status=$?
sed 's/^/    /' <<<"$out"
wt_expect "the restore run exits with 0" 0 "$status"
wt_check_source_paths_restored "$setup_key" "$run_key" "$entry" "$source_before" "$pack_before"
wt_finish

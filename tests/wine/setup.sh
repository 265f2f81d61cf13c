#!/usr/bin/env bash
# The setup program from the Windows build's medium, run under Wine as a user or an unattended
# installation runs it, with the sample driver package and the test class installer.
# Usage: setup.sh <case>
#   full-reboot     unattended full install; the class installer asks for a restart
#   full-noreboot   the same; no restart asked for
#   no-match        no device matches: the robot reads the warning box
#   no-driver       APP_INSTALL_DRIVER=0: the robot sees dialog 6201; nothing on the device
#   custom          the robot holds the custom-install conversation
#   source-path     UPDATE_SOURCE_PATH=1: the source-path helper redirects, then log-on restores
#   overflow        a value at its limit: the robot meets "Buffer Overflow", then the fatal
#                   dialog; nothing installed
source "$(dirname "$0")/lib.sh"
case_name=${1:?usage: setup.sh <case>}
wt_require_wine
for f in wtool.exe robot.exe robothook.dll testclassinst.dll; do wt_require_file "$WT_TOOLS/$f"; done
wt_require_file "$WT_WIN_BUILD/medium/Tarnwick.exe"
wt_begin "setup-$case_name"

ini=
log_win='C:\setup.log'
log="$WINEPREFIX/drive_c/setup.log"
windows="$WINEPREFIX/drive_c/windows"
dest_win='C:\Program Files\Display Utility\'
dest="$WINEPREFIX/drive_c/Program Files/Display Utility"
programs="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
driver_key="$WT_CLASS_KEY\\0000"
enum_key="HKLM\\SYSTEM\\CurrentControlSet\\Enum\\$WT_ADAPTER_ID\\00000000"
warning_text='The device is not present or not configured correctly!\n\nPlease check then restart your Windows.'

# A medium like the sample, changed as the case needs: the source-path helper off unless asked
# for, and a font file so that all three file sections copy something.
prepare_medium() {
    wt_copy_medium
    ini="$wt_medium/setupNT.ini"
    wt_ini_set "$ini" UPDATE_SOURCE_PATH 0
    printf 'VELORA-FONT\r\n' >"$wt_medium/velsym.fon"
    printf 'velsym.fon\r\n' >>"$ini"
}

run_unattended() {
    local before
    before=$({ wc -l <"$wt_prefix.stderr"; } 2>/dev/null || echo 0)
    WINEDEBUG=-all,fixme+setupapi wt_run "${wt_medium_win}Tarnwick.exe" /unattended "/log=$log_win"
    status=$?
    # What Wine noted about SETUPAPI calls it does not carry out, from this run only.
    tail -n +"$((before + 1))" "$wt_prefix.stderr" >"$wt_prefix.fixme" 2>/dev/null
    wt_expect "the setup program exits with 0" 0 "$status"
    sed 's/^/    log: /' "$log" 2>/dev/null
}

log_has() { grep -qxF -- "$1" <(tr -d '\r' <"$log"); }
last_log_line() { tr -d '\r' <"$log" | tail -n 1; }

check_utility_installed() { # destination (Windows path with final backslash) and its folder here
    local dest_win=$1 dest=$2 f
    for f in DispCpl.exe readme.txt; do
        wt_check "$f copied to the destination" cmp -s "$wt_medium/$f" "$dest/$f"
    done
    wt_check "dispcpl.ini copied to the Windows folder" cmp -s "$wt_medium/dispcpl.ini" "$windows/dispcpl.ini"
    wt_check "velsym.fon copied to the Fonts folder" cmp -s "$wt_medium/velsym.fon" "$windows/Fonts/velsym.fon"
    local record="$windows/velsetup.log"
    wt_expect "install record: program group" "Display Utility" \
        "$(tr -d '\r' <"$record" | sed -n '/^\[program group\]/,/^\[/s/^name=//p')"
    wt_expect "install record: install directory" "$dest_win" \
        "$(tr -d '\r' <"$record" | sed -n '/^\[install directory\]/,/^\[/s/^path=//p')"
    local group="$programs/Display Utility"
    wt_check "the program group is a Start Menu folder" test -d "$group"
    wt_expect "item Display Control Panel runs the utility" "target=${dest_win}DispCpl.exe" \
        "$(wt_run "$WT_TOOLS/wtool.exe" link "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Display Utility\\Display Control Panel.lnk" | head -n 1)"
    wt_expect "item Display Utility Read Me opens the read-me" "target=${dest_win}readme.txt" \
        "$(wt_run "$WT_TOOLS/wtool.exe" link "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Display Utility\\Display Utility Read Me.lnk" | head -n 1)"
    wt_expect "start-up entry, its program path quoted" "\"${dest_win}DispCpl.exe\"" \
        "$(wt_reg_get "$WT_RUN_KEY" "Display Utility")"
}

check_nothing_on_device() {
    wt_check "no driver installed on the adapter (no InfSection)" \
        test -z "$(wt_reg_get "$driver_key" InfSection)"
    wt_check "no Settings key under the driver key" \
        wt_not wine reg query "$driver_key\\Settings" </dev/null >/dev/null 2>&1
    wt_check "the class installer was never asked to install" \
        wt_not grep -qs '^dif=2 ' "$windows/testclassinst.log"
    wt_check "the driver file is not in the drivers folder" test ! -e "$windows/system32/drivers/vldisp.sys"
}

check_driver_installed() {
    wt_expect "the adapter's class GUID" "$WT_DISPLAY_CLASS" "$(wt_reg_get "$enum_key" ClassGUID)"
    wt_expect "driver installed: install section" Velora_Install "$(wt_reg_get "$driver_key" InfSection)"
    wt_expect "driver installed: INF values" 1.2.0.0 "$(wt_reg_get "$driver_key" VeloraDriverVersion)"
    wt_check "the driver file is in the drivers folder" \
        cmp -s "$WT_DRIVER_DIR/vldisp.sys" "$windows/system32/drivers/vldisp.sys"
    wt_check_settings_values "$driver_key"
}

case $case_name in
full-reboot | full-noreboot)
    if [ "$case_name" = full-reboot ]; then wt_install_class_installer reboot; else wt_install_class_installer; fi
    prepare_medium
    run_unattended
    check_utility_installed "$dest_win" "$dest"
    check_driver_installed
    # Wine's restart prompt shows nothing; its call is seen in the system's own notes.
    if [ "$case_name" = full-reboot ]; then
        wt_check "the restart prompt is called" grep -q SetupPromptReboot "$wt_prefix.fixme"
    else
        wt_check "no restart prompt" wt_not grep -q SetupPromptReboot "$wt_prefix.fixme"
    fi
    wt_check "the warning is never shown" wt_not grep -q '^msgbox' "$log"
    wt_expect "the log's last line" completed "$(last_log_line)"
    ;;

no-match)
    wt_install_class_installer
    prepare_medium
    wt_ini_set "$ini" ID_1 'VEN_DEAD&DEV_BEEF'
    wt_ini_set "$ini" APP_INSTALL_UTILITY 0
    mkdir -p "$WINEPREFIX/drive_c/pictures"
    wt_robot <<EOF
start "${wt_medium_win}Tarnwick.exe" /log=$log_win
window Welcome
show
render C:\\pictures\\dialog-100-welcome.bmp
click Continue
window SETUP WARNING:
show
render C:\\pictures\\setup-warning.bmp
click OK
exit
EOF
    wt_expect "the robot played its script to the end" 0 $?
    wt_expect "the setup program exits with 0" "exit=0" "$(grep '^exit=' "$wt_prefix.robot")"
    shown=$(wt_robot_shown 2)
    wt_expect "the warning's caption" "caption: SETUP WARNING:" "$(head -n 1 <<<"$shown")"
    wt_check "the warning's text, exactly" grep -qxF -- "control: Static 65535: $warning_text" <<<"$shown"
    wt_expect "the warning's one button" OK "$(sed -n 's/^control: Button [0-9]*: //p' <<<"$shown")"
    check_nothing_on_device
    wt_check "the utility is not installed" test ! -e "$dest"
    wt_expect "the log's last line" completed "$(last_log_line)"
    ;;

no-driver)
    wt_install_class_installer
    prepare_medium
    wt_ini_set "$ini" APP_INSTALL_DRIVER 0
    mkdir -p "$WINEPREFIX/drive_c/pictures"
    wt_robot <<EOF
start "${wt_medium_win}Tarnwick.exe" /log=$log_win
window Custom Installation
show
render C:\\pictures\\dialog-6201-custom-install-drivers-fixed.bmp
click Continue
exit
EOF
    wt_expect "the robot played its script to the end" 0 $?
    wt_expect "the setup program exits with 0" "exit=0" "$(grep '^exit=' "$wt_prefix.robot")"
    wt_check "the log names dialog 6201" log_has "dialog 6201"
    controls=$(wt_robot_shown 1)
    wt_check "the utility's box is offered, ticked" \
        grep -qx 'control: Button [0-9]* checked: Display Control Panel Utility' <<<"$controls"
    wt_check "the drivers' box is shown but cannot be changed" \
        grep -qx 'control: Button [0-9]* disabled[a-z ]*: Windows NT Display Drivers' <<<"$controls"
    check_utility_installed "$dest_win" "$dest"
    check_nothing_on_device
    wt_check "no warning" wt_not grep -q '^msgbox' "$log"
    wt_expect "the log's last line" completed "$(last_log_line)"
    ;;

custom)
    wt_install_class_installer
    prepare_medium
    mkdir -p "$WINEPREFIX/drive_c/pictures"
    # An unusable folder, leaving and declining from both dialogs, then a good folder with the
    # drivers unticked.
    wt_robot <<EOF
start "${wt_medium_win}Tarnwick.exe" /log=$log_win
window Custom Installation
show
render C:\\pictures\\dialog-6200-custom-install.bmp
window Display Driver Setup
render C:\\pictures\\frame.bmp
window Custom Installation
click Help
window Setup Help
render C:\\pictures\\dialog-900-help.bmp
click OK
gone Setup Help
window Custom Installation
type 1 C:\\bad|path
click Continue
window Folder Not Usable
show
render C:\\pictures\\dialog-6400-folder-not-usable.bmp
click Exit Setup
window Exit Setup
render C:\\pictures\\dialog-200-exit-setup.bmp
click Continue Setup
gone Exit Setup
window Folder Not Usable
click OK
gone Folder Not Usable
window Custom Installation
click Exit Setup
window Exit Setup
click Continue Setup
gone Exit Setup
window Custom Installation
type 1 C:\\Robot Utility
check Windows NT Display Drivers off
show
click Continue
exit
EOF
    wt_expect "the robot played its script to the end" 0 $?
    wt_expect "the setup program exits with 0" "exit=0" "$(grep '^exit=' "$wt_prefix.robot")"
    wt_check "the folder offered is the configured one without its final backslash" \
        grep -qx 'control: Edit [0-9]*: C:\\Program Files\\Display Utility' "$wt_prefix.robot"
    wt_check "the bad folder brought the bad-path dialog" log_has "dialog 6400"
    wt_expect "the dialogs in the order the user met them" \
        "6200 6400 200 6400 6200 200 6200" \
        "$(tr -d '\r' <"$log" | sed -n 's/^dialog \([0-9]*\)$/\1/p' | tr '\n' ' ' | sed 's/ $//')"
    wt_check "the accepted folder and components are logged" \
        log_has 'answer 6200: CONTINUE | folder C:\Robot Utility | components ON OFF'
    check_utility_installed 'C:\Robot Utility\' "$WINEPREFIX/drive_c/Robot Utility"
    wt_check "nothing in the configured folder" test ! -e "$dest"
    check_nothing_on_device
    wt_check "no warning (the drivers were unticked)" wt_not grep -q '^msgbox' "$log"
    wt_expect "the log's last line" completed "$(last_log_line)"
    ;;

source-path)
    wt_install_class_installer
    prepare_medium
    wt_ini_set "$ini" UPDATE_SOURCE_PATH 1
    setup_key='SOFTWARE\Microsoft\Windows\CurrentVersion\Setup'
    run_key='SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
    entry=SOURCE_PATH_UPDATE_STARTUP_RUNONCE_ZELNORA_TECH
    wt_must "SourcePath set" wt_reg_add "HKLM\\$setup_key" SourcePath REG_SZ 'E:\Original Source\I386'
    wt_must "ServicePackSourcePath set" wt_reg_add "HKLM\\$setup_key" ServicePackSourcePath REG_SZ 'F:\sp6\'
    source_before=$(wt_reg_bytes HKLM "$setup_key" SourcePath)
    pack_before=$(wt_reg_bytes HKLM "$setup_key" ServicePackSourcePath)
    run_unattended
    # The helper runs beside the setup, which does not wait for it.
    for _ in $(seq 100); do
        wt_reg_get "HKLM\\$run_key" "$entry" >/dev/null && break
        sleep 0.1
    done
    temp=$(wt_run "$WT_TOOLS/wtool.exe" paths | sed -n 's/^temp=//p')
    redirected=$(wt_sz_bytes "$wt_medium_win" nul)
    wt_expect "SourcePath points at the medium folder" "$redirected" "$(wt_reg_bytes HKLM "$setup_key" SourcePath)"
    wt_expect "ServicePackSourcePath points at the medium folder" "$redirected" \
        "$(wt_reg_bytes HKLM "$setup_key" ServicePackSourcePath)"
    wt_expect "SourcePath's backup holds its former bytes" "$source_before" \
        "$(wt_reg_bytes HKLM "$setup_key" SourcePath.BackupByZelnora)"
    wt_expect "the helper's start-up entry, its path quoted" "\"${temp}Brinmoor.EXE\" 1" \
        "$(wt_reg_get "HKLM\\$run_key" "$entry")"
    wt_expect "the log's last line" completed "$(last_log_line)"
    echo "log-on: the start-up entry's command"
    out=$(wt_run "$WT_TOOLS/wtool.exe" runkey "$run_key" "$entry")
    wt_expect "the restore run exits with 0" 0 $?
    wt_check_source_paths_restored "$setup_key" "$run_key" "$entry" "$source_before" "$pack_before"
    ;;

overflow)
    wt_install_class_installer
    prepare_medium
    # 255 characters where the program reads at most 254.
    wt_ini_set "$ini" APP_DEST_PATH "C:\\$(printf 'x%.0s' $(seq 252))"
    mkdir -p "$WINEPREFIX/drive_c/pictures"
    wt_robot <<EOF
start "${wt_medium_win}Tarnwick.exe" /log=$log_win
window MS-Setup Error
show
render C:\\pictures\\buffer-overflow.bmp
click OK
window Setup Error
show
render C:\\pictures\\dialog-400-setup-error.bmp
click OK
exit
EOF
    wt_expect "the robot played its script to the end" 0 $?
    wt_expect "the setup program exits with 0" "exit=0" "$(grep '^exit=' "$wt_prefix.robot")"
    wt_check "first the box: Buffer Overflow" grep -qx 'control: Static [0-9]*: Buffer Overflow' \
        <(wt_robot_shown 1)
    wt_check "then the fatal dialog" grep -q '^control: Static [0-9]*: Setup could not complete' \
        <(wt_robot_shown 2)
    wt_check "the log has the box with its caption" log_has "msgbox [MS-Setup Error] Buffer Overflow -> OK"
    wt_expect "the log says failed" "failed: Buffer Overflow" "$(last_log_line)"
    wt_check "nothing copied to the Windows folder" test ! -e "$windows/dispcpl.ini"
    wt_check "no install record" test ! -e "$windows/velsetup.log"
    wt_check "no program group" test ! -e "$programs/Display Utility"
    wt_check "no start-up entry" wt_not wt_reg_get "$WT_RUN_KEY" "Display Utility"
    check_nothing_on_device
    ;;

*)
    echo "FAIL: unknown case $case_name"
    exit 1
    ;;
esac
wt_keep_pictures
wt_finish

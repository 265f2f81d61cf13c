#!/usr/bin/env bash
# The device installation the setup program makes, walked by devprobe against Wine's adapter
# with the sample driver package and the test class installer.
# Usage: device_install.sh reboot|noreboot (whether the class installer asks for a reboot).
source "$(dirname "$0")/lib.sh"
mode=${1:?usage: device_install.sh reboot|noreboot}
wt_require_wine
for f in devprobe.exe wtool.exe testclassinst.dll; do wt_require_file "$WT_TOOLS/$f"; done
wt_begin "device-install-$mode"

# The class installer Windows would bring, for this prefix only.
cp "$WT_TOOLS/testclassinst.dll" "$WINEPREFIX/drive_c/windows/system32/"
wt_must "test class installer registered for the Display class" \
    wt_reg_add "$WT_CLASS_KEY" Installer32 REG_SZ "testclassinst.dll,TestClassInstaller"
if [ "$mode" = reboot ]; then
    wt_must "class installer told to ask for a reboot" \
        wt_reg_add "$WT_REQUEST_KEY" FlagsAfterInstall REG_DWORD 256
fi

# The package in a folder whose name holds a blank, as on a medium.
medium="$WINEPREFIX/drive_c/Velora Medium"
mkdir -p "$medium"
cp "$WT_DRIVER_DIR"/* "$medium/"

out=$(wt_run "$WT_TOOLS/devprobe.exe" 'C:\Velora Medium' "$WT_ADAPTER_ID")
status=$?
sed 's/^/    devprobe: /' <<<"$out"
field() { sed -n "s/^$1=//p" <<<"$out" | head -n 1; }
wt_must "devprobe ran to its end" grep -q '^matched=' <<<"$out"

wt_expect "devprobe ends with no failed step" 0 "$status"
wt_expect "\"Display\" resolves to the display class" "$WT_DISPLAY_CLASS" "$(field class_guid)"
wt_expect "the adapter is the one device matched" 1 "$(field matched)"
wt_expect "DIF_SELECTDEVICE succeeds" ok "$(field select_device)"
wt_expect "DIF_INSTALLDEVICE succeeds" ok "$(field install_device)"
wt_expect "selected driver's install section" Velora_Install "$(field section)"
wt_expect "selected driver's first hardware ID" "$WT_ADAPTER_ID" "$(field hardware_id)"
first=$(sed -n 's/^detail_first_read=//p' <<<"$out")
required=${first##*required=}
wt_expect "a fixed-size detail read fails with 122" "0 error=122" "${first% required=*}"
wt_check "it asks for more than 797 bytes (required=$required)" test "${required:-0}" -gt 797
inf_unix=$(wt_unix_path "$(field inf)")
wt_check "the selected driver's INF exists ($(field inf))" test -f "$inf_unix"
if [ "$mode" = reboot ]; then
    wt_expect "Windows asks for a restart after the installation" 1 "$(field restart_needed)"
else
    wt_expect "no restart asked for" 0 "$(field restart_needed)"
fi

driver_key=$(field driver_key)
wt_expect "the adapter's driver key" "$WT_DISPLAY_CLASS\\0000" "$driver_key"
key="HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\$driver_key"
while read -r name data; do
    wt_expect "driver key value $name" "$data" "$(wt_reg_get "$key" "$name")"
done <<'TABLE'
InfSection Velora_Install
VeloraDriverVersion 1.2.0.0
VeloraDriverFile vldisp.sys
TABLE
wt_check_settings_values "$key"
wt_check "the driver file is copied to the drivers folder" \
    cmp -s "$WT_DRIVER_DIR/vldisp.sys" "$WINEPREFIX/drive_c/windows/system32/drivers/vldisp.sys"

log="$WINEPREFIX/drive_c/windows/testclassinst.log"
sed 's/^/    class installer: /' "$log" 2>/dev/null
wt_check "the class installer handled DIF_SELECTDEVICE" grep -qs '^dif=1 result=0 ' "$log"
wt_check "the class installer handled DIF_INSTALLDEVICE" grep -qs '^dif=2 result=0 ' "$log"
wt_finish

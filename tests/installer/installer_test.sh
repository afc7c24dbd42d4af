#!/usr/bin/env bash
# An installer as a user meets it, in a fresh Wine prefix of its own, on a machine whose Outlook
# has the given bitness: refused while Outlook runs; a silent install with its files,
# registration of that bitness and uninstall entry; the Outlook stand-in of that bitness loading
# the add-in and showing the page from the installed DLLs; the RDO library check's outcome in
# install.log with the library missing, of the other bitness only and present; a reinstall over
# it that keeps the user's data; a silent uninstall that keeps it and leaves nothing else; one
# with /REMOVEDATA that removes it too.
#   installer_test.sh <wine_run.sh> <prefix> <BellnestSetup.exe | BellnestSetup-x64.exe>
#                     <outlook_running.exe> <bellnest_outlook.exe> <version> <folders> <bits>
# folders: the DLL folders the installer carries, "x64" or "x64 x86"; bits: Outlook's, "x64" or
# "x86" (the stand-in's). Outlook's bitness is set as Office writes it, so that the installer
# registers that bitness alone: Wine 8 keeps one per-user CLSID key for both bitnesses, where
# Windows keeps them apart, so with both registered per user the last one would win there.
set -uo pipefail
wine_run=$1 prefix=$(realpath -m "$2") setup=$3 outlook_running=$4 standin=$5 version=$6 folders=$7 bits=$8
# Office 2016 and later write Outlook's bitness; a 32-bit Office on 64-bit Windows, in the
# registry's 32-bit view.
view=/reg:64
[ "$bits" = x86 ] && view=/reg:32
# shellcheck source=prefix_checks.sh
. "$(dirname "$0")/prefix_checks.sh"
local_app_data=$prefix/drive_c/users/$(whoami)/AppData/Local
dir=$local_app_data/Programs/Bellnest
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Bellnest'
data_key='HKCU\Software\Quillfen\Bellnest'
log=$local_app_data/Bellnest/Bellnest.Log
installed_keys=("$uninstall_key" 'HKCU\Software\Classes\PPBellnest.UserControl1'
                'HKCU\Software\Classes\CLSID\{000B7368-EA3A-4B49-A569-67AD1777E3C9}'
                'HKCU\Software\Classes\Bellnest.Connect' 'HKCU\Software\Microsoft\Office\Outlook\Addins\Bellnest.Connect')
leftovers() {  # nothing of the installer may remain
  [ ! -e "$dir" ] || return 1
  for key in "${installed_keys[@]}"; do key_absent "$key" || return 1; done
}

# Office 2016 and later write Outlook's bitness; a 32-bit Office on 64-bit Windows, in the
# registry's 32-bit view.
view=/reg:64
[ "$bits" = x86 ] && view=/reg:32
wine reg add 'HKLM\Software\Microsoft\Office\16.0\Outlook' /v Bitness /d "$bits" /f $view >/dev/null
own_bits=64 other_bits=32 other_view=/reg:32
[ "$bits" = x86 ] && own_bits=32 other_bits=64 other_view=/reg:64
# A registration of the RDO library in one registry view, per machine (Wine 8 keeps one per-user
# CLSID key for both bitnesses); the stand-in serves its own under the same ProgID, so it goes
# before the stand-in runs.
rdo_clsid='{6A1F3C2E-9B4D-4E7A-8C15-2F0D7B6E9A31}'
rdo_register() {
  wine reg add 'HKLM\Software\Classes\QFSMAPI.QFSSession\CLSID' /ve /d "$rdo_clsid" /f >/dev/null
  wine reg add "HKLM\\Software\\Classes\\CLSID\\$rdo_clsid\\InprocServer32" /ve /d 'C:\RDO\rdo.dll' /f "$1" >/dev/null
}
rdo_unregister() {
  wine reg delete "HKLM\\Software\\Classes\\CLSID\\$rdo_clsid" /f /reg:32 >/dev/null 2>&1
  wine reg delete "HKLM\\Software\\Classes\\CLSID\\$rdo_clsid" /f /reg:64 >/dev/null 2>&1
  wine reg delete 'HKLM\Software\Classes\QFSMAPI.QFSSession' /f >/dev/null 2>&1
}
install_log() { tr -d '\r' <"$dir/install.log" 2>/dev/null; }

wine "$outlook_running" "Z:${setup//\//\\}" /S
check "refused while Outlook runs (exit code 2)" test $? -eq 2
check "nothing installed while Outlook runs" test ! -e "$dir"

start=$(date +%s%N)
wine "$setup" /S
code=$?
install_ms=$((($(date +%s%N) - start) / 1000000))
check "silent install exits 0" test $code -eq 0
echo "  RDO library missing: $(install_log | grep RDO)"
check "install.log: the RDO library missing for $own_bits-bit programs" grep -q "not registered for $own_bits-bit programs" <<<"$(install_log)"
check "install.log: what the page shows until then" grep -q "Could not establish RDO Session" <<<"$(install_log)"
check "installed Uninstall.exe" test -s "$dir/Uninstall.exe"
for folder in $folders; do
  for file in PPBellnest.dll BellnestConnect.dll bellnest.chm; do check "installed $folder/$file" test -s "$dir/$folder/$file"; done
done
for key in "${installed_keys[@]:1}"; do check "registered per user: ${key#HKCU\\Software\\}" key_present "$key"; done
check "uninstall entry: DisplayName" test "$(reg_value "$uninstall_key" DisplayName)" = Bellnest
check "uninstall entry: DisplayVersion $version" test "$(reg_value "$uninstall_key" DisplayVersion)" = "$version"
check "uninstall entry: Publisher" test "$(reg_value "$uninstall_key" Publisher)" = "Quillfen Systems, Inc."
for value in EstimatedSize DisplayIcon UninstallString QuietUninstallString; do
  check "uninstall entry: $value" test -n "$(reg_value "$uninstall_key" "$value")"
done
check "quiet uninstall is silent" grep -q 'Uninstall.exe" /S$' <<<"$(reg_value "$uninstall_key" QuietUninstallString)"
# Outlook starts, loads the add-in, which puts the page into the Options dialog: the page's
# help file is the one beside the installed DLL.
standin_run() {
  printf 'open\npaint\npageinfo\ntree\nclose\n' >"$prefix.script"
  # With a data folder, the stand-in leaves the product's keys and log in the prefix as it
  # found them (it copies them out there).
  mkdir -p "$prefix.standin"
  wine "$standin" --data "Z:${prefix//\//\\}.standin" --script "Z:${prefix//\//\\}.script" | tr -d '\r'
}
start=$(date +%s%N)
shown=$(standin_run)
standin_ms=$((($(date +%s%N) - start) / 1000000))
check "stand-in ($bits) shows the page from the installed DLL" grep -q "HelpFile: C:.*\\\\Programs\\\\Bellnest\\\\$bits\\\\bellnest.chm" <<<"$shown"
check "stand-in shows the mailbox's folders" grep -q '#1 Mailbox' <<<"$shown"

# The user's own data, as the page leaves it (an option the page only reads unless applied,
# and a log it only appends to).
wine reg add "$data_key" /v IncludeSubfolders /t REG_DWORD /d 1 /f >/dev/null
mkdir -p "$(dirname "$log")" && printf 'An Error occurred: earlier\r\n' >"$log"
user_data_kept() { test "$(reg_value "$data_key" IncludeSubfolders)" = 0x1 && grep -q '^An Error occurred: earlier' "$log"; }

rdo_register "$other_view"
wine "$setup" /S
check "reinstall exits 0" test $? -eq 0
echo "  RDO library of the other bitness only: $(install_log | grep RDO)"
check "install.log: the RDO library of the other bitness only" grep -q "registered for $other_bits-bit programs only" <<<"$(install_log)"
rdo_unregister
check "reinstall keeps the user's data" user_data_kept
check "stand-in shows the page after reinstall" grep -q '#1 Mailbox' <<<"$(standin_run)"

start=$(date +%s%N)
wine_wait "$dir/Uninstall.exe" /S
uninstall_ms=$((($(date +%s%N) - start) / 1000000))
check "uninstall leaves no file or key of the installer" leftovers
check "uninstall keeps the user's data" user_data_kept

rdo_register "$view"
wine "$setup" /S
echo "  RDO library present: $(install_log | grep RDO)"
check "install.log: the RDO library present, no warning" test "$(install_log | grep -c 'Could not establish')" = 0
check "install.log: where the RDO library is" grep -q "for $own_bits-bit programs: C:.RDO.rdo.dll" <<<"$(install_log)"
rdo_unregister
wine_wait "$dir/Uninstall.exe" /S /REMOVEDATA
check "uninstall /REMOVEDATA leaves nothing of the installer" leftovers
check "uninstall /REMOVEDATA removes the user's data" test ! -e "$log" -a ! -e "$(dirname "$log")"
check "uninstall /REMOVEDATA removes the settings key" key_absent 'HKCU\Software\Quillfen'

# The uninstall's time includes Wine winding down; as much as an empty program takes.
start=$(date +%s%N)
wine_wait cmd /c exit
idle_ms=$((($(date +%s%N) - start) / 1000000))
echo "under Wine: install $install_ms ms, uninstall $uninstall_ms ms (an empty program: $idle_ms ms)," \
     "stand-in run $standin_ms ms; installer $(stat -c %s "$setup") bytes"
echo "$((checks - failures)) passed, $failures failed"
[ $failures -eq 0 ]

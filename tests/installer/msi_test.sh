#!/usr/bin/env bash
# A Windows Installer package as an administrator deploys it, in a fresh Wine prefix of its own,
# per user or per machine: a silent install with its files and exactly the registration the
# DLLs' own DllInstall writes; the RDO library check's message and property with the library
# missing, present, and present only for the other bitness; the Outlook stand-in of that
# bitness loading the add-in and showing the page from the installed DLLs; a repair; a major
# upgrade to the next version that keeps the user's data; a silent uninstall that leaves the
# user's data and nothing else.
#   msi_test.sh <wine_run.sh> <prefix> <package.msi> <next version's package.msi>
#               <bellnest_outlook.exe> <registry_rows.exe> <bits: x64|x86> <scope: user|machine>
# Per user here is ALLUSERS="": what Windows Installer makes of ALLUSERS=2 MSIINSTALLPERUSER=1
# for a user without administrator rights. Wine's msiexec runs as an administrator and ignores
# MSIINSTALLPERUSER, so there ALLUSERS=2 would mean per machine.
set -uo pipefail
wine_run=$1 prefix=$(realpath -m "$2") package=$3 next_package=$4 standin=$5 registry_rows=$6 bits=$7 scope=$8
view=/reg:64 own_bits=64-bit other_view=/reg:32
[ "$bits" = x86 ] && view=/reg:32 own_bits=32-bit other_view=/reg:64
reg_view=$view
# shellcheck source=prefix_checks.sh
. "$(dirname "$0")/prefix_checks.sh"
windows() { local path=$(realpath -m "$1"); echo "Z:${path//\//\\}"; }
# A path in the prefix's drive C: as its programs see it.
in_prefix() { local path=${1#"$prefix/drive_c"}; echo "C:${path//\//\\}"; }

users=$prefix/drive_c/users/$(whoami)
if [ "$scope" = user ]; then
  # Last on the command line: Wine's msiexec takes the next argument as the value of a bare
  # "ALLUSERS=", and makes ALLUSERS="" a backslash.
  properties=(ALLUSERS=) hive=HKCU dir=$users/AppData/Local/Programs/Bellnest/$bits
else
  properties=(ALLUSERS=1) hive=HKLM dir="$prefix/drive_c/Program Files/Bellnest"
  [ "$bits" = x86 ] && dir="$prefix/drive_c/Program Files (x86)/Bellnest"
fi
classes="$hive\\Software\\Classes"
installed_keys=("$classes\\PPBellnest.UserControl1" "$classes\\Bellnest.Connect"
                "$classes\\CLSID\\{000B7368-EA3A-4B49-A569-67AD1777E3C9}" "$classes\\CLSID\\{2B8E4F17-93A5-4D6C-B0F2-8C7D1E5A3B69}"
                "$classes\\TypeLib\\{7BAA7E37-D593-4710-92E6-302846BB6524}" "$classes\\TypeLib\\{5C1E8A42-7D36-4B9F-A2E1-3F60B94D7C25}"
                "$classes\\Interface\\{4FCFDCC3-F341-4FDD-8984-632F386C4623}"
                "$hive\\Software\\Microsoft\\Office\\Outlook\\Addins\\Bellnest.Connect")
leftovers() {  # nothing of the package may remain
  [ ! -e "$dir" ] || return 1
  for key in "${installed_keys[@]}"; do key_absent "$key" || return 1; done
}
data_key='HKCU\Software\Quillfen\Bellnest'
log=$users/AppData/Local/Bellnest/Bellnest.Log

# Outlook's bitness as Office writes it (see installer_test.sh), so that the stand-in of this
# bitness is the Outlook here.
wine reg add 'HKLM\Software\Microsoft\Office\16.0\Outlook' /v Bitness /d "$bits" /f "$view" >/dev/null

# msiexec <log name> <arguments...>: a silent run with a verbose log; the exit code.
msi() {
  local name=$1
  shift
  wine msiexec "$@" /qn /l*v "$(windows "$prefix.$name.log")" "${properties[@]}"
}
# The version Add/Remove Programs lists for a product code (Wine lists per-user products under
# the machine too), in either registry view; empty when it is not listed.
listed_version() {
  local key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" v
  for v in /reg:64 /reg:32; do
    wine reg query "$key" /v DisplayVersion "$v" 2>/dev/null | tr -d '\r' | awk '$1 == "DisplayVersion" { print $3 }' | grep . && return
  done
}
product_code() { grep -a 'ProductCode = ' "$prefix.$1.log" | tail -1 | tr -d '\r' | sed 's/.*ProductCode = //'; }
rdo_message() { grep -a 'BELLNEST_RDO_MISSING = ' "$prefix.$1.log" | tr -d '\r' | sed 's/.*BELLNEST_RDO_MISSING = //'; }
# A registration of the RDO library of one bitness, per machine (Wine 8 keeps one per-user
# CLSID key for both bitnesses, so only the machine's keys can hold one bitness alone).
rdo_clsid='{6A1F3C2E-9B4D-4E7A-8C15-2F0D7B6E9A31}'
rdo_register() {
  wine reg add 'HKLM\Software\Classes\QFSMAPI.QFSSession\CLSID' /ve /d "$rdo_clsid" /f >/dev/null
  wine reg add "HKLM\\Software\\Classes\\CLSID\\$rdo_clsid\\InprocServer32" /ve /d 'C:\RDO\rdo.dll' /f "$1" >/dev/null
}
rdo_unregister() {
  wine reg delete "HKLM\\Software\\Classes\\CLSID\\$rdo_clsid" /f "$1" >/dev/null 2>&1
  wine reg delete 'HKLM\Software\Classes\QFSMAPI.QFSSession' /f >/dev/null 2>&1
}

# What Wine cannot show, read from the package (msitools): per user by default without
# administrator rights on Windows, per machine when asked, as the registration rows follow.
property() { msiinfo export "$package" Property | tr -d '\r' | awk -F'\t' -v n="$1" '$1 == n { print $2 }'; }
check "package: per user by default (ALLUSERS=2, MSIINSTALLPERUSER=1)" test "$(property ALLUSERS)$(property MSIINSTALLPERUSER)" = 21
check "package: no administrator rights asked for (word count 10)" grep -q '^Source: 10 ' <<<"$(msiinfo suminfo "$package")"
check "package: every registry row below HKMU (ALLUSERS picks the hive)" \
  test "$(msiinfo export "$package" Registry | tr -d '\r' | awk -F'\t' 'NR > 3 && $2 != -1' | wc -l)" = 0

start=$(date +%s%N)
msi install /i "$(windows "$package")"
code=$?
install_ms=$((($(date +%s%N) - start) / 1000000))
check "silent install ($scope) exits 0" test $code -eq 0
for file in PPBellnest.dll BellnestConnect.dll bellnest.chm; do check "installed $file" test -s "$dir/$file"; done
first_code=$(product_code install)
first_version=$(listed_version "$first_code")
check "listed in Add/Remove Programs ($first_version)" test -n "$first_version"
# The package's rows against what each installed DLL's own DllInstall writes from there.
for dll in PPBellnest.dll BellnestConnect.dll; do
  compared=$(wine "$registry_rows" compare "$(in_prefix "$dir/$dll")" "$scope" | tr -d '\r')
  code=$?
  echo "$compared" | sed "s/^/  $dll: /"
  check "$dll: the package registers what its DllInstall does ($scope)" test $code -eq 0
done
missing=$(rdo_message install)
echo "  RDO library missing: $missing"
check "RDO library missing: the log says so, install goes on" grep -q "is not registered for $own_bits programs" <<<"$missing"

# Outlook starts, loads the add-in, which puts the page into the Options dialog: the page's
# help file is the one beside the installed DLL.
standin_run() {
  printf 'open\npaint\npageinfo\ntree\nclose\n' >"$prefix.script"
  mkdir -p "$prefix.standin"
  wine "$standin" --data "$(windows "$prefix.standin")" --script "$(windows "$prefix.script")" | tr -d '\r'
}
shown=$(standin_run)
check "stand-in ($bits) shows the page from the installed DLL" grep -qiF "HelpFile: $(in_prefix "$dir/bellnest.chm")" <<<"$shown"
check "stand-in shows the mailbox's folders" grep -q '#1 Mailbox' <<<"$shown"

# The user's own data, as the page leaves it.
wine reg add "$data_key" /v IncludeSubfolders /t REG_DWORD /d 1 /f >/dev/null
mkdir -p "$(dirname "$log")" && printf 'An Error occurred: earlier\r\n' >"$log"
user_data_kept() { test "$(reg_value "$data_key" IncludeSubfolders)" = 0x1 && grep -q '^An Error occurred: earlier' "$log"; }

# A repair puts back a removed file and a removed key; with the library now registered for
# this bitness, nothing is said about it. (REINSTALL: Wine's msiexec /f fails, exit code 69.)
rm -f "$dir/bellnest.chm"
wine reg delete "$classes\\CLSID\\{000B7368-EA3A-4B49-A569-67AD1777E3C9}\\InprocServer32" /f "$view" >/dev/null
rdo_register "$view"
msi repair /i "$(windows "$package")" REINSTALL=ALL REINSTALLMODE=amus
check "repair exits 0" test $? -eq 0
check "repair restores a removed file" test -s "$dir/bellnest.chm"
check "repair restores a removed key" key_present "$classes\\CLSID\\{000B7368-EA3A-4B49-A569-67AD1777E3C9}\\InprocServer32"
present=$(rdo_message repair)
echo "  RDO library present: ${present:-(no message)}"
check "RDO library present: no message" test -z "$present"
check "RDO library present: found in the registry view of $own_bits programs" grep -aq "BELLNEST_RDO_SERVER_MACHINE = C:.RDO.rdo.dll" "$prefix.repair.log"

# The next version replaces this one, with the library registered for the other bitness only.
rdo_unregister "$view"
rdo_register "$other_view"
msi upgrade /i "$(windows "$next_package")"
check "upgrade exits 0" test $? -eq 0
other=$(rdo_message upgrade)
echo "  RDO library of the other bitness only: $other"
check "RDO library of the other bitness only: the log says so" grep -q "registered for .* programs only, not for $own_bits ones" <<<"$other"
next_code=$(product_code upgrade)
next_version=$(listed_version "$next_code")
check "the next version has a product code of its own" test -n "$next_code" -a "$next_code" != "$first_code"
check "upgrade found the previous version" grep -aq "WIX_UPGRADE_DETECTED = $first_code" "$prefix.upgrade.log"
check "upgrade removed the previous version ($first_version) from Add/Remove Programs" test -z "$(listed_version "$first_code")"
check "upgrade listed the next version ($next_version)" test -n "$next_version" -a "$next_version" != "$first_version"
check "upgrade keeps the user's data" user_data_kept
# The stand-in serves its own RDO library under the same ProgID.
rdo_unregister "$other_view"
check "stand-in shows the page after the upgrade" grep -q '#1 Mailbox' <<<"$(standin_run)"
for dll in PPBellnest.dll BellnestConnect.dll; do
  check "$dll: registration after the upgrade as its DllInstall's" wine "$registry_rows" compare "$(in_prefix "$dir/$dll")" "$scope"
done

rdo_register "$other_view"
start=$(date +%s%N)
msi uninstall /x "$(windows "$next_package")"
code=$?
uninstall_ms=$((($(date +%s%N) - start) / 1000000))
check "silent uninstall exits 0" test $code -eq 0
check "uninstall leaves no file or key of the package" leftovers
check "uninstall removes the product from Add/Remove Programs" test -z "$(listed_version "$next_code")"
check "uninstall keeps the user's data" user_data_kept
check "uninstall leaves others' keys (the RDO library's)" key_present "HKLM\\Software\\Classes\\CLSID\\$rdo_clsid\\InprocServer32" "$other_view"

echo "under Wine: install $install_ms ms, uninstall $uninstall_ms ms; package $(stat -c %s "$package") bytes"
echo "$((checks - failures)) passed, $failures failed"
[ $failures -eq 0 ]

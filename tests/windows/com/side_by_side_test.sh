#!/usr/bin/env bash
# Both bitnesses of both DLLs registered side by side, per user and per machine, as on a 64-bit
# Windows with a 32-bit and a 64-bit Outlook profile: unregistering one bitness leaves the other
# whole (its class in its own registry view, the shared ProgID, its type library path, Outlook's
# add-in entry); unregistering the last leaves nothing.
#   side_by_side_test.sh <wine_run.sh> <prefix> <64-bit build> <32-bit build>
set -uo pipefail
wine_run=$1 prefix=$2 build64=$3 build32=$4
wine() { "$wine_run" "$prefix" "$@"; }

failures=0 checks=0
check() {  # check <what> <command...>: one expectation
  checks=$((checks + 1))
  if "${@:2}" >/dev/null 2>&1; then echo "ok   $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi
}
key_present() { wine reg query "$1" "${@:2}" >/dev/null 2>&1; }
key_absent() { ! key_present "$@"; }
# The default value of a key in the given view (/reg:32 or /reg:64).
default_value() { wine reg query "$1" /ve "$2" 2>/dev/null | tr -d '\r' | awk '$1 == "(Default)" { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'; }

page_clsid='{000B7368-EA3A-4B49-A569-67AD1777E3C9}'
page_libid={7BAA7E37-D593-4710-92E6-302846BB6524}

# regsvr32 of one bitness on one DLL: "32 /u" unregisters with the 32-bit one.
regsvr() {  # regsvr <bits> <scope> <install|uninstall> <dll name>
  local tool='C:\windows\system32\regsvr32.exe' build=$build64 flags=()
  [ "$1" = 32 ] && tool='C:\windows\syswow64\regsvr32.exe' build=$build32
  local dll
  case $4 in page) dll=$build/src/com/PPBellnest.dll ;; addin) dll=$build/src/addin/BellnestConnect.dll ;; esac
  [ "$3" = uninstall ] && flags+=(/u)
  if [ "$2" = user ]; then flags+=(/n /i:user); fi
  wine "$tool" /s "${flags[@]}" "Z:${dll//\//\\}"
}
both() { for dll in page addin; do regsvr "$@" "$dll" || return 1; done; }

# Wine 8 keeps one HKCU\Software\Classes\CLSID for both bitnesses where Windows keeps them apart
# (Wow6432Node): per user, a second bitness overwrites the first's class there, so per user
# only the end is checked, both registered then both unregistered.
for scope in user machine; do
  if [ $scope = user ]; then hive='HKCU\Software\Classes'; addins='HKCU\Software\Microsoft\Office\Outlook\Addins'
  else hive='HKLM\Software\Classes'; addins='HKLM\Software\Microsoft\Office\Outlook\Addins'; fi
  library="$hive\\TypeLib\\$page_libid\\1.0\\0"
  # What one bitness needs to work: its classes in its own view, the ProgIDs, its type library
  # path, the add-in entry.
  whole() {  # whole <bits>
    local view=/reg:$1 dll=$build64/src/com/PPBellnest.dll
    [ "$1" = 32 ] && dll=$build32/src/com/PPBellnest.dll
    [ "$(default_value "$hive\\CLSID\\$page_clsid\\InprocServer32" "$view")" = "Z:${dll//\//\\}" ] &&
      key_present "$hive\\CLSID\\$page_clsid\\Control" "$view" &&
      key_present "$hive\\PPBellnest.UserControl1\\CLSID" && key_present "$hive\\Bellnest.Connect\\CLSID" &&
      [ "$(default_value "$library\\win$1" /reg:64)" = "Z:${dll//\//\\}" ] &&
      key_present "$addins\\Bellnest.Connect" "/reg:$1"
  }
  gone() {  # gone <bits>: that bitness's own keys
    key_absent "$hive\\CLSID\\$page_clsid" "/reg:$1" && key_absent "$library\\win$1" /reg:64 &&
      { [ $scope = user ] || key_absent "$addins\\Bellnest.Connect" "/reg:$1"; }
  }
  nothing() {
    gone 32 && gone 64 && key_absent "$hive\\PPBellnest.UserControl1" && key_absent "$hive\\Bellnest.Connect" &&
      key_absent "$hive\\TypeLib\\$page_libid" && key_absent "$addins\\Bellnest.Connect"
  }

  check "$scope: the 64-bit DLLs register" both 64 $scope install
  check "$scope: the 32-bit DLLs register" both 32 $scope install
  if [ $scope = user ]; then
    check "$scope: 64-bit unregisters" both 64 $scope uninstall
    check "$scope: the last bitness unregisters" both 32 $scope uninstall
    check "$scope: then nothing of either is left" nothing
    continue
  fi
  check "$scope: the 32-bit classes live in the 32-bit view" whole 32
  check "$scope: the 64-bit classes live in the 64-bit view" whole 64
  check "$scope: 32-bit unregisters" both 32 $scope uninstall
  check "$scope: after it, the 64-bit registration is whole" whole 64
  check "$scope: and the 32-bit one's own keys are gone" gone 32
  check "$scope: 32-bit registers again" both 32 $scope install
  check "$scope: 64-bit unregisters" both 64 $scope uninstall
  check "$scope: after it, the 32-bit registration is whole" whole 32
  check "$scope: and the 64-bit one's own keys are gone" gone 64
  check "$scope: the last bitness unregisters" both 32 $scope uninstall
  check "$scope: then nothing of either is left" nothing
done
echo "$((checks - failures)) passed, $failures failed"
[ $failures -eq 0 ]

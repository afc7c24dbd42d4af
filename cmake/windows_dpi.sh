#!/usr/bin/env bash
# The page at each DPI a Windows user may set: a Wine prefix of its own has its LogPixels set to
# 96, 120, 144 and 192 in turn, and the layout test runs in the stand-in's Options dialog at
# each (a process reads the DPI when it starts). Its screenshots stay in the working folder.
#   windows_dpi.sh <wine_run.sh> <prefix> <bellnest_win32_tests.exe>
set -euo pipefail
wine_run=$1 prefix=$2 tests=$3
status=0
for dpi in 96 120 144 192; do
  "$wine_run" "$prefix" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  echo "== $dpi DPI"
  BELLNEST_DPI=$dpi "$wine_run" "$prefix" "$tests" --gtest_filter='StrictHostTest.LayoutFitsTheDpiAndTheRoom' ||
    status=1
done
for f in screenshots/options_*dpi.bmp; do [ -e "$f" ] && convert "$f" "${f%.bmp}.png"; done
exit $status

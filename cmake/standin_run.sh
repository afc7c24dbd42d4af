#!/usr/bin/env bash
# Runs the Outlook stand-in (bellnest_outlook.exe) under Wine, as a user's Windows would: both
# DLLs registered per user in the prefix first, then the stand-in with the page driver's
# arguments.
#   standin_run.sh <build dir> <prefix> [stand-in arguments]
# With --data DIR the Windows machine lives in DIR: its Wine prefix is DIR/wine, and the
# stand-in leaves the product's keys in DIR/registry.reg and its log under DIR/c.
set -euo pipefail
build=$(realpath "$1")
prefix=$2
shift 2
args=()
while (($#)); do
  if [ "$1" = --data ] && [ $# -ge 2 ]; then
    mkdir -p "$2"
    prefix=$(realpath "$2")/wine
    args+=(--data "$(realpath "$2")")
    shift 2
  else
    args+=("$1")
    shift
  fi
done
run=$(dirname "$(realpath "$0")")/wine_run.sh
for dll in src/com/PPBellnest.dll src/addin/BellnestConnect.dll; do
  "$run" "$prefix" regsvr32 /s /n /i:user "Z:$build/$dll"
done
exec "$run" "$prefix" "$build/bellnest_outlook.exe" "${args[@]}"

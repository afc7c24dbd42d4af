#!/usr/bin/env bash
# Runs one page-driver scenario against the Windows build under Wine and compares its output
# with the golden file the native test uses.
#   windows_scenario.sh <wine_run.sh> <prefix> <build dir> <scenario dir> <name>
# Both DLLs are registered per user first (other tests of the prefix unregister them). A line
# "# windows: COMMAND reason" in the script declares that COMMAND's output differs between the
# worlds; its output lines are left out of the comparison on both sides.
set -euo pipefail
run=$1 prefix=$2 build=$3 dir=$4 name=$5

for dll in "$build/src/com/PPBellnest.dll" "$build/src/addin/BellnestConnect.dll"; do
  "$run" "$prefix" regsvr32 /s /n /i:user "Z:$(realpath "$dll")"
done

actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
cd "$dir"
status=0
"$run" "$prefix" "$build/bellnest_outlook.exe" --echo --fixed-clock --script "$name.script" >"$actual" || status=$?

# The output of each declared command, from its echo to the next echo, is dropped.
declared=$(sed -n 's/^# windows: \([a-z]*\) .*/\1/p' "$name.script" | sort -u | paste -sd'|' -)
filter() {
  if [ -z "$declared" ]; then cat "$1"; return; fi
  awk -v re="^> (${declared})( |\$)" '/^> / { skip = ($0 ~ re) } { if (!skip || /^> /) print }' "$1"
}
if ! diff -u <(filter "$name.expected") <(filter "$actual"); then
  echo "windows_scenario.sh: $name differs from $name.expected (exit status $status)" >&2
  exit 1
fi

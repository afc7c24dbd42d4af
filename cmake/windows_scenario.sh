#!/usr/bin/env bash
# Runs one page-driver scenario against the Windows build under Wine and compares its output
# with the golden file the native test uses.
#   windows_scenario.sh <prefix> <build dir> <scenario dir> <name>
# The stand-in registers both DLLs first (other tests of the prefix unregister them). A line
# "# windows: COMMAND reason" in the script declares that COMMAND's output differs between the
# worlds, and why; its output lines are left out of the comparison on both sides.
set -euo pipefail
prefix=$1 build=$2 dir=$3 name=$4

dir=$(realpath "$dir")
here=$(dirname "$(realpath "$0")")
actual=$(mktemp)
# The stand-in runs in a folder of its own: what the page writes where it runs (a log written
# before the page knows its data folder) stays out of the source tree.
work=$(mktemp -d)
trap 'rm -rf "$actual" "$work"' EXIT
cd "$work"
status=0
"$here/standin_run.sh" "$build" "$prefix" --echo --fixed-clock --script "$dir/$name.script" >"$actual" || status=$?

# The output of each declared command, from its echo to the next echo, is dropped; with
# "# windows: COMMAND/REGEX/ reason" only its lines that match REGEX are.
rules=$(sed -n 's|^# windows: \([a-z]*\)\(/[^/]*/\)\{0,1\} .*|\1 \2|p' "$dir/$name.script")
filter() {
  awk -v rules="$rules" '
    BEGIN { n = split(rules, list, "\n"); for (i = 1; i <= n; i++) { split(list[i], r, " "); cmd[i] = r[1]; re[i] = substr(r[2], 2, length(r[2]) - 2) } }
    /^> / { print; current = $2; next }
    { for (i = 1; i <= n; i++) if (cmd[i] == current && (re[i] == "" || $0 ~ re[i])) next; print }' "$1"
}
if ! diff -u <(filter "$dir/$name.expected") <(filter "$actual"); then
  echo "windows_scenario.sh: $name differs from $name.expected (exit status $status)" >&2
  exit 1
fi

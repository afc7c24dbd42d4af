# What the installer tests share, sourced after they set wine_run, prefix and, where their
# registry reads want one view of it, reg_view (/reg:64 or /reg:32): the fresh Wine prefix, the
# tally of checks, and the prefix's programs and registry.
rm -rf "$prefix" "$prefix".*
export WINEPREFIX=$prefix WINEDEBUG=-all
wineserver=${BELLNEST_WINESERVER:-/usr/lib/wine/wineserver}

failures=0 checks=0
check() {  # check <what> <command...>: one expectation
  checks=$((checks + 1))
  if "${@:2}" >/dev/null 2>&1; then echo "ok   $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi
}
wine() { "$wine_run" "$prefix" "$@"; }
# Runs a program and waits until every process of the prefix has ended (an uninstaller copies
# itself to the temporary folder and goes on from there).
wine_wait() {
  wine "$@"
  local code=$?
  "$wineserver" -w
  return $code
}
# A registry query. On a loaded machine a Wine client now and then fails to reach the server it
# starts (seen as an empty answer for a value that is there): a failed query is asked again,
# so only a key or value that stays missing counts as missing.
reg_query() {
  local tries
  for tries in 1 2 3; do
    wine reg query "$@" 2>/dev/null && return 0
    [ "$tries" = 3 ] || sleep 1
  done
  return 1
}
# (The view is left out when none is set: an unquoted empty word is no argument.)
key_present() { reg_query "$1" ${2:-${reg_view:-}} >/dev/null; }
# Absent at the first answer: asking again would only slow the many checks that expect it.
key_absent() { ! wine reg query "$1" ${2:-${reg_view:-}} >/dev/null 2>&1; }
reg_value() { reg_query "$1" /v "$2" ${reg_view:-} | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'; }

wine cmd /c echo ready >/dev/null || { echo "FAIL no Wine prefix"; exit 1; }

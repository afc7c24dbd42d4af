#!/usr/bin/env bash
# The cross-compiling emulator of both Windows builds: runs a Windows program under wine64 in
# the build tree's own Wine prefix, so tests never touch a user's ~/.wine. wine64 hands a 32-bit
# program to Wine's 32-bit side (WoW64), which needs Debian's wine32 and, on a kernel that runs
# no 32-bit program, qemu-user-static registered for them (bellnest.sh sets both up).
#   wine_run.sh <prefix folder> <program.exe | builtin program> [arguments]
# The first use creates the prefix (wineboot, tens of seconds); concurrent first uses wait for
# one another on a lock instead of booting the same prefix twice.
set -euo pipefail

prefix=$(realpath -m "$1")  # Wine wants an absolute path
shift
wine=${BELLNEST_WINE:-/usr/lib/wine/wine64}
wineserver=${BELLNEST_WINESERVER:-/usr/lib/wine/wineserver}
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
# Wine takes the user's locale and ANSI code page from the Unix locale; the tests expect an
# English Windows (code page 1252) unless asked for another, e.g. BELLNEST_WINE_LOCALE=ja_JP.UTF-8.
export LC_ALL=${BELLNEST_WINE_LOCALE:-C.UTF-8}

if [ ! -x "$wine" ]; then
  echo "wine_run.sh: $wine not found (apt-get install wine64)" >&2
  exit 127
fi

ready=$prefix/.bellnest-ready
if [ ! -e "$ready" ]; then
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -e "$ready" ]; then
    echo "wine_run.sh: creating the Wine prefix $prefix" >&2
    # No Mono or Gecko: nothing here needs them, and their installers would wait for a click.
    if ! WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot --init >"$prefix.boot.log" 2>&1; then
      echo "wine_run.sh: wineboot failed, see $prefix.boot.log" >&2
      exit 1
    fi
    # No window manager runs on the test display: Wine draws the window frames itself instead
    # of waiting seconds for a manager at every top-level window's close.
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$prefix.boot.log" 2>&1 || true
    # Let the server write the registry files before anyone relies on them.
    "$wineserver" --wait || true
    touch "$ready"
  fi
  exec 9>&-
fi

# A 32-bit program needs the prefix's 32-bit side, made only when 32-bit programs could run at
# its boot: say so rather than let Wine fail obscurely.
program=${1:-}
if [[ "$program" == *.exe || "$program" == *.EXE ]] && [ -f "$program" ] &&
   [ "$(od -An -tx1 -j "$(( $(od -An -tu4 -j 60 -N4 "$program") + 4 ))" -N2 "$program" | tr -d ' ')" = 4c01 ] &&
   [ ! -d "$prefix/drive_c/windows/syswow64" ]; then
  echo "wine_run.sh: $program is a 32-bit program, and the Wine prefix $prefix has no 32-bit side:" \
       "32-bit programs could not run when it was made (install wine32:i386; on a kernel without" \
       "32-bit support, qemu-user-static registered in binfmt_misc; ./bellnest.sh does both as root)," \
       "then remove the prefix" >&2
  exit 126
fi

# Wine's own fonts (package fonts-wine: Tahoma, MS Sans Serif and the rest of the dialog fonts)
# into the prefix's Fonts folder: Debian's wine64 does not load them from its data folder, and
# without them every dialog font falls back to a wider one that the controls' designed sizes
# clip.
fonts=$prefix/drive_c/windows/Fonts
if [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ] && [ ! -e "$fonts/tahoma.ttf" ]; then
  ln -sf /usr/share/wine/fonts/* "$fonts"/ 2>/dev/null || true
fi

# Windows the tests open need an X display. Without one, a private Xvfb serves this prefix; it
# stays up for the next test and is found again through $prefix.display.
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  exec 8>"$prefix.display.lock"
  flock 8
  read -r number pid 2>/dev/null <"$prefix.display" || true
  if [ -z "${pid:-}" ] || ! kill -0 "$pid" 2>/dev/null || [ ! -S "/tmp/.X11-unix/X$number" ]; then
    number=100
    while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
    setsid Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null 8>&- &
    pid=$!
    for _ in $(seq 100); do [ -S "/tmp/.X11-unix/X$number" ] && break; sleep 0.05; done
    echo "$number $pid" >"$prefix.display"
  fi
  exec 8>&-
  export DISPLAY=":$number"
fi

# The program that starts the Wine server also starts its background processes (services,
# the desktop), and they keep that program's stderr open for as long as the server lives. Under
# CTest that stderr is the test's output pipe: the test would seem to hang until every later
# test let the server go. So, unless stderr is a terminal, the program's stderr goes to a file
# that is copied out when the program ends.
if [ -t 2 ]; then
  exec "$wine" "$@"
fi
errors=$(mktemp "${TMPDIR:-/tmp}/wine_run.XXXXXX")
trap 'rm -f "$errors"' EXIT
status=0
"$wine" "$@" 2>"$errors" || status=$?
cat "$errors" >&2
exit "$status"

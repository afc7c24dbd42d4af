#!/usr/bin/env bash
# The one entry point: installs what a fresh Debian machine lacks, builds through the CMake
# presets, and runs the page driver, the tests or the benchmarks.
#   ./bellnest.sh page [driver arguments]   run the options page on the built-in sample mailbox
#                                           (no arguments: a short built-in session; see docs/page-driver.md)
#   ./bellnest.sh test                      build and run every test (native, sanitizers, and the
#                                           Windows builds: 64-bit tests under Wine, 32-bit built)
#   ./bellnest.sh bench [benchmark flags]   build and run the benchmarks
set -euo pipefail
cd "$(dirname "$0")"

JOBS=${JOBS:-$(nproc)}
NATIVE_PACKAGES=(cmake g++ make libgtest-dev libgmock-dev googletest libbenchmark-dev nlohmann-json3-dev)
# Cross compilers for both bitnesses (posix threads), widl, and the Wine that runs the 64-bit tests;
# its window tests draw on a private Xvfb, and their screenshots become PNG files through ImageMagick.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools wine64 xvfb imagemagick)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

build() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$JOBS"
}

# Runs a step and says how long it took.
timed() {
  local label=$1 start=$SECONDS
  shift
  echo "== $label"
  "$@"
  echo "== $label: $((SECONDS - start)) s"
}

cmd=${1:-}
shift || true
case "$cmd" in
  page)
    install_missing "${NATIVE_PACKAGES[@]}"
    build native >/dev/null
    # Without arguments: the built-in short session on the sample mailbox.
    [ $# -eq 0 ] && set -- --demo
    exec build/native/tools/bellnest_page "$@"
    ;;
  test)
    install_missing "${NATIVE_PACKAGES[@]}"
    for preset in native asan; do
      timed "$preset: build" build "$preset"
      timed "$preset: test" ctest --preset "$preset" -j "$JOBS"
    done
    install_missing "${WINDOWS_PACKAGES[@]}"
    for preset in windows-x64 windows-i686; do
      timed "$preset: build" build "$preset"
      # 64-bit: every test under Wine; 32-bit: the system-DLL check only, as Wine here cannot
      # run 32-bit programs.
      timed "$preset: test" ctest --preset "$preset" -j "$JOBS"
    done
    ;;
  bench)
    install_missing "${NATIVE_PACKAGES[@]}"
    build native
    build/native/bench/bellnest_bench "$@"
    # The Windows world's benchmark programs, under Wine.
    install_missing "${WINDOWS_PACKAGES[@]}"
    build windows-x64 >/dev/null
    cmake/wine_run.sh build/windows-x64/wineprefix build/windows-x64/bellnest_win32_bench.exe
    ;;
  *)
    echo "usage: $0 page|test|bench [arguments]" >&2
    exit 2
    ;;
esac

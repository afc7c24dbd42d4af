#!/usr/bin/env bash
# The one entry point: installs what a fresh Debian machine lacks, builds through the CMake
# presets, and runs the page driver, the tests or the benchmarks.
#   ./bellnest.sh page [driver arguments]   run the options page on the built-in sample mailbox in
#                                           Outlook's Options dialog under Wine (no arguments: a short
#                                           built-in session with screenshots; --interactive: the
#                                           dialog for a person; see docs/page-driver.md)
#   ./bellnest.sh page --native [...]       the same with the native page driver
#   ./bellnest.sh test                      build and run every test (native, sanitizers, clang with
#                                           each fuzz target for 20 s, and the Windows builds:
#                                           64-bit tests under Wine, 32-bit built)
#   ./bellnest.sh fuzz [seconds]            build the clang preset and run each fuzz target for that
#                                           long (default 60 s)
#   ./bellnest.sh bench [benchmark flags]   build and run the benchmarks
#   ./bellnest.sh dist                      build both Windows presets, the help file and both
#                                           installers, and a zip of the DLLs with their SHA-256
#                                           checksums, into dist/
set -euo pipefail
cd "$(dirname "$0")"

JOBS=${JOBS:-$(nproc)}
NATIVE_PACKAGES=(cmake g++ make libgtest-dev libgmock-dev googletest libbenchmark-dev nlohmann-json3-dev)
# clang and its run-time libraries (sanitizers, libFuzzer) for the clang preset.
CLANG_PACKAGES=(clang-14 libclang-rt-14-dev)
FUZZ_TARGETS=(reg_file profile driver)
# Cross compilers for both bitnesses (posix threads), widl with the IDL files it imports
# (libwine-dev), the Wine that runs the 64-bit tests, a virtual X display for its windows and
# ImageMagick for their screenshots, Wine's own dialog fonts, chmcmd (fp-utils) for the help file, NSIS for the installers
# and zip for the DLL archive.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools libwine-dev wine64 xvfb
                  imagemagick fonts-wine fp-utils nsis zip)

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
  shift
  cmake --preset "$preset" "$@" >/dev/null
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

# Runs each fuzz target for $1 seconds on a working corpus under build/clang/fuzz-work, seeded
# from fuzz/corpus (which stays as it is). A crash leaves its input in build/clang/fuzz-work/;
# once fixed, it belongs in fuzz/regressions/<target>/, which the clang tests replay.
run_fuzzers() {
  local seconds=$1 failed=0 work=build/clang/fuzz-work
  for target in "${FUZZ_TARGETS[@]}"; do
    mkdir -p "$work/corpus/$target"
    echo "== fuzz $target: $seconds s"
    if ! build/clang/fuzz/fuzz_"$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=3072 -max_len=8192 \
        -print_final_stats=1 -dict=fuzz/dict/"$target".dict -artifact_prefix="$work/$target-" \
        "$work/corpus/$target" fuzz/corpus/"$target" >"$work/$target.log" 2>&1; then
      tail -n 60 "$work/$target.log"
      echo "== fuzz $target: FAILED (input saved as $work/$target-*)"
      failed=1
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$work/$target.log" | tr '\n' ' '
    echo
  done
  return $failed
}

cmd=${1:-}
shift || true
case "$cmd" in
  page)
    if [ "${1:-}" = --native ]; then
      shift
      install_missing "${NATIVE_PACKAGES[@]}"
      build native >/dev/null
      # Without arguments: the built-in short session on the sample mailbox.
      [ $# -eq 0 ] && set -- --demo
      exec build/native/tools/bellnest_page "$@"
    fi
    # The Windows world: the real DLLs in the Outlook stand-in under Wine (a private virtual
    # display when none is set; --interactive needs a real one).
    install_missing "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
    build windows-x64 >/dev/null
    if [ $# -eq 0 ]; then
      shots=build/windows-x64/page-screenshots
      mkdir -p "$shots"
      echo "(screenshots of the page before and after: $shots/page-before.png, $shots/page-after.png)"
      set -- --demo --screenshots "$shots"
    fi
    if [[ " $* " == *" --interactive "* ]] && [ -z "${DISPLAY:-}" ]; then
      echo "$0 page --interactive: no display (set DISPLAY)" >&2
      exit 2
    fi
    exec cmake/standin_run.sh build/windows-x64 build/windows-x64/standin-prefix "$@"
    ;;
  test)
    install_missing "${NATIVE_PACKAGES[@]}"
    for preset in native asan; do
      timed "$preset: build" build "$preset"
      timed "$preset: test" ctest --preset "$preset" -j "$JOBS"
    done
    install_missing "${CLANG_PACKAGES[@]}"
    timed "clang: build" build clang
    timed "clang: test" ctest --preset clang -j "$JOBS"
    timed "clang: fuzz" run_fuzzers 20
    install_missing "${WINDOWS_PACKAGES[@]}"
    # The 32-bit build first: the installers of the 64-bit tree carry its DLL too.
    for preset in windows-i686 windows-x64; do
      timed "$preset: build" build "$preset" -DBELLNEST_I686_BUILD="$PWD/build/windows-i686"
      # 64-bit: every test under Wine; 32-bit: the system-DLL check only, as Wine here cannot
      # run 32-bit programs.
      # Wine needs an X display for windows (the page, its controls, the About dialog): a
      # virtual one when there is none.
      if [ -z "${DISPLAY:-}" ] && [ "$preset" = windows-x64 ]; then
        timed "$preset: test" xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset "$preset" -j "$JOBS"
      else
        timed "$preset: test" ctest --preset "$preset" -j "$JOBS"
      fi
    done
    ;;
  fuzz)
    install_missing "${NATIVE_PACKAGES[@]}" "${CLANG_PACKAGES[@]}"
    build clang
    run_fuzzers "${1:-60}"
    ;;
  bench)
    install_missing "${NATIVE_PACKAGES[@]}"
    build native
    build/native/bench/bellnest_bench "$@"
    # The Windows world's benchmark programs, under Wine.
    install_missing "${WINDOWS_PACKAGES[@]}"
    build windows-x64 >/dev/null
    for bench in tree_expand host_call addin_start page_load options; do
      cmake/wine_run.sh build/windows-x64/wineprefix build/windows-x64/bellnest_${bench}_bench.exe
    done
    ;;
  dist)
    install_missing "${WINDOWS_PACKAGES[@]}"
    timed "windows-i686: build" build windows-i686
    timed "windows-x64: build" build windows-x64 -DBELLNEST_I686_BUILD="$PWD/build/windows-i686"
    rm -rf dist && mkdir -p dist/dlls/x64 dist/dlls/x86
    cp build/windows-x64/installer/BellnestSetup.exe build/windows-x64/installer/BellnestSetup-x64.exe dist/
    for bits in x64:windows-x64 x86:windows-i686; do
      cp "build/${bits#*:}/src/com/PPBellnest.dll" "build/${bits#*:}/src/addin/BellnestConnect.dll" \
         "build/${bits#*:}/help/bellnest.chm" "dist/dlls/${bits%%:*}/"
    done
    version=$(sed -n 's/^project(Bellnest VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    (cd dist/dlls && sha256sum x64/* x86/* >SHA256SUMS && zip -qr "../Bellnest-$version-dlls.zip" .)
    rm -rf dist/dlls
    (cd dist && sha256sum ./*.exe ./*.zip >SHA256SUMS && ls -l)
    ;;
  *)
    echo "usage: $0 page|test|fuzz|bench|dist [arguments]" >&2
    exit 2
    ;;
esac

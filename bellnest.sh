#!/usr/bin/env bash
# The one entry point: installs what a fresh Debian machine lacks, builds through the CMake
# presets, and runs the page driver, the tests or the benchmarks.
#   ./bellnest.sh page [driver arguments]   run the options page on the built-in sample mailbox in
#                                           Outlook's Options dialog under Wine (no arguments: a short
#                                           built-in session with screenshots; --interactive: the
#                                           dialog for a person; see docs/page-driver.md)
#   ./bellnest.sh page --native [...]       the same with the native page driver
#   ./bellnest.sh test                      build and run every test (native, sanitizers, clang with
#                                           each fuzz target for 20 s, and both Windows builds'
#                                           tests under Wine)
#   ./bellnest.sh fuzz [seconds]            build the clang preset and run each fuzz target for that
#                                           long (default 60 s)
#   ./bellnest.sh bench [benchmark flags]   build and run the benchmarks (the Windows ones for both
#                                           bitnesses)
#   ./bellnest.sh dist                      build both Windows presets, the help file, both
#                                           installers, both Windows Installer packages and a zip of
#                                           the DLLs, with their SHA-256 checksums, into dist/
set -euo pipefail
cd "$(dirname "$0")"

JOBS=${JOBS:-$(nproc)}
NATIVE_PACKAGES=(cmake g++ make libgtest-dev libgmock-dev googletest libbenchmark-dev nlohmann-json3-dev)
# clang and its run-time libraries (sanitizers, libFuzzer) for the clang preset.
CLANG_PACKAGES=(clang-14 libclang-rt-14-dev)
FUZZ_TARGETS=(reg_file profile driver)
# Cross compilers for both bitnesses (posix threads), widl with the IDL files it imports
# (libwine-dev), the Wine that runs the tests (its 32-bit side: setup_32bit), a virtual X display for its windows and
# ImageMagick for their screenshots, Wine's own dialog fonts, chmcmd (fp-utils) for the help file, NSIS for the installers,
# wixl with msitools' msibuild for the Windows Installer packages and zip for the DLL archive.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools libwine-dev wine64 xvfb
                  imagemagick fonts-wine fp-utils nsis msitools wixl zip)
# The 32-bit side of Wine (WoW64), which runs the 32-bit tests.
WINE32_PACKAGES=(wine32:i386)
# The i386 ELF magic and mask binfmt_misc matches 32-bit programs by.
I386_BINFMT=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F'

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

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# 32-bit Windows programs under Wine: Debian's wine32 beside wine64 and, on a kernel that runs no
# 32-bit program (these machines), qemu's i386 emulator registered in binfmt_misc with the F flag
# (the emulator is opened once, at registration). qemu 8 or later: 7.2 (Debian 12's own) ignores
# the fixed-address mappings Wine reserves its address space with, and every 32-bit process
# then spends about a minute reserving it 64 KB at a time; bookworm-backports has a newer one.
# Fails with the reason when 32-bit programs still cannot run.
setup_32bit() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "== adding the i386 architecture for wine32"
    as_root dpkg --add-architecture i386
    as_root apt-get update -qq
  fi
  install_missing "${WINE32_PACKAGES[@]}"
  local binfmt=/proc/sys/fs/binfmt_misc
  # A kernel that runs 32-bit programs itself needs no emulator.
  if [ -e $binfmt/qemu-i386 ] || ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    local fresh=0 version
    version=$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null) || version=
    if [ -z "$version" ] || ! dpkg --compare-versions "$version" ge 1:8; then
      install_recent_qemu
      fresh=1
    fi
    [ -e $binfmt/register ] || as_root mount -t binfmt_misc binfmt_misc $binfmt || true
    # A registration made before the emulator changed still runs the old one.
    if [ -e $binfmt/qemu-i386 ] && [ $fresh = 1 ]; then echo -1 | as_root tee $binfmt/qemu-i386 >/dev/null || true; fi
    if [ ! -e $binfmt/qemu-i386 ] && [ -e $binfmt/register ]; then
      echo "== registering qemu-i386-static for 32-bit programs"
      printf '%b' "$I386_BINFMT" | as_root tee $binfmt/register >/dev/null || true
    fi
  fi
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "$0: 32-bit programs cannot run here, so the 32-bit Windows tests cannot: /usr/lib/wine/wine fails." >&2
    echo "  Needed: wine32:i386 and, on a kernel without 32-bit support, qemu-user-static (8 or later)" >&2
    echo "  registered for i386 programs in $binfmt (this script does both when run as root)." >&2
    return 1
  fi
}

install_recent_qemu() {
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  local release=()
  if [ "$codename" = bookworm ]; then
    echo "deb http://deb.debian.org/debian bookworm-backports main" | as_root tee /etc/apt/sources.list.d/bellnest-backports.list >/dev/null
    release=(-t bookworm-backports)
  fi
  echo "== installing qemu-user-static ${release[*]}"
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${release[@]}" qemu-user-static
}

build() {
  local preset=$1
  shift
  cmake --preset "$preset" "$@" >/dev/null
  cmake --build --preset "$preset" -j "$JOBS"
}

# Both Windows builds, the 32-bit one first (see the test command).
build_windows() {
  timed "windows-i686: build" build windows-i686
  timed "windows-x64: build" build windows-x64 -DBELLNEST_I686_BUILD="$PWD/build/windows-i686"
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
    setup_32bit
    # The 32-bit build first: the 64-bit tree's installers carry its DLLs, and its tests of both
    # bitnesses side by side and of the x86 installer use them.
    build_windows
    # Every Windows test of each bitness under Wine, each bitness in a Wine prefix of its own
    # with a private virtual display when there is none (cmake/wine_run.sh).
    for preset in windows-x64 windows-i686; do
      timed "$preset: test" ctest --preset "$preset" -j "$JOBS"
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
    # The Windows world's benchmark programs under Wine, for each bitness (the 32-bit ones run
    # under emulation here: compare them between runs, not with the 64-bit ones).
    install_missing "${WINDOWS_PACKAGES[@]}"
    setup_32bit
    build_windows >/dev/null
    for bench in tree_expand host_call addin_start page_load options; do
      for preset in windows-x64 windows-i686; do
        echo "== $bench ($preset)"
        cmake/wine_run.sh build/$preset/wineprefix build/$preset/bellnest_${bench}_bench.exe
      done
    done
    ;;
  dist)
    install_missing "${WINDOWS_PACKAGES[@]}"
    build_windows
    rm -rf dist && mkdir -p dist/dlls/x64 dist/dlls/x86
    cp build/windows-x64/installer/BellnestSetup.exe build/windows-x64/installer/BellnestSetup-x64.exe \
       build/windows-x64/installer/Bellnest-*-x64.msi build/windows-i686/installer/Bellnest-*-x86.msi dist/
    for bits in x64:windows-x64 x86:windows-i686; do
      cp "build/${bits#*:}/src/com/PPBellnest.dll" "build/${bits#*:}/src/addin/BellnestConnect.dll" \
         "build/${bits#*:}/help/bellnest.chm" "dist/dlls/${bits%%:*}/"
    done
    version=$(sed -n 's/^project(Bellnest VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    (cd dist/dlls && sha256sum x64/* x86/* >SHA256SUMS && zip -qr "../Bellnest-$version-dlls.zip" .)
    rm -rf dist/dlls
    (cd dist && sha256sum ./*.exe ./*.msi ./*.zip >SHA256SUMS && ls -l)
    ;;
  *)
    echo "usage: $0 page|test|fuzz|bench|dist [arguments]" >&2
    exit 2
    ;;
esac

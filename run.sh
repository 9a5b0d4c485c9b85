#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine:
#   ./run.sh demo    install what is missing, build, program the example firmware into the simulator
#   ./run.sh test    install what is missing, build, run every test, then again under ASan + UBSan
#   ./run.sh gui     install what is missing, build, open the window on a simulated chip
#   ./run.sh bench   build and print the benchmark figures
#   ./run.sh fuzz [N]  build the libFuzzer targets (clang) and run each N times (default 1000000)
#   ./run.sh build   install what is missing and build
#   ./run.sh package build the Release configuration with Debian's hardening flags and make the
#                    Debian package (build-package/)
#   ./run.sh package-check  make the package, lintian it, install it into a clean Debian 12 chroot
#                    without recommends and program the example firmware there
#   ./run.sh windows cross-compile the core, the in-process simulator and their tests for Windows
#                    (MinGW-w64), run the tests under Wine, syntax-check the Qt sources for Windows
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libgtest-dev libgmock-dev
          libbenchmark-dev sdcc sdcc-ucsim srecord clang libclang-rt-14-dev fonts-noto-cjk dpkg-dev
          libqt6sql6-sqlite libqt6sql6-psql postgresql libqt6svg6)
JOBS=${JOBS:-$(nproc)}

# Installs the Debian packages named (by default the build's own) that are missing.
install_missing() {
  local wanted=("$@") missing=()
  [ ${#wanted[@]} -eq 0 ] && wanted=("${PACKAGES[@]}")
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {  # build DIR [cmake args...]
  local dir=$1; shift
  # Our own builds treat warnings as errors; a user's plain cmake build does not.
  local launcher=()
  # Several checkouts of one machine share their compiled objects through ccache.
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQRK_WERROR=ON "${launcher[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

# The optimised build a user makes, programs only, then installed into a
# scratch root: a warning of -O3 or a broken install rule fails here first.
release_check() {
  build build-release -DCMAKE_BUILD_TYPE=Release -DQRK_BUILD_TESTS=OFF -DQRK_BUILD_BENCH=OFF
  local root
  root=$(mktemp -d)
  DESTDIR="$root" cmake --install build-release --prefix /usr >/dev/null
  "$root/usr/bin/qrkprog" --version
  "$root/usr/bin/qrksim" --version
  rm -rf "$root"
}

SIM_PID=
DEMO_DIR=
demo_cleanup() {
  [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null && wait "$SIM_PID" 2>/dev/null
  [ -n "$DEMO_DIR" ] && rm -rf "$DEMO_DIR"
  return 0
}

demo() {
  build build
  local model=QRK5-16B firmware=firmware/examples/blink.hex
  DEMO_DIR=$(mktemp -d)
  trap demo_cleanup EXIT
  local port="$DEMO_DIR/ttyQRK"
  build/bin/qrksim --model "$model" --link "$port" --power-on-after 30 \
    --flash-out "$DEMO_DIR/flash.bin" > "$DEMO_DIR/sim.log" &
  SIM_PID=$!
  for _ in $(seq 100); do grep -q '^PTY ' "$DEMO_DIR/sim.log" 2>/dev/null && break; sleep 0.05; done
  local q=(build/bin/qrkprog run --port "$port" --model "$model" --settings "$DEMO_DIR/demo.ini"
           --db "$DEMO_DIR/record.sqlite")
  echo "== qrkprog info $firmware --model $model"
  build/bin/qrkprog info "$firmware" --model "$model"
  echo "== qrkprog run Verify_ID   (the simulated chip powers on after 30 handshakes)"
  "${q[@]}" Verify_ID
  echo "== qrkprog run Auto --file $firmware"
  "${q[@]}" Auto --file "$firmware"
  echo "== qrkprog run Read_Option"
  "${q[@]}" Read_Option
  echo "== qrkprog log   (the production record: one row per chip run)"
  build/bin/qrkprog log --db "$DEMO_DIR/record.sqlite"

  # What the chip holds now must be the file, byte for byte.
  kill "$SIM_PID"; wait "$SIM_PID" 2>/dev/null || true; SIM_PID=
  local end
  end=$(build/bin/qrkprog info "$firmware" --model "$model" | sed -n 's/^File range: *[0-9A-F]*-\([0-9A-F]*\)$/\1/p')
  build/bin/qrkprog store --file "$firmware" --model "$model" --from 0 --to "$end" \
    --out "$DEMO_DIR/image.bin" 2>/dev/null
  if cmp -s -n "$(stat -c %s "$DEMO_DIR/image.bin")" "$DEMO_DIR/image.bin" "$DEMO_DIR/flash.bin"; then
    echo "== the simulated chip's flash 0000-$end equals $firmware"
  else
    echo "== the simulated chip's flash differs from $firmware" >&2
    return 1
  fi
}

FUZZ_TARGETS=(hex_reader bin_reader isp_link)
# Runs each fuzz target for $1 executions from the committed seeds (fuzz/corpus/)
# and prints executions, coverage and crashes per target; fails on any finding.
fuzz() {
  local runs=$1 found=0
  build build-fuzz -DQRK_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
  for t in "${FUZZ_TARGETS[@]}"; do
    local out=build-fuzz/fuzz-run/$t
    rm -rf "$out"; mkdir -p "$out/corpus" "$out/crashes"
    # -timeout: an input that takes 10 s counts as a hang, and a hang is a finding.
    build-fuzz/bin/fuzz_"$t" -runs="$runs" -seed=1 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$out/crashes/" "$out/corpus" "fuzz/corpus/$t" >"$out/log" 2>&1 || true
    local execs edges features crashes
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log" | tail -1)
    edges=$(grep -o 'cov: [0-9]*' "$out/log" | tail -1 | cut -d' ' -f2)
    features=$(grep -o 'ft: [0-9]*' "$out/log" | tail -1 | cut -d' ' -f2)
    crashes=$(find "$out/crashes" -type f | wc -l)
    printf '%-11s %9s executions  coverage %5s edges %6s features  %s crashes\n' \
      "$t" "${execs:-?}" "${edges:-?}" "${features:-?}" "$crashes"
    if [ "$crashes" -ne 0 ] || [ -z "$execs" ]; then
      found=1
      echo "  see $out/log; replay with: build-fuzz/bin/fuzz_$t <file in $out/crashes>" >&2
    fi
  done
  return $found
}

# The window on a simulated chip: qrksim on a pseudo-terminal, the window with
# that port chosen and the example firmware loaded. Its settings go to a file
# of their own, so the demonstration leaves the user's own settings alone.
gui() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j "$JOBS" --target qrkprog-gui qrksim
  if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh gui: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset)" >&2
    return 1
  fi
  local model=QRK5-16B
  DEMO_DIR=$(mktemp -d)
  trap demo_cleanup EXIT
  local port="$DEMO_DIR/ttyQRK"
  build/bin/qrksim --model "$model" --link "$port" --power-on-after 30 > "$DEMO_DIR/sim.log" &
  SIM_PID=$!
  for _ in $(seq 100); do grep -q '^PTY ' "$DEMO_DIR/sim.log" 2>/dev/null && break; sleep 0.05; done
  echo "== qrksim ($model) on $port; press Run in the window, close it to end the simulator"
  build/bin/qrkprog-gui --port "$port" --model "$model" --file firmware/examples/blink.hex \
    --settings "$DEMO_DIR/gui.ini"
}

# The Release build a Debian package is made of: Debian's hardening flags
# (dpkg-buildflags: fortify, stack protector, relro, bindnow), the manual
# pages made from the programs' help, stripped as Debian strips its own.
package() {
  install_missing
  install_missing help2man
  local cxxflags ldflags
  cxxflags="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CPPFLAGS) \
$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS)"
  ldflags=$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)
  build build-package -DCMAKE_BUILD_TYPE=Release -DQRK_BUILD_TESTS=OFF -DQRK_BUILD_BENCH=OFF \
    -DQRK_MAN_PAGES=ON "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags"
  rm -f build-package/*.deb
  (cd build-package && cpack -G DEB >/dev/null)
  echo "== $(ls build-package/*.deb)"
}

CHECK_ROOT=
check_cleanup() {
  # The chroot's mounts lived in a mount namespace of their own and ended
  # with it; a path still mounted is never deleted.
  if [ -n "$CHECK_ROOT" ] && ! findmnt -rn -o TARGET | grep -q "^$(realpath "$CHECK_ROOT")"; then
    rm -rf "$CHECK_ROOT"
  fi
  return 0
}

# A clean Debian 12 (debootstrap, minbase), made once and kept as a tarball
# in the user's cache; every check unpacks a fresh copy of it.
clean_debian_tarball() {
  local cache=$1 tarball=$1/bookworm-minbase.tar
  if [ ! -f "$tarball" ]; then
    echo "== debootstrap --variant=minbase bookworm (once; kept in $cache)" >&2
    local stage
    stage=$(mktemp -d "$cache/stage.XXXXXX")
    debootstrap --variant=minbase bookworm "$stage" http://deb.debian.org/debian >"$cache/debootstrap.log"
    tar -C "$stage" -cf "$tarball.tmp" . && mv "$tarball.tmp" "$tarball"
    rm -rf "$stage"
  fi
  echo "$tarball"
}

# Does the package install whole on a clean machine? Lintian first, then the
# desktop files' validators, then a clean Debian 12 without recommends (as on
# many production PCs): the package installed, its manual page read, the
# window started, and qrksim programmed with the example firmware by
# `qrkprog run Auto`.
package_check() {
  install_missing lintian debootstrap desktop-file-utils appstream
  package
  local deb
  deb=$(ls build-package/*.deb)
  # The maintainer's address is not public yet: the control file and the
  # changelog both name it.
  echo "== lintian --pedantic (but bogus-mail-host, in the control file and the changelog)"
  lintian --pedantic -I --fail-on error,warning \
    --suppress-tags bogus-mail-host,bogus-mail-host-in-debian-changelog "$deb"
  CHECK_ROOT=build-package/check-root
  trap check_cleanup EXIT
  check_cleanup
  mkdir -p "$CHECK_ROOT/files"
  dpkg-deb -x "$deb" "$CHECK_ROOT/files"
  echo "== desktop-file-validate, appstreamcli validate"
  desktop-file-validate "$CHECK_ROOT"/files/usr/share/applications/*.desktop
  appstreamcli validate --pedantic --no-net "$CHECK_ROOT"/files/usr/share/metainfo/*.metainfo.xml

  local cache=${XDG_CACHE_HOME:-$HOME/.cache}/qrkprog tarball
  mkdir -p "$cache/apt-archives"
  tarball=$(clean_debian_tarball "$cache")
  local root=$CHECK_ROOT/debian12
  mkdir -p "$root"
  tar -C "$root" -xf "$tarball"
  cp "$deb" "$root/tmp/qrkprog.deb"
  cp firmware/examples/blink.hex "$root/tmp/"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  # The packages downloaded by earlier checks, so that a check costs little traffic.
  find "$cache/apt-archives" -name '*.deb' -exec cp -t "$root/var/cache/apt/archives/" {} +
  cat >"$root/tmp/check.sh" <<'INSIDE'
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
cd /tmp
apt-get update -qq
echo "== apt-get install --no-install-recommends ./qrkprog.deb"
apt-get install -y -qq --no-install-recommends ./qrkprog.deb >/tmp/apt.log || { cat /tmp/apt.log; exit 1; }
qrkprog --version && qrksim --version && qrkprog-gui --version
echo "== qrksim and qrkprog run Auto"
qrksim --model QRK5-16B --link /tmp/ttyQRK --power-on-after 3 --flash-out /tmp/flash.bin >/tmp/sim.log &
sim=$!
for _ in $(seq 100); do grep -q '^PTY ' /tmp/sim.log && break; sleep 0.05; done
qrkprog run Auto --port /tmp/ttyQRK --model QRK5-16B --file blink.hex --settings /tmp/check.ini \
  --db /tmp/record.sqlite
kill "$sim"; wait "$sim" || true
qrkprog log --db /tmp/record.sqlite
end=$(qrkprog info blink.hex --model QRK5-16B | sed -n 's/^File range: *[0-9A-F]*-\([0-9A-F]*\)$/\1/p')
qrkprog store --file blink.hex --model QRK5-16B --from 0 --to "$end" --out /tmp/image.bin 2>/dev/null
cmp -n "$(stat -c %s /tmp/image.bin)" /tmp/image.bin /tmp/flash.bin
echo "== the simulated chip holds blink.hex"
echo "== qrkprog-gui starts (offscreen)"
set +e
QT_QPA_PLATFORM=offscreen timeout 3 qrkprog-gui --settings /tmp/gui.ini 2>/tmp/gui.log
status=$?
set -e
if [ "$status" -ne 124 ]; then cat /tmp/gui.log; echo "qrkprog-gui ended with $status" >&2; exit 1; fi
echo "== man qrkprog (man-db installed after the package)"
apt-get install -y -qq --no-install-recommends man-db >/dev/null
MANPAGER=cat MANWIDTH=80 man qrkprog | head -n 12
MANPAGER=cat man qrkprog | grep -q 'EXIT STATUS'
INSIDE
  echo "== a clean Debian 12 (minbase) in $root"
  # shellcheck disable=SC2016  # expanded by the inner shell
  unshare --mount --propagation private -- bash -euc '
    mount -t proc proc "$1/proc"
    mount --rbind /dev "$1/dev"
    chroot "$1" bash /tmp/check.sh' _ "$root"
  find "$root/var/cache/apt/archives" -name '*.deb' -exec cp -n -t "$cache/apt-archives/" {} +
  echo "== package-check passed: $(basename "$deb")"
}

# The core, the in-process simulator and their tests for Windows: built with
# MinGW-w64 (googletest from Debian's source package) and run under Wine in a
# Wine prefix of their own. Every source that uses Qt is then compiled for
# Windows against the installed Qt headers, syntax only (Qt for Windows is
# not installable here): a POSIX call outside its seam fails there.
windows() {
  install_missing g++-mingw-w64-x86-64-posix wine wine64 googletest cmake ninja-build qt6-base-dev \
    qt6-serialport-dev
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S cmake/windows -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release -DQRK_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/windows/mingw-w64.cmake" "${launcher[@]}" >/dev/null
  cmake --build build-windows -j "$JOBS"
  echo "== the tests under Wine"
  export WINEPREFIX=$PWD/build-windows/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wineboot --init >/dev/null 2>&1 || true
  local results=build-windows/results
  rm -rf "$results"; mkdir -p "$results"
  local t failed=0
  for t in build-windows/bin/test_*.exe; do
    local name
    name=$(basename "$t" .exe)
    if wine "$t" --gtest_brief=1 --gtest_output="xml:$results/$name.xml" >"$results/$name.log" 2>&1; then
      echo "$name: $(sed -n 's/^<testsuites tests="\([0-9]*\)".*/\1/p' "$results/$name.xml") tests passed"
    else
      failed=1
      echo "$name FAILED:" >&2
      cat "$results/$name.log" >&2
    fi
  done
  # Skipped: what needs a Linux tool (sdcc, ucsim, srec_cat) that Wine has not.
  echo "== $(cat "$results"/*.xml |
              sed -n 's/^<testsuites tests="\([0-9]*\)" failures="\([0-9]*\)" disabled="[0-9]*" errors="\([0-9]*\)".*/\1 \2 \3/p' |
              awk '{ n += $1; f += $2 + $3 } END { printf "%d tests run under Wine, %d failed", n, f }'), $(
              grep -ho '<skipped' "$results"/*.xml | wc -l) skipped"
  [ "$failed" -eq 0 ] || return 1

  echo "== the Qt sources, compiled for Windows (syntax only)"
  local qt
  qt=$(qmake6 -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)
  # As a static Qt: Linux's headers compiled for Windows would mark Qt's
  # functions dllimport, and GCC then faults the friend declarations inside
  # Qt's own headers. Whether a Qt DLL or a static Qt, our code is the same.
  local flags=(-std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -Werror -DQRK_VERSION='"0"'
               -DQT_STATIC -I"$qt" -Isrc -Iapp/gui -Iapp/cli -I.)
  for m in "$qt"/Qt*; do flags+=(-I"$m"); done
  # The window, the CLI, the Qt room of src/ wherever it lives, and any other
  # source that includes Qt. qrksim's pseudo-terminal server is POSIX by nature
  # and stays out, as qrksim itself does.
  local sources=() f
  mapfile -t sources < <({ find app src -path '*/qt/*' -name '*.cpp'; find app -name '*.cpp'
                           grep -rlE '^#include <Q' --include='*.cpp' src sim; } | sort -u)
  local bad=0
  for f in "${sources[@]}"; do
    x86_64-w64-mingw32-g++-posix "${flags[@]}" "$f" || { bad=1; echo "  in $f" >&2; }
  done
  echo "== ${#sources[@]} Qt sources checked for Windows"
  return $bad
}

case "${1:-demo}" in
  demo) install_missing; demo ;;
  gui) install_missing; gui ;;
  build) install_missing; build build ;;
  test)
    install_missing
    build build
    (cd build && ctest --output-on-failure -j "$JOBS")
    echo "== the same suite under AddressSanitizer + UndefinedBehaviorSanitizer"
    build build-asan -DQRK_SANITIZE=ON -DQRK_BUILD_BENCH=OFF
    (cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$JOBS")
    echo "== a short fuzz pass: 10000 executions per target"
    fuzz 10000
    echo "== the Release build (-O3) and its installation"
    release_check
    ;;
  package) package ;;
  package-check) package_check ;;
  windows) windows ;;
  bench)
    install_missing
    build build
    for b in build/bin/bench_*; do echo "== $b"; "$b"; done
    ;;
  fuzz) install_missing; fuzz "${2:-1000000}" ;;
  *) echo "usage: $0 demo|gui|test|bench|build|package|package-check|windows|fuzz [N]" >&2; exit 2 ;;
esac

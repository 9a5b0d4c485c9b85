#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine:
#   ./run.sh demo    install what is missing, build, program the example firmware into the simulator
#   ./run.sh test    install what is missing, build, run every test, then again under ASan + UBSan
#   ./run.sh gui     install what is missing, build, open the window on a simulated chip
#   ./run.sh bench   build and print the benchmark figures
#   ./run.sh fuzz [N]  build the libFuzzer targets (clang) and run each N times (default 1000000)
#   ./run.sh build   install what is missing and build
#   ./run.sh package build the Release configuration and make the Debian package (build-release/)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libgtest-dev libgmock-dev
          libbenchmark-dev sdcc sdcc-ucsim srecord clang libclang-rt-14-dev fonts-noto-cjk dpkg-dev
          libqt6sql6-sqlite libqt6sql6-psql postgresql)
JOBS=${JOBS:-$(nproc)}

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
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
  package)
    install_missing
    build build-release -DCMAKE_BUILD_TYPE=Release -DQRK_BUILD_TESTS=OFF -DQRK_BUILD_BENCH=OFF
    (cd build-release && cpack -G DEB)
    ;;
  bench)
    install_missing
    build build
    for b in build/bin/bench_*; do echo "== $b"; "$b"; done
    ;;
  fuzz) install_missing; fuzz "${2:-1000000}" ;;
  *) echo "usage: $0 demo|gui|test|bench|build|package|fuzz [N]" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine:
#   ./run.sh demo    install what is missing, build, program the example firmware into the simulator
#   ./run.sh test    install what is missing, build, run every test, then again under ASan + UBSan
#   ./run.sh bench   build and print the benchmark figures
#   ./run.sh build   install what is missing and build
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libgtest-dev libgmock-dev
          libbenchmark-dev sdcc sdcc-ucsim srecord)
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
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

demo() {
  build build
  local work sim_pid port model=QRK5-16B
  work=$(mktemp -d)
  trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
  port="$work/ttyQRK"
  build/bin/qrksim --model "$model" --link "$port" --power-on-after 30 \
    --flash-out "$work/flash.bin" > "$work/sim.log" &
  sim_pid=$!
  for _ in $(seq 100); do grep -q '^PTY ' "$work/sim.log" 2>/dev/null && break; sleep 0.05; done
  local q=(build/bin/qrkprog run --port "$port" --model "$model" --settings "$work/demo.ini")
  echo "== qrkprog run Verify_ID (the simulated chip powers on after 30 handshakes)"
  "${q[@]}" Verify_ID
  if [ -f firmware/examples/blink.hex ] && build/bin/qrkprog info firmware/examples/blink.hex --model "$model" >/dev/null 2>&1; then
    echo "== qrkprog run Auto --file firmware/examples/blink.hex"
    "${q[@]}" Auto --file firmware/examples/blink.hex
  else
    for f in Erase_All Blank_Check Write_Option Read_Option; do
      echo "== qrkprog run $f"
      "${q[@]}" "$f"
    done
  fi
}

case "${1:-demo}" in
  demo) install_missing; demo ;;
  build) install_missing; build build ;;
  test)
    install_missing
    build build
    (cd build && ctest --output-on-failure -j "$JOBS")
    echo "== the same suite under AddressSanitizer + UndefinedBehaviorSanitizer"
    build build-asan -DQRK_SANITIZE=ON -DQRK_BUILD_BENCH=OFF
    (cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$JOBS")
    ;;
  bench)
    install_missing
    build build
    for b in build/bin/bench_*; do echo "== $b"; "$b"; done
    ;;
  *) echo "usage: $0 demo|test|bench|build" >&2; exit 2 ;;
esac

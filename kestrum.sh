#!/usr/bin/env bash
# Developer entry point: installs what is missing, builds and runs.
#   ./kestrum.sh test        configure, build and run every test (Release build in build/)
#   ./kestrum.sh sanitize    the same with address and undefined-behaviour sanitizers (build-asan/)
#   ./kestrum.sh bench       build and run the benchmarks
#   ./kestrum.sh demo [DIR]  build kestrum-render and write its demo into DIR (default out/demo)
#   ./kestrum.sh install     build the LV2 bundle and copy it to ~/.lv2/Kestrum.lv2
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake g++ make pkg-config python3 zlib1g-dev libsndfile1-dev googletest libgtest-dev libbenchmark-dev
  libx11-dev libcairo2-dev libfreetype-dev libgl-dev fonts-dejavu-core xvfb xauth libgl1-mesa-dri libxtst-dev
  lv2-dev liblilv-dev lilv-utils)
JOBS=$(nproc 2>/dev/null || echo 2)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  if [ "$(id -u)" -ne 0 ]; then
    echo "Please install as root: apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
}

build() {  # build DIR [cmake args...]
  local dir=$1; shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

case "${1:-test}" in
  test)
    install_missing
    build build -DCMAKE_BUILD_TYPE=Release
    ctest --test-dir build --output-on-failure -j "$JOBS"
    ;;
  sanitize)
    install_missing
    build build-asan -DCMAKE_BUILD_TYPE=Debug -DKESTRUM_SANITIZE=ON
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --test-dir build-asan --output-on-failure -j "$JOBS"
    ;;
  scalar)
    # The four-lane types without SSE2: the signal-processing suites must give the same results.
    install_missing
    cmake -S . -B build-scalar -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-DKESTRUM_SCALAR_FLOAT4 \
      -DKESTRUM_BENCHMARKS=OFF >/dev/null
    cmake --build build-scalar -j "$JOBS" --target test_engine test_filters test_modulation test_product
    ctest --test-dir build-scalar --output-on-failure -j "$JOBS" -R '^(engine|filters|modulation|product)\.'
    ;;
  bench)
    install_missing
    build build -DCMAKE_BUILD_TYPE=Release
    for b in build/bench_*; do [ -x "$b" ] && "$b" "${@:2}"; done
    ;;
  demo)
    install_missing
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build -j "$JOBS" --target kestrum-render
    build/apps/kestrum-render/kestrum-render --demo "${2:-out/demo}"
    ;;
  install)
    install_missing
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build -j "$JOBS" --target kestrum_lv2
    # Replaced as a whole, so no file of an older build stays behind.
    target="${HOME}/.lv2/Kestrum.lv2"
    mkdir -p "${HOME}/.lv2"
    rm -rf "$target.new"
    cp -r build/lv2/Kestrum.lv2 "$target.new"
    rm -rf "$target"
    mv "$target.new" "$target"
    echo "installed $target"
    ;;
  *)
    echo "usage: $0 test|sanitize|bench|demo [DIR]|install" >&2
    exit 2
    ;;
esac

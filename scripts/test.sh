#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test:
#   1. the release build (g++, warnings as errors) and its CTest suites, then the Debian
#      package built from it and its installed programs checked,
#   2. the same suites built with AddressSanitizer and UndefinedBehaviorSanitizer,
#   3. each libFuzzer target (clang) for a short, fixed time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

bash scripts/setup.sh

echo "== release build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVO_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== the Debian package, installed into a staging root and run from there"
bash scripts/check-package.sh build

echo "== sanitizer build and tests (ASan + UBSan)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZARVO_WERROR=ON -DZARVO_SANITIZE=ON \
  -DZARVO_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

if [ -d fuzz ] && [ -f fuzz/CMakeLists.txt ]; then
  echo "== fuzz targets (clang, libFuzzer)"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARVO_BUILD_GUI=OFF \
    -DZARVO_BUILD_TESTS=OFF -DZARVO_BUILD_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$jobs"
  bash fuzz/run.sh build-fuzz "${FUZZ_SECONDS:-20}"
fi

echo "== all tests passed"

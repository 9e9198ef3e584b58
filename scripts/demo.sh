#!/usr/bin/env bash
# Sets up, builds, and runs the main job on simulated units.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target zarvo-r5-cli
out=$(mktemp -d)
echo "== zarvo-r5-cli image samples/boot.bin"
./build/src/cli/zarvo-r5-cli image samples/boot.bin -o "$out/boot.img" --settings "$out/settings.ini"

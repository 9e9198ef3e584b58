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
cmp -n 40000 samples/boot.bin "$out/boot.img" && echo "boot.bin: image starts with the file, byte for byte"
for f in boot.hex boot.s37; do
  echo "== zarvo-r5-cli image samples/$f (--ic /512, 16-bit even lane, mirrored over 512K)"
  ./build/src/cli/zarvo-r5-cli image "samples/$f" -o "$out/$f.img" --settings "$out/settings.ini" \
    --ic /512 --dataset /16BIT_EVEN --device-memory 80000 --length 524288
done

# A batch script on two simulated 512K x 8 units; drive D: is mapped to samples/ in the
# settings file, and the units keep their memory and request logs in the scratch folder.
echo
echo "== zarvo-r5-cli run samples/demo.bat (simulated units, D: = samples/)"
printf '[Drives]\r\nD=%s\r\n' "$PWD/samples" > "$out/demo.ini"
status=0
ZARVO_R5_SIM=512Kx8,512Kx8 ZARVO_R5_SIM_DIR="$out" \
  ./build/src/cli/zarvo-r5-cli run samples/demo.bat --work samples/boot.bin --settings "$out/demo.ini" || status=$?
echo "== exit status $status (1: the script's last line names Device 3, and no such unit is attached)"
rm -rf "$out"

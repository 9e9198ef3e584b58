#!/usr/bin/env bash
# Sets up, builds, and runs the main job on simulated units: first the desktop program, then
# the terminal program.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/setup.sh
# The build in one line of progress; its whole log only when it fails.
echo "== building zarvo-r5 and zarvo-r5-cli (log: build/demo-build.log)"
mkdir -p build
if ! { cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release &&
       cmake --build build -j "$(nproc)" --target zarvo-r5 zarvo-r5-cli; } > build/demo-build.log 2>&1; then
  cat build/demo-build.log
  echo "== the build failed (above)" >&2
  exit 1
fi
out=$(mktemp -d)

# The desktop program on two simulated 512K x 8 units. Its settings folder ticks panels 1 and
# 2, with the Intel HEX sample on panel 1 and the binary on panel 2 (both 64K, 8-bit lane).
demo=$out/desktop
mkdir -p "$demo/units"
printf '%s\r\n' '[Option]' 'Lang=English' 'RunMode=0' 'SendPath=0' 'WatchMode=1' 'SourceMode=0' \
  'ConfirmCheck=1' 'ResetCheck=1' '[LoadDlg]' 'OK=1' \
  '[Device1]' 'Check=1' 'ICType=5' 'DataSet=0' "Name=$root/samples/boot.hex" 'Format=4' 'UserFill=255' \
  'UnuserFillCheck=1' '[Device2]' 'Check=1' 'ICType=5' 'DataSet=0' "Name=$root/samples/boot.bin" 'Format=3' \
  'UserFill=255' 'UnuserFillCheck=1' > "$demo/TovanHistory_1.ini"
gui() { (cd "$demo" && XDG_CONFIG_HOME="$demo/config" ZARVO_R5_SIM=512Kx8,512Kx8 ZARVO_R5_SIM_DIR="$demo/units" "$@"); }

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "== zarvo-r5: the window opens on two simulated units, panels 1 and 2 ready; press Run, then close it"
  sed -i 's/^RunMode=0/RunMode=1/' "$demo/TovanHistory_1.ini"
  gui "$root/build/src/gui/zarvo-r5"
else
  # No display (a server, CI): the same program on a virtual display, handed the HEX file as a
  # file manager's "Open with" would; "run after hand-off" runs the ticked panels one second
  # later and closes the program, which saves its settings.
  echo "== zarvo-r5 samples/boot.hex (no display: under xvfb-run, run after hand-off)"
  gui env ZARVO_R5_SCREENSHOT="$root/build/demo-window.png" \
    xvfb-run -a "$root/build/src/gui/zarvo-r5" "$root/samples/boot.hex"
  echo "zarvo-r5 ended by itself; the sums it saved:"
  grep -E '^Sum=' "$demo/TovanHistory_1.ini" | head -n 2 | sed 's/^/  /'
  for n in 1 2; do
    cmp -n 40000 "$root/samples/boot.bin" "$demo/units/unit$n.bin" &&
      echo "  unit $n holds the firmware (first 40000 bytes equal samples/boot.bin)"
  done
  echo "  a picture of the window as it closed: build/demo-window.png"
fi

echo
echo "== zarvo-r5-cli image samples/boot.bin"
./build/src/cli/zarvo-r5-cli image samples/boot.bin -o "$out/boot.img" --settings "$out/settings.ini"
cmp -n 40000 samples/boot.bin "$out/boot.img" && echo "boot.bin: image starts with the file, byte for byte"
for f in boot.hex boot.s37; do
  echo "== zarvo-r5-cli image samples/$f (--ic /512, 16-bit even lane, mirrored over 512K)"
  ./build/src/cli/zarvo-r5-cli image "samples/$f" -o "$out/$f.img" --settings "$out/settings.ini" \
    --ic /512 --dataset /16BIT_EVEN --device-memory 80000 --length 524288
done

# A batch script on three simulated 512K x 8 units; drive D: is mapped to samples/ in the
# settings file, and the units keep their memory and request logs in the scratch folder.
echo
echo "== zarvo-r5-cli run samples/demo.bat (three simulated units, D: = samples/)"
printf '[Drives]\r\nD=%s\r\n' "$PWD/samples" > "$out/demo.ini"
status=0
ZARVO_R5_SIM=512Kx8,512Kx8,512Kx8 ZARVO_R5_SIM_DIR="$out" \
  ./build/src/cli/zarvo-r5-cli run samples/demo.bat --work samples/boot.bin --settings "$out/demo.ini" || status=$?
echo "== exit status $status"
rm -rf "$out"

cat <<EOT

Try next (the programs are in build/src/gui/zarvo-r5 and build/src/cli/zarvo-r5-cli):
  build/src/cli/zarvo-r5-cli --help
  ZARVO_R5_SIM=512Kx8,1024Kx8 build/src/cli/zarvo-r5-cli units
  build/src/cli/zarvo-r5-cli check samples/demo.bat --work samples/boot.bin
and the desktop program on simulated units: ZARVO_R5_SIM=512Kx8,512Kx8 build/src/gui/zarvo-r5
EOT
[ "$status" = 0 ]

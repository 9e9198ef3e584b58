#!/usr/bin/env bash
# Pictures of the desktop program as an X server shows it (Xvfb), at scale 1 and 2: each page
# with the built-in, English and Chinese captions, the load dialog, a change notice, a run's
# end on both mode pages and the no-unit state. They land in BUILD_DIR/screenshots/x11;
# --docs also copies the ones the README shows into docs/.
#   scripts/screenshots.sh BUILD_DIR [--docs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: scripts/screenshots.sh BUILD_DIR [--docs]}" && pwd)
out=$build/screenshots/x11
rm -rf "$out"
for scale in 1 2; do
  xvfb-run -a -s "-screen 0 1280x1100x24" env QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
    ZARVO_SCREENSHOT_TOUR_DIR="$out" "$build/tests/gui/gui_tests" --gtest_filter='Look.*' >/dev/null
done
ls "$out"
if [ "${2:-}" = "--docs" ]; then
  cp "$out/window-run-end.png" "$root/docs/window-mode.png"
  cp "$out/batch-run-end.png" "$root/docs/batch-mode.png"
  cp "$out/option1-chinese.png" "$root/docs/option-1.png"
  cp "$out/option2-chinese.png" "$root/docs/option-2.png"
  cp "$out/load-dialog.png" "$root/docs/load-dialog.png"
  cp "$out/notice.png" "$root/docs/notice.png"
  cp "$out/no-unit.png" "$root/docs/no-unit.png"
  cp "$out/window-english@2x.png" "$root/docs/window-mode@2x.png"
fi

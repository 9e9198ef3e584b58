#!/usr/bin/env bash
# Builds the Debian package from a release build and checks the installed programs, not the
# build tree: lintian (no error, no warning), the file list, the .desktop entry and man pages,
# the changelog's version, and both programs run from a staging root in a folder outside the
# source tree on simulated units.
#   scripts/check-package.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: scripts/check-package.sh BUILD_DIR}" && pwd)
version=$(sed -n 's/^project(zarvo_r5 VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
(cd "$build" && cpack -G DEB >/dev/null)
deb=$build/zarvo-r5_${version}_$(dpkg --print-architecture).deb
echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"

dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sort > "$build/package-files.actual"
diff -u "$root/packaging/package-files.txt" "$build/package-files.actual"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6'
dpkg-deb -f "$deb" Recommends | grep -q 'fonts-noto-cjk'
# Informational tags (hardening flags, the programs' own spellings such as "Paramater") are
# shown; errors and warnings fail.
status=0
lintian --fail-on error,warning --tag-display-limit 0 "$deb" > "$build/lintian.out" 2>&1 || status=$?
grep -v 'running with root privileges' "$build/lintian.out" || true
[ "$status" = 0 ] || { echo "lintian: the package has errors or warnings" >&2; exit 1; }
[ "$(sed -n '1s/^zarvo-r5 (\([^)]*\)).*/\1/p' "$root/packaging/debian/changelog")" = "$version" ] ||
  { echo "packaging/debian/changelog: its top entry is not version $version" >&2; exit 1; }

stage=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$stage" "$work"' EXIT
dpkg-deb -x "$deb" "$stage"
desktop-file-validate "$stage/usr/share/applications/zarvo-r5.desktop"
# Binaries open through "Open with": the entry claims no catch-all type.
! grep -q 'application/octet-stream' "$stage/usr/share/applications/zarvo-r5.desktop"
for page in zarvo-r5 zarvo-r5-cli; do
  warnings=$(zcat "$stage/usr/share/man/man1/$page.1.gz" | LC_ALL=C.UTF-8 groff -ww -man -z 2>&1)
  [ -z "$warnings" ] || { echo "$page.1: $warnings" >&2; exit 1; }
done
for section in "THE FOUR PAGES" "SETTINGS FILE" "LANGUAGE TABLES" "HAND-OFF" "SIGNALS" "FILES"; do
  zcat "$stage/usr/share/man/man1/zarvo-r5.1.gz" | grep -q "^\.SH \"\?$section" ||
    { echo "zarvo-r5.1: no section $section" >&2; exit 1; }
done

bin=$stage/usr/bin
cd "$work"
[ "$("$bin/zarvo-r5-cli" --version)" = "zarvo-r5-cli $version" ]
[ "$("$bin/zarvo-r5" --version)" = "zarvo-r5 $version" ]
"$bin/zarvo-r5-cli" image "$root/samples/boot.hex" -o boot.img --settings image.ini >/dev/null 2>&1
cmp -n 40000 "$root/samples/boot.bin" boot.img
printf '[Drives]\r\nD=%s\r\n' "$root/samples" > demo.ini
status=0
ZARVO_R5_SIM=512Kx8,512Kx8 "$bin/zarvo-r5-cli" run "$root/samples/demo.bat" --work "$root/samples/boot.bin" \
  --settings demo.ini > run.out 2>&1 || status=$?
[ "$status" = 1 ] && grep -q 'Success!!' run.out   # the last line names Device 3, which is absent

# The desktop program: English captions from the installed data folder, settings in the XDG
# folder (this folder holds none), closed with SIGTERM.
mkdir units
XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen ZARVO_R5_SIM=512Kx8 ZARVO_R5_SIM_DIR=$work/units \
  "$bin/zarvo-r5" > gui.out 2> gui.err &
pid=$!
for _ in $(seq 1 500); do grep -q 'B 0000 0000' units/unit1.log 2>/dev/null && break; sleep 0.02; done
kill -TERM "$pid"
wait "$pid"
! grep -q 'no language table' gui.err
grep -q '^Lang=English' "$work/config/ZARVO_R5/TovanHistory_1.ini"
[ ! -e "$work/TovanHistory_1.ini" ]
echo "package: file list, .desktop, man pages and the installed programs check out"

#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the fuzz targets and the benchmarks need.
# Idempotent: packages already present are left alone, and the package lists are refreshed
# only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev llvm
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libusb-1.0-0-dev zlib1g-dev libcli11-dev
  umockdev libumockdev-dev
  srecord binutils hyperfine
  qt6-base-dev libgl-dev fonts-noto-cjk fonts-dejavu-core
  xvfb xauth x11-utils
  help2man dpkg-dev fakeroot desktop-file-utils man-db groff-base libxml2-utils lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs every Debian package the station, its bench and its tests need.
set -euo pipefail
packages=(
  build-essential cmake pkg-config git
  libgtest-dev libgmock-dev googletest
  libusb-dev umockdev libumockdev-dev libglib2.0-dev libudev-dev
  qt6-base-dev xvfb
  dosfstools mtools xorriso genisoimage ntfs-3g fdisk util-linux usbutils
  python3 python3-crcmod locales time hdparm
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

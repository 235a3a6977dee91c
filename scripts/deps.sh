#!/usr/bin/env bash
# Installs what building and testing Bidquill needs on Debian 12 (as root, or with sudo). Given
# package names, installs those that are missing instead (the browser edition's scripts).
set -euo pipefail
packages=("$@")
if [ ${#packages[@]} -eq 0 ]; then
  packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-webengine-dev libqt6webenginecore6-bin
    libgtest-dev libgmock-dev libbenchmark-dev fonts-noto-cjk qt6-translations-l10n
    desktop-file-utils appstream shared-mime-info libglib2.0-bin python3-html5lib xvfb openbox x11-utils)
fi
missing=()
for p in "${packages[@]}"; do
  # A package whose triggers are still to run (another installation is under way) is there.
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null |
    grep -Eq "install ok (installed|triggers-pending|triggers-awaited)" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  # Automatic updates may hold the package lock: wait for it (up to ten minutes), not fail.
  wait_lock=(-o DPkg::Lock::Timeout=600)
  $sudo apt-get "${wait_lock[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get "${wait_lock[@]}" install -y -qq "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs the Debian packages the player, its tests and its demo need; does nothing
# when they are all present. Runs apt-get as root, through sudo otherwise.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-webengine-dev
  libmpv-dev mpv libxcb1-dev libxcb-sync-dev libxcb-randr0-dev
  libcurl4-openssl-dev
  libgtest-dev libgmock-dev googletest
  libcpp-httplib-dev libmagic-dev
  clang libclang-rt-14-dev clang-format
  python3 python3-pyftpdlib python3-prometheus-client
  ffmpeg xvfb xauth x11-utils imagemagick faketime
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  fonts-liberation fonts-urw-base35
  debhelper lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq "${missing[@]}"

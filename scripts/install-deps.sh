#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with.
# Idempotent: does nothing (and prints nothing) when every package is present.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev
  zlib1g-dev libpng-dev libstb-dev
  libsdl2-dev libepoxy-dev libegl-dev libgl1-mesa-dri libegl-mesa0
  libopenal-dev libsndfile1-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libbox2d-dev libcurl4-openssl-dev libjson-c-dev libffi-dev
  python3 clang-format lua5.4
  clang libclang-rt-14-dev
  libx11-dev xvfb xdotool x11-utils
  # The window system's own message box draws with the X server's core fonts; without
  # them it cannot open, and the desktop test's boxes never appear.
  xfonts-base
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q >/dev/null
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null

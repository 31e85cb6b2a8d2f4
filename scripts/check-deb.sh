#!/usr/bin/env bash
# Builds the Debian package and shows that it installs and runs on a fresh Debian:
# a minimal bookworm root made with debootstrap (kept in ROOT for the next run), the
# package installed with apt, then `zorvex --version` and the example game, packed and
# played headless inside it. Needs root, debootstrap and the Debian mirror; takes minutes,
# so it is not part of scripts/test.sh.
# Usage: sudo scripts/check-deb.sh [ROOT]   (default /tmp/zorvex-deb-root)
set -euo pipefail
cd "$(dirname "$0")/.."
root=${1:-/tmp/zorvex-deb-root}
cmake --preset release >/dev/null
cmake --build --preset release
(cd build/release && cpack -G DEB >/dev/null)
deb=$(ls build/release/zorvex_*.deb | tail -n1)
if [ ! -f "$root/etc/debian_version" ]; then
  debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian
fi
cp "$deb" "$root/tmp/zorvex.deb"
rm -rf "$root/tmp/demo"
cp -r examples/demo "$root/tmp/demo"
cp /etc/resolv.conf "$root/etc/resolv.conf"
chroot "$root" /bin/sh -ec '
  apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q /tmp/zorvex.deb >/dev/null
  cd /tmp
  zorvex --version
  zorvex-pack demo -o demo.win
  zorvex --headless --no-wait --frames 240 --screenshot 200:/tmp/demo.png demo.win
  test -s /tmp/demo.png
'
echo "The package installs and plays the example game in $root"

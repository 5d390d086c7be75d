#!/bin/sh
# Installs the Debian 12 packages Tarnwick needs to build, run and test.
# Packages already present are left alone; apt-get runs only when one is missing.
set -e

PACKAGES="
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-declarative-dev qt6-base-dev-tools qt6-declarative-private-dev
  qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
  qml6-module-qtquick-templates qml6-module-qtquick-window qml6-module-qtqml-workerscript
  qml6-module-qttest
  libvlc-dev vlc-plugin-base libsimpleini-dev libxcb1-dev libgl-dev
  fonts-dejavu-core
  ffmpeg xvfb xauth xdotool x11-utils desktop-file-utils appstream dbus
  at-spi2-core python3-pyatspi
"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing

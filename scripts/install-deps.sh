#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, test, run and benchmark.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git clang-format
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  qt6-webengine-dev qt6-webengine-dev-tools libqt6webenginecore6-bin
  qt6-qpa-plugins libgl-dev libxkbcommon-dev
  libgtest-dev libgmock-dev
  libcpp-httplib-dev libmicrohttpd-dev libsqlite3-dev libssl-dev zlib1g-dev libzip-dev
  libreofficekit-dev libreoffice-writer libreoffice-calc libreoffice-impress
  libcups2-dev qt6-pdf-dev
  shared-mime-info
  fonts-noto-cjk fonts-dejavu-core qt6-translations-l10n
  xvfb xauth imagemagick x11-utils poppler-utils openbox
  xclip xdotool unzip
  xdg-utils curl nginx-light wrk
  dpkg-dev file lintian desktop-file-utils appstream iproute2 util-linux
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"

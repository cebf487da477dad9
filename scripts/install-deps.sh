#!/usr/bin/env bash
# Installs the Debian packages irochi needs to build, run and test.
# Idempotent: when everything is present it only runs dpkg-query and exits.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic qt6-translations-l10n
  xvfb xauth xdotool xclip x11-utils imagemagick libx11-dev libxcb1-dev python3
  x11-xserver-utils qt6-wayland sway wayvnc grim wl-clipboard
  desktop-file-utils appstream libxml2-utils librsvg2-bin
  clang libclang-rt-14-dev
  debhelper dpkg-dev lintian
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

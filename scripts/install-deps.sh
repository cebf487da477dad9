#!/usr/bin/env bash
# Installs the Debian packages one task needs, those that are missing:
#   run      building irochi and running it (scripts/run.sh)
#   test     that, and the whole test suite (scripts/test.sh)
#   package  that, and building the Debian package (scripts/package.sh)
#   fuzz     that, and the fuzz preset (fuzz/run.sh)
# With --list it prints the task's packages, one a line, and installs nothing.
# Idempotent: when everything is present it only asks dpkg and exits.
# debian/control's Build-Depends are checked against these lists (ctest's
# setup_check).
# Usage: install-deps.sh [--list] run|test|package|fuzz
set -euo pipefail

# The compiler and CMake, what the program's find_package calls ask for (Qt 6
# with the GL headers its CMake files want, libjpeg 62, libpng, Little CMS 2
# for pictures' colour profiles, the X client libraries), what the program
# shows its captions with: the IPA Gothic font and Qt's Japanese texts, and
# Qt's WebP and TIFF readers for dropped and pasted pictures (Qt's D-Bus
# module, which asks the desktop portal for the screen, comes with
# qt6-base-dev).
run=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev libjpeg62-turbo-dev libpng-dev liblcms2-dev libx11-dev libxcb1-dev
  fonts-ipafont-gothic qt6-translations-l10n qt6-image-formats-plugins
)
# The test suites and benchmarks; the real X server, the Wayland compositor
# with the desktop portal it captures the screen through, and the screen
# reader's interface the checks use; the validators and the package tools of
# the package check; Node.js for the CSS reference of the notation check.
test=(
  googletest libgtest-dev libgmock-dev libbenchmark-dev libxtst-dev libxfixes-dev libxdamage-dev python3
  xvfb xauth xdotool xclip x11-utils x11-xserver-utils imagemagick
  qt6-wayland sway wayvnc grim wl-clipboard
  pipewire xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk
  dbus at-spi2-core python3-pyatspi
  desktop-file-utils appstream libxml2-utils librsvg2-bin
  debhelper dpkg-dev lintian nodejs
)
# Commands another package may provide already (Node.js's own packages bring
# npm): their Debian package is installed only when the command is missing.
# npm installs the CSS reference the notation check compares with.
test_commands=(npm)
# The package's own build, its test suite included.
package=(debhelper dpkg-dev libgtest-dev)
# libFuzzer comes with clang.
fuzz=(clang libclang-rt-14-dev)

list=false
if [ "${1:-}" = "--list" ]; then
  list=true
  shift
fi
task=${1:-}
case $task in
  run) packages=("${run[@]}") ;;
  test) packages=("${run[@]}" "${test[@]}") ;;
  package) packages=("${run[@]}" "${package[@]}") ;;
  fuzz) packages=("${run[@]}" "${fuzz[@]}") ;;
  *)
    echo "usage: $0 [--list] run|test|package|fuzz" >&2
    exit 2
    ;;
esac
if $list; then
  printf '%s\n' "${packages[@]}"
  [ "$task" != test ] || printf '%s\n' "${test_commands[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done
if [ "$task" = test ]; then
  for c in "${test_commands[@]}"; do
    command -v "$c" >/dev/null || missing+=("$c")
  done
fi
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

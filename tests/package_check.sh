#!/usr/bin/env bash
# Builds the Debian package from a clean copy (scripts/package.sh, the test
# suite included), checks it with lintian (no error, no warning), checks its
# file list, its dependencies and its launcher and metadata with their own
# validators. With CI=true or IROCHI_PACKAGE_INSTALL=1 it also installs the
# package with apt-get, runs the installed program as an unprivileged user
# under Xvfb, and removes it with --purge, leaving no file of it behind:
# that part changes the machine, so it never runs by surprise.
# Everything it writes goes to BUILD-DIR/package.
# Usage: package_check.sh SOURCE-DIR BUILD-DIR   (exit 77: tools missing)
set -euo pipefail
src=$1
out=$2/package
source "$(dirname "$0")/check.sh"
require dpkg-buildpackage lintian desktop-file-validate appstreamcli

mkdir -p "$out"
log=$out/package.log
bash "$src/scripts/package.sh" "$out" >"$log" 2>&1 ||
  { tail -50 "$log"; echo "FAIL: the package did not build"; exit 1; }
deb=$(ls "$out"/irochi_*_*.deb)
echo "built $(basename "$deb")"
check "tests ran in the package build" 1 "$(grep -c '^100% tests passed' "$log" || true)"

tags=$(lintian --pedantic "$deb" 2>&1 | grep -E '^[EW]: ' || true)
check "lintian: no error, no warning" "" "$tags"

expected="/usr/bin/irochi
/usr/bin/irochi-pick
/usr/share/applications/io.github.irochi.Irochi.desktop
/usr/share/doc/irochi/changelog.gz
/usr/share/doc/irochi/copyright
/usr/share/icons/hicolor/scalable/apps/io.github.irochi.Irochi.svg
/usr/share/man/man1/irochi-pick.1.gz
/usr/share/man/man1/irochi.1.gz
/usr/share/metainfo/io.github.irochi.Irochi.metainfo.xml"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print substr($6, 2)}' | sort)
check "file list" "$expected" "$files"

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6dbus6 libjpeg62-turbo fonts-ipafont-gothic qt6-translations-l10n \
  qt6-image-formats-plugins; do
  check "depends on $needed" yes "$(grep -q "$needed" <<<"$depends" && echo yes || echo no)"
done
check "recommends" "qt6-wayland" "$(dpkg-deb -f "$deb" Recommends)"
check "the launcher's action picks off the screen" "irochi-pick --copy" \
  "$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/io.github.irochi.Irochi.desktop |
     sed -n '/^\[Desktop Action pick\]/,/^\[/s/^Exec=//p')"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
check "desktop entry valid" "" \
  "$(desktop-file-validate "$unpacked/usr/share/applications/io.github.irochi.Irochi.desktop" 2>&1)"
appstream=$(appstreamcli validate --no-net \
  "$unpacked/usr/share/metainfo/io.github.irochi.Irochi.metainfo.xml" 2>&1 || true)
check "metadata: no error, no warning" "" "$(grep -E '^[EW]:' <<<"$appstream" || true)"
check "metadata licence" "MIT" \
  "$(xmllint --xpath 'string(//project_license)' "$unpacked/usr/share/metainfo/io.github.irochi.Irochi.metainfo.xml")"

if [ "${CI:-}" != "true" ] && [ "${IROCHI_PACKAGE_INSTALL:-}" != "1" ]; then
  echo "installing and removing the package: only with CI=true or IROCHI_PACKAGE_INSTALL=1"
  exit $fail
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "installing the package needs root: skipped"
  exit $fail
fi
for tool in Xvfb xdotool setpriv import convert; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >/dev/null
check "installed" "install ok installed" "$(dpkg-query -W -f='${Status}' irochi)"
installed=$(dpkg -L irochi | while read -r f; do if [ -f "$f" ]; then echo "$f"; fi; done | sort)
check "installed files" "$expected" "$installed"

# The installed program, run by a user who cannot write /usr/bin: a picture
# folder remembered in that user's own file, the image mode entered, the
# picture shown, and the file written anew.
home=$(mktemp -d)
chmod 755 "$home"
mkdir -p "$home/.config/irochi" "$home/pictures"
convert -size 40x30 xc:'rgb(200,100,50)' BMP3:"$home/pictures/flat.bmp"
printf '%s' "$home/pictures" >"$home/.config/irochi/pixdir.txt"
chown -R nobody "$home"
before=$(stat -c %i "$home/.config/irochi/pixdir.txt")
"$(dirname "$0")/with_x_server.sh" "-screen 0 1024x768x24" \
  bash "$(dirname "$0")/image_mode_as_nobody.sh" /usr/bin/irochi "$home" 200,100,50
check "the installed program shows the picture" "200,100,50" "$(cat "$home/pixel" 2>&1)"
check "the folder remembered in the user's file, written anew" yes \
  "$([ "$(stat -c %i "$home/.config/irochi/pixdir.txt")" != "$before" ] &&
     [ "$(cat "$home/.config/irochi/pixdir.txt")" = "$home/pictures" ] && echo yes || echo no)"
check "no error shown" "" "$(grep -v XDG_RUNTIME_DIR "$home/stderr" || true)"
check "nothing written beside the program" no "$([ -e /usr/bin/pixdir.txt ] && echo yes || echo no)"
rm -rf "$home"

apt-get remove --purge -y -qq irochi >/dev/null
check "removed" "" "$(dpkg-query -W -f='${Status}' irochi 2>/dev/null | grep installed || true)"
left=$(while read -r f; do if [ -e "$f" ]; then echo "$f"; fi; done <<<"$expected")
check "no file left behind" "" "$left"
exit $fail

#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what an installed copy is:
# the files, the desktop entry, the software-centre metadata and the icon
# validated by their own tools; then runs the installed program in a real X
# server as a user who cannot write its folder, enters the image mode and
# checks that the folder is remembered in that user's own configuration.
# Usage: installed_copy.sh BUILD-DIR    (exit 77: the tools are missing)
set -euo pipefail
build=$1
source "$(dirname "$0")/check.sh"
require desktop-file-validate appstreamcli xmllint rsvg-convert Xvfb xdotool setpriv
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/irochi bin/irochi-pick share/applications/io.github.irochi.Irochi.desktop share/icons/hicolor/scalable/apps/io.github.irochi.Irochi.svg \
         share/metainfo/io.github.irochi.Irochi.metainfo.xml share/man/man1/irochi.1 share/man/man1/irochi-pick.1; do
  check "installed $f" yes "$([ -s "$prefix/$f" ] && echo yes || echo no)"
done
check "executable" yes "$([ -x "$prefix/bin/irochi" ] && [ -x "$prefix/bin/irochi-pick" ] && echo yes || echo no)"
check "the launcher's pick action runs the companion" "irochi-pick --copy" \
  "$(sed -n '/^\[Desktop Action pick\]/,/^\[/s/^Exec=//p' "$prefix/share/applications/io.github.irochi.Irochi.desktop")"
check "the companion's help lists every notation" 16 \
  "$("$prefix/bin/irochi-pick" --help | grep -cE '^  [a-z0-9-]+ +[^ -]')"
check "desktop entry valid" "" "$(desktop-file-validate "$prefix/share/applications/io.github.irochi.Irochi.desktop" 2>&1)"
appstream=$(appstreamcli validate --no-net "$prefix/share/metainfo/io.github.irochi.Irochi.metainfo.xml" 2>&1 || true)
check "metadata without errors or warnings" 0 "$(printf '%s\n' "$appstream" | grep -c '^[EW]:' || true)"
check "icon is well-formed XML" "" "$(xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/io.github.irochi.Irochi.svg" 2>&1)"
check "icon root is svg" svg "$(xmllint --xpath 'local-name(/*)' "$prefix/share/icons/hicolor/scalable/apps/io.github.irochi.Irochi.svg")"
check "icon renders" yes "$(rsvg-convert -w 48 -h 48 "$prefix/share/icons/hicolor/scalable/apps/io.github.irochi.Irochi.svg" \
  -o "$work/icon.png" && [ -s "$work/icon.png" ] && echo yes || echo no)"
grep -q '^Name\[ja\]=' "$prefix/share/applications/io.github.irochi.Irochi.desktop" && echo "ok: Japanese name" ||
  { echo "FAIL: no Japanese name"; fail=1; }

if [ "$(id -u)" -ne 0 ]; then
  echo "the run as another user needs root: skipped"
  exit $fail
fi
# A picture folder, remembered beside the program by an earlier copy that
# could write there; the installed copy runs as "nobody", who cannot.
mkdir -p "$work/pictures" "$work/home"
convert -size 8x8 xc:red BMP3:"$work/pictures/red.bmp"
printf '%s' "$work/pictures" >"$prefix/bin/pixdir.txt"
chown nobody "$work/home"
check "the program's folder is not writable for nobody" no \
  "$(setpriv --reuid=nobody --regid=nogroup --clear-groups test -w "$prefix/bin" && echo yes || echo no)"

chmod 755 "$work/home"
"$(dirname "$0")/with_x_server.sh" "-screen 0 1024x768x24" \
  bash "$(dirname "$0")/image_mode_as_nobody.sh" "$prefix/bin/irochi" "$work/home" 255,0,0
check "remembered in the user's folder" "$work/pictures" "$(cat "$work/home/.config/irochi/pixdir.txt" 2>&1)"
check "the program's folder untouched" "$work/pictures" "$(cat "$prefix/bin/pixdir.txt")"
check "the picture shown" "255,0,0" "$(cat "$work/home/pixel" 2>&1)"
check "no error shown" "" "$(grep -v XDG_RUNTIME_DIR "$work/home/stderr" || true)"
exit $fail

#!/usr/bin/env bash
# Grabs the README's screenshots from the real program under Xvfb: each of the
# three modes, and the directory chooser. Usage: scripts/screenshots.sh [irochi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-$root/build/release/app/irochi}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/写真"
cp "$exe" "$work/bin/irochi"
convert -size 400x300 gradient:'#ffb060-#3050c0' -swirl 120 "$work/写真/夕焼け.jpg"
convert -size 64x48 xc:'rgb(10,20,30)' -fill 'rgb(200,100,50)' -draw 'rectangle 32,0 63,47' \
  BMP3:"$work/写真/halves.bmp"
convert -size 200x150 plasma:fractal -seed 7 BMP3:"$work/写真/Plasma.BMP"
printf '%s' "$work/写真" >"$work/bin/pixdir.txt"

cat >"$work/inner.sh" <<'INNER'
set -euo pipefail
work=$1 docs=$2
"$work/bin/irochi" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
win=$(timeout 20 xdotool search --sync --name "色をクリックしたら" | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$win")"
settle() { sleep 0.5; }
click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; settle; }
settle
click 177 167                    # a swatch
import -window "$win" "$docs/mode-palette.png"
click 157 56                     # switch: sliders
click 262 124; click 302 177; click 302 177; click 232 230
import -window "$win" "$docs/mode-sliders.png"
click 157 56                     # switch: image
click 390 90                     # the second picture
click 490 23                     # zoom up: 200 %
click 150 160                    # pick a pixel
import -window "$win" "$docs/mode-image.png"
xdotool mousemove $((X + 428)) $((Y + 50)) click 1   # the folder button
sleep 1
import -window "$(xdotool search --name 'ディレクトリの選択' | head -n 1)" "$docs/chooser.png"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/inner.sh" "$work" "$root/docs"
echo "written: $root/docs/mode-*.png, chooser.png"

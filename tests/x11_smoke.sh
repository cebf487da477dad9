#!/usr/bin/env bash
# Starts the built program in a real X server and uses it from outside, as a
# user would, with xdotool's clicks and xclip's reading of the clipboard: the
# window's size and colours, a swatch and both copy buttons, the slider mode
# with a step button, and the image mode with a picture from a folder named
# in "pixdir.txt", a pixel picked and its texts copied; the colour menu's
# every notation chosen by keyboard and read off the clipboard, colours put
# on the clipboard by xclip pasted in each mode, "-1" and the RGB text
# pasted back. Every step waits for its condition with a deadline instead of
# sleeping a fixed time.
# Usage: x11_smoke.sh PATH-TO-IROCHI PATH-TO-NOTATION-PROBE   (exit 77: the X
# tools are missing)
set -euo pipefail
exe=$1
probe=$2
tests=$(cd "$(dirname "$0")" && pwd)
source "$tests/check.sh"
require Xvfb xdotool xclip import convert

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the program in a folder of its own, so that "pixdir.txt" beside it
# is this test's. The picture: left half rgb(10,20,30), right half rgb(200,100,50).
mkdir -p "$work/bin" "$work/pictures"
cp "$exe" "$work/bin/irochi"
cp "$probe" "$work/notation_probe"
convert -size 40x30 xc:'rgb(10,20,30)' -fill 'rgb(200,100,50)' -draw 'rectangle 20,0 39,29' \
  BMP3:"$work/pictures/halves.bmp"
printf '%s' "$work/pictures" >"$work/bin/pixdir.txt"

cat >"$work/inner.sh" <<'INNER'
set -euo pipefail
work=$1
# The X server, whatever platform the environment asks Qt for (CI systems for
# Qt programs often set offscreen).
export QT_QPA_PLATFORM=xcb
shot=$work/shot.png
"$work/bin/irochi" -reverse -geometry 300x200+0+0 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

source "$2/check.sh"
# Runs a command until it prints the expected text or 20 s have passed;
# prints what it printed last.
until_prints() { # expected command...
  local expected=$1 got="" deadline=$((SECONDS + 20))
  shift
  while :; do
    got=$("$@" 2>/dev/null || true)
    [ "$got" = "$expected" ] || [ $SECONDS -ge $deadline ] && break
    sleep 0.05
  done
  printf '%s' "$got"
}
pixel() { # screen x, y -> r,g,b
  import -window root "$shot"
  convert "$shot" -crop "1x1+$1+$2" -format '%[fx:round(255*r)],%[fx:round(255*g)],%[fx:round(255*b)]' info:
}
clipboard() { timeout 5 xclip -o -selection clipboard; }
click() { xdotool mousemove "$1" "$2" click 1; }
# Text on the clipboard from xclip, pasted with Ctrl+V over the window.
paste() {
  printf '%s' "$1" | xclip -selection clipboard
  until_prints "$1" clipboard >/dev/null
  xdotool mousemove $((X + 250)) $((Y + 20)) key ctrl+v
}
switch_to() { # the caption of the next mode
  click $((X + 157)) $((Y + 56)) # BtnSWTCH
  check "caption after switch" "$1" "$(until_prints "$1" xdotool getwindowname "$win")"
}

win=$(timeout 20 xdotool search --sync --name "色をクリックしたら" | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$win")"
# The arguments are ignored: the window stands where and as large as designed.
check "client area" "505x344" "${WIDTH}x${HEIGHT}"
check "position" "192,107" "$X,$Y"
check "preview at start" "128,128,128" "$(until_prints 128,128,128 pixel $((X + 157)) $((Y + 23)))"
# Swatch centres: Edit3 red, Edit27 blue, Edit40 white, Edit5 pink.
check "Edit3 on screen" "255,0,0" "$(pixel $((X + 89)) $((Y + 167)))"
check "Edit27 on screen" "0,0,255" "$(pixel $((X + 199)) $((Y + 149)))"
check "Edit40 on screen" "255,255,255" "$(pixel $((X + 243)) $((Y + 203)))"
check "Edit5 on screen" "255,153,204" "$(pixel $((X + 89)) $((Y + 203)))"

click $((X + 89)) $((Y + 167))   # Edit3
check "preview after the click" "255,0,0" "$(until_prints 255,0,0 pixel $((X + 157)) $((Y + 23)))"
click $((X + 44)) $((Y + 49))    # BtnCpy1
check "copied integer text" "255" "$(until_prints 255 clipboard)"
click $((X + 300)) $((Y + 50))   # BtnCpy2
check "copied RGB text" "RGB(255, 0, 0)" "$(until_prints "RGB(255, 0, 0)" clipboard)"

# The colour menu on the preview: each notation, chosen with the arrow keys
# and Return, is what the clipboard then holds.
mapfile -t notations < <(echo 255 | "$work/notation_probe" write | cut -f4)
for i in "${!notations[@]}"; do
  printf 'none' | xclip -selection clipboard
  xdotool mousemove $((X + 157)) $((Y + 23)) click 3
  until_prints yes sh -c "xdotool search --onlyvisible --class irochi | wc -l | grep -q '^2$' && echo yes" >/dev/null
  xdotool key --repeat $((i + 1)) Down key Return
  check "menu item $((i + 1)) copied" "${notations[$i]}" "$(until_prints "${notations[$i]}" clipboard)"
done
paste "#3A5B40"
check "pasted hex on the preview" "58,91,64" "$(until_prints 58,91,64 pixel $((X + 157)) $((Y + 23)))"
paste "-1"
click $((X + 44)) $((Y + 49))    # BtnCpy1
check "-1 pasted and copied back" "-1" "$(until_prints -1 clipboard)"
paste "RGB(1, 2, 3)"
click $((X + 300)) $((Y + 50))   # BtnCpy2
check "RGB text pasted and copied back" "RGB(1, 2, 3)" "$(until_prints "RGB(1, 2, 3)" clipboard)"

# Slider mode: grey again, then one step up on the red row (Btn22).
switch_to "色の配分変化にしたがって値を返すという以外に何か能があるわけじゃない"
check "preview after the switch" "128,128,128" "$(until_prints 128,128,128 pixel $((X + 157)) $((Y + 23)))"
click $((X + 262)) $((Y + 124))  # Btn22
click $((X + 44)) $((Y + 49))    # BtnCpy1
check "copied slider colour" "8421505" "$(until_prints 8421505 clipboard)"
click $((X + 300)) $((Y + 50))   # BtnCpy2
check "copied slider RGB text" "RGB(129, 128, 128)" "$(until_prints "RGB(129, 128, 128)" clipboard)"
paste "hsl(120 100% 25%)"
check "pasted in the slider mode" "0,128,0" "$(until_prints 0,128,0 pixel $((X + 157)) $((Y + 23)))"
click $((X + 262)) $((Y + 124))  # Btn22: the red row goes on from the pasted colour
click $((X + 300)) $((Y + 50))   # BtnCpy2
check "the rows moved to the pasted colour" "RGB(1, 128, 0)" "$(until_prints "RGB(1, 128, 0)" clipboard)"

# Image mode: the remembered folder is listed; its one picture is loaded by a
# click on its name and a pixel of the right half is picked.
switch_to "読み込んだ画像のクリック位置の色の値を返すという以外に何か能があるわけじゃない"
check "file list shown" "255,255,255" "$(until_prints 255,255,255 pixel $((X + 420)) $((Y + 200)))"
click $((X + 390)) $((Y + 78))   # the first name in FLB1
check "picture shown" "200,100,50" "$(until_prints 200,100,50 pixel $((X + 40)) $((Y + 90)))"
click $((X + 40)) $((Y + 90))    # a pixel of the right half
check "picked colour on the preview" "200,100,50" "$(until_prints 200,100,50 pixel $((X + 157)) $((Y + 23)))"
click $((X + 44)) $((Y + 49))    # BtnCpy1
check "copied picked colour" "3302600" "$(until_prints 3302600 clipboard)"
click $((X + 300)) $((Y + 50))   # BtnCpy2
check "copied picked RGB text" "RGB(200, 100, 50)" "$(until_prints "RGB(200, 100, 50)" clipboard)"
paste "color(display-p3 0 1 0)"
check "pasted in the image mode" "0,251,41" "$(until_prints 0,251,41 pixel $((X + 157)) $((Y + 23)))"
check "the picture stays" "200,100,50" "$(pixel $((X + 40)) $((Y + 90)))"
check "remembered folder" "$work/pictures" "$(cat "$work/bin/pixdir.txt")"

# An ordinary user whose remembered folder belongs to another user (mode 700):
# the image mode opens on the program's own folder without a message, the
# chooser opens, and the next switch brings the palette back.
if [ "$(id -u)" -ne 0 ] || ! command -v setpriv >/dev/null; then
  echo "the run as an ordinary user needs root and setpriv: skipped"
  exit $fail
fi
kill $pid
mine=$work/mine
mkdir -p "$mine/bin" "$work/secret"
cp "$work/bin/irochi" "$mine/bin/irochi"
cp "$work/pictures/halves.bmp" "$mine/bin/own.bmp"
cp "$work/pictures/halves.bmp" "$work/secret/theirs.bmp"
chmod 700 "$work/secret"
printf '%s' "$work/secret" >"$mine/bin/pixdir.txt"
chown -R nobody "$mine"
setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$mine" XDG_RUNTIME_DIR= \
  XAUTHORITY= "$mine/bin/irochi" 2>"$mine/stderr" &
pid=$!
win=$(timeout 20 xdotool search --sync --name "色をクリックしたら" | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$win")"
switch_to "色の配分変化にしたがって値を返すという以外に何か能があるわけじゃない"
switch_to "読み込んだ画像のクリック位置の色の値を返すという以外に何か能があるわけじゃない"
click $((X + 390)) $((Y + 78))   # the first name in FLB1: the program's own picture
check "as a user: picture shown" "200,100,50" "$(until_prints 200,100,50 pixel $((X + 40)) $((Y + 90)))"
check "as a user: no message" "" "$(xdotool search --onlyvisible --name '^irochi$' 2>/dev/null || true)"
check "as a user: the program's folder remembered" "$mine/bin" "$(cat "$mine/bin/pixdir.txt")"
click $((X + 428)) $((Y + 50))   # BtnSDIR
chooser=$(timeout 20 xdotool search --sync --onlyvisible --name "ディレクトリの選択" | head -n 1)
check "as a user: the chooser opens" yes "$([ -n "$chooser" ] && echo yes || echo no)"
xdotool windowfocus --sync "$chooser" key Escape
check "as a user: the chooser closes" "" \
  "$(until_prints "" xdotool search --onlyvisible --name "ディレクトリの選択")"
switch_to "色をクリックしたら値を返すという以外に何か能があるわけじゃない"
check "as a user: the palette is back" "255,0,0" "$(until_prints 255,0,0 pixel $((X + 89)) $((Y + 167)))"
check "as a user: nothing on stderr" "" "$(grep -v XDG_RUNTIME_DIR "$mine/stderr" || true)"
exit $fail
INNER
chmod 755 "$work"
"$tests/with_x_server.sh" "-screen 0 1024x768x24" bash "$work/inner.sh" "$work" "$tests"

#!/usr/bin/env bash
# Inside an X server: starts PROGRAM as the user nobody with HOME, switches
# twice into the image mode, clicks the first file name and writes to
# HOME/pixel the screen colour at a point of the view, once it is the
# EXPECTED one or 20 s have passed. The program's errors go to HOME/stderr.
# Usage: image_mode_as_nobody.sh PROGRAM HOME EXPECTED   (r,g,b)
set -euo pipefail
program=$1 home=$2 expected=$3
export QT_QPA_PLATFORM=xcb # the X server, whatever the environment asks for
setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$home" XDG_CONFIG_HOME= \
  XDG_RUNTIME_DIR= "$program" 2>"$home/stderr" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
win=$(timeout 20 xdotool search --sync --name "色をクリックしたら" | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$win")"
for caption in 色の配分 読み込んだ画像; do
  xdotool mousemove $((X + 157)) $((Y + 56)) click 1 # switch
  deadline=$((SECONDS + 20))
  until xdotool getwindowname "$win" | grep -q "^$caption"; do
    [ $SECONDS -lt $deadline ] || { echo "FAIL: no mode caption $caption"; exit 1; }
    sleep 0.05
  done
done
xdotool mousemove $((X + 404)) $((Y + 79)) click 1 # the first file name
deadline=$((SECONDS + 20))
pixel=""
until [ "$pixel" = "$expected" ] || [ $SECONDS -ge $deadline ]; do
  import -window root "$home/shot.png"
  pixel=$(convert "$home/shot.png" -crop "1x1+$((X + 10))+$((Y + 80))" \
    -format '%[fx:round(255*r)],%[fx:round(255*g)],%[fx:round(255*b)]' info:)
done
echo "$pixel" >"$home/pixel"

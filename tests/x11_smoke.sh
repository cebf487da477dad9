#!/usr/bin/env bash
# Starts the built program in a real X server and checks it from outside, as a
# user would: the window's size, swatch colours on screen, a click on a swatch
# and on a copy button, and the copied text read back by another program.
# Usage: x11_smoke.sh PATH-TO-IROCHI     (exit 77: the X tools are missing)
set -euo pipefail
exe=$1
for tool in xvfb-run xdotool xclip import convert; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

inner=$(mktemp)
trap 'rm -f "$inner"' EXIT
cat >"$inner" <<'INNER'
set -euo pipefail
exe=$1
shot=$(mktemp --suffix=.png)
"$exe" &
pid=$!
trap 'kill $pid 2>/dev/null || true; rm -f "$shot"' EXIT
win=$(timeout 20 xdotool search --sync --name "色をクリックしたら" | head -n 1)
sleep 1

fail=0
check() { # what expected actual
  if [ "$2" = "$3" ]; then echo "ok: $1 = $3"; else echo "FAIL: $1: expected $2, got $3"; fail=1; fi
}
eval "$(xdotool getwindowgeometry --shell "$win")"
check "client area" "505x344" "${WIDTH}x${HEIGHT}"
check "position" "192,107" "$X,$Y"

pixel() { # screen x, y -> srgb(r,g,b)
  convert "$shot" -format "%[pixel:p{$1,$2}]" info: | sed 's/srgb(\(.*\))/\1/; s/^red$/255,0,0/; s/^white$/255,255,255/; s/^blue$/0,0,255/'
}
import -window root "$shot"
# Swatch centres: Edit3 red, Edit27 blue, Edit40 white, Edit5 pink.
check "Edit3 on screen" "255,0,0" "$(pixel $((X + 89)) $((Y + 167)))"
check "Edit27 on screen" "0,0,255" "$(pixel $((X + 199)) $((Y + 149)))"
check "Edit40 on screen" "255,255,255" "$(pixel $((X + 243)) $((Y + 203)))"
check "Edit5 on screen" "255,153,204" "$(pixel $((X + 89)) $((Y + 203)))"
check "preview at start" "128,128,128" "$(pixel $((X + 157)) $((Y + 23)))"

xdotool mousemove $((X + 89)) $((Y + 167)) click 1   # Edit3
sleep 0.3
xdotool mousemove $((X + 44)) $((Y + 49)) click 1    # BtnCpy1
sleep 0.5
check "copied integer text" "255" "$(timeout 5 xclip -o -selection clipboard)"
xdotool mousemove $((X + 300)) $((Y + 50)) click 1   # BtnCpy2
sleep 0.5
check "copied RGB text" "RGB(255, 0, 0)" "$(timeout 5 xclip -o -selection clipboard)"
import -window root "$shot"
check "preview after the click" "255,0,0" "$(pixel $((X + 157)) $((Y + 23)))"
exit $fail
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$inner" "$exe"

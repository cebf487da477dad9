"""What the real-display checks share: the design's places on the window,
reading screenshots, waiting on a condition with a deadline, and the
eyedropper check that compares picks with the screen device pixel by device
pixel. Standard library only; the display's own tools do the rest."""

import os
import shutil
import subprocess
import sys
import time

SKIP = 77
# Runs a command in a fresh X server of its own.
WITH_X_SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "with_x_server.sh")

# Centres of controls on the window's client area, in logical pixels, at the
# design's width; the panel's controls keep their distance from the right
# edge when the window is wider (on_panel).
DESIGN_WIDTH = 505
SWITCH = (157, 56)
PREVIEW = (157, 23)
COPY_INTEGER = (44, 49)
COPY_RGB = (300, 50)
RED_SWATCH = (89, 167)  # Edit3
FIRST_FILE = (404, 79)  # the first row of FLB1
ZOOM_UP = (490, 23)  # Btn32
# Inside the view at 100 % and above, for a 40 x 30 picture.
PATCH_START = (20, 80)
# Inside the view at 300 % only.
BEYOND_100 = (110, 160)
MARKERS = ((40, 100), (8, 76))

CAPTIONS = (
    "色をクリックしたら値を返すという以外に何か能があるわけじゃない",
    "色の配分変化にしたがって値を返すという以外に何か能があるわけじゃない",
    "読み込んだ画像のクリック位置の色の値を返すという以外に何か能があるわけじゃない",
)


def x_environment(**extra):
    """The environment that starts the program on the X server, whatever
    platform or scale the caller's own environment names."""
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", **extra)
    env.pop("QT_SCALE_FACTOR", None)
    return env


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], check=True, capture_output=True,
                          text=True).stdout


def require(*tools):
    for tool in tools:
        if not shutil.which(tool):
            print(f"skipped: {tool} is not installed")
            sys.exit(SKIP)


def make_distinct_picture(path, width=40, height=30):
    """Every pixel its own colour: red 6 x column, green 8 x row, blue 50."""
    subprocess.run(
        ["convert", "-size", f"{width}x{height}", "xc:black",
         "-channel", "R", "-fx", "i*6/255", "-channel", "G", "-fx", "j*8/255",
         "-channel", "B", "-fx", "50/255", "+channel", "-type", "TrueColor",
         "BMP3:" + str(path)], check=True)


def prepare_copy(work, exe):
    """A copy of the program in a folder of its own, whose "pixdir.txt" names
    a folder holding the distinct picture."""
    os.makedirs(f"{work}/bin")
    os.makedirs(f"{work}/pictures")
    shutil.copy(exe, f"{work}/bin/irochi")
    make_distinct_picture(f"{work}/pictures/distinct.bmp")
    with open(f"{work}/bin/pixdir.txt", "w") as f:
        f.write(f"{work}/pictures")
    return f"{work}/bin/irochi"


def read_ppm(data):
    """A binary PPM (P6, 8 bits) as (width, height, pixel function)."""
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError("not an 8-bit P6 picture")
    width, height = int(fields[1]), int(fields[2])
    body = data[pos:]

    def pixel(x, y):
        i = (y * width + x) * 3
        return tuple(body[i:i + 3])
    return width, height, pixel


def until(probe, condition, timeout=20.0):
    """Runs probe until condition holds of its result or the deadline passes;
    returns the last result."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = probe()
        except (subprocess.CalledProcessError, ValueError, OSError):
            value = None
        if condition(value) or time.monotonic() >= deadline:
            return value
        time.sleep(0.03)


class Report:
    def __init__(self):
        self.failures = 0

    def check(self, what, expected, actual):
        if expected == actual:
            print(f"ok: {what} = {actual}")
        else:
            print(f"FAIL: {what}: expected {expected}, got {actual}")
            self.failures += 1

    def exit(self):
        sys.exit(1 if self.failures else 0)


def device(window, point, scale):
    """A logical point of the window's client area as a device pixel of the
    screen, window being the client area's device origin."""
    return (window[0] + int(point[0] * scale), window[1] + int(point[1] * scale))


def on_panel(point, width):
    """A place on the right-hand panel of a client area `width` wide."""
    return (point[0] + width - DESIGN_WIDTH, point[1])


def enter_image_mode(report, click, at, name):
    """Switches twice into the image mode, checking each caption."""
    for caption in CAPTIONS[1:]:
        click(*at(SWITCH))
        report.check("caption after switch", caption, until(name, lambda n: n == caption))


def check_view(report, what, click, at, preview, screen, window, scale, width=DESIGN_WIDTH,
               drawn=None):
    """Clicks the first file name, which shows the picture afresh at 100 %, and
    checks the picks of a patch against the screen; then again at 300 %."""
    def blue(point):
        return lambda: screen()(*at(point))[2]
    click(*at(on_panel(FIRST_FILE, width)))
    shown = until(lambda: (blue(PATCH_START)(), blue(BEYOND_100)()),
                  lambda b: b is not None and b[0] == 50 and b[1] != 50)
    report.check(f"{what}: picture shown at 100 %", True, shown is not None and shown[1] != 50)
    check_picks(report, f"{what}, 100 %", click, preview, screen(), window, scale, drawn=drawn)
    for _ in range(2):
        click(*at(on_panel(ZOOM_UP, width)))  # 200 %, then 300 %
    report.check(f"{what}: zoomed to 300 %", 50, until(blue(BEYOND_100), lambda b: b == 50))
    check_picks(report, f"{what}, 300 %", click, preview, screen(), window, scale, drawn=drawn)


def check_picks(report, what, click, preview, screen, window, scale, size=9, drawn=None):
    """Clicks every device pixel of a size x size patch of the view and checks
    that the picked colour, shown on the preview, is the colour the screen
    showed at that pixel. Each pick must change the preview, so every answer
    is a fresh one: the pixels are taken in an order in which the colour
    changes from each to the next, and where none is left that would change
    it, a marker pixel of another colour is picked first. drawn, when given,
    names the device pixel where the compositor draws the window's pixel that
    it sends the pointer on a device pixel to, where the two differ."""
    def reference(x, y):
        return screen(*(drawn((x, y)) if drawn else (x, y)))
    start = device(window, PATCH_START, scale)
    markers = [device(window, m, scale) for m in MARKERS]
    left = [(start[0] + dx, start[1] + dy) for dy in range(size) for dx in range(size)]
    shown = preview()
    right = wrong = 0
    while left:
        target = next((p for p in left if reference(*p) != shown), left[0])
        left.remove(target)
        expected = reference(*target)
        if expected[2] != 50:
            print(f"FAIL: {what}: {target} is not on the picture ({expected})")
            wrong += 1
            continue
        if expected == shown:
            marker = next(m for m in markers if reference(*m) != expected)
            shown = reference(*marker)
            click(*marker)
            until(preview, lambda c: c == shown, 5)
        click(*target)
        got = until(preview, lambda c: c is not None and c != shown, 2)
        shown = got
        if got == expected:
            right += 1
        else:
            wrong += 1
            if wrong <= 5:
                print(f"  {what}: device pixel {target} shows {expected}, picked {got}")
    report.check(f"{what}: exact picks of {size * size}", size * size, right)

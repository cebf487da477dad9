#!/usr/bin/python3
"""The built program in a real X server at a display scale (QT_SCALE_FACTOR
1.5 or 2, or the desktop's Xft.dpi of 192, which Qt turns into a ratio of 2
by itself), used from outside with xdotool, ImageMagick's import and xclip:
the window opens inside the screen; in the image mode every device pixel of
a patch of the view, clicked with the pointer at that device pixel, gives
the colour the screen shows there, at 100 % and at 300 %; a patch is picked
with the keyboard alone, and a 5x5 sample at the corner against
ImageMagick's reading; the texts of a pick are copied. With "monitors" the screen is two RandR monitors side by
side at scales 1 and 2 (QT_SCREEN_SCALE_FACTORS), and the shown window is
moved from the first to the second and back, the picks checked after each
move. With "capture" or "capture2" (QT_SCALE_FACTOR 2), another program
shows a calibration picture at the screen's top-left corner; the program
captures the screen with Ctrl+Shift+C and the picks of a patch of the capture
must be the calibration picture's own pixels, at 100 % and at 300 %, and
where the program's window stood the capture shows what lay under it; then
a PNG that xclip puts on the clipboard is pasted with Ctrl+V and picked the
same way, and text on the clipboard changes nothing. With "pick1", "pick1.5",
"pick2" (QT_SCALE_FACTOR) or "pickmonitors", calibration pictures lie on the
root window and in another program's window; Ctrl+Shift+P freezes the screen
and covers it with the screen it froze, pixel for pixel away from the loupe,
and a 9 x 9 patch of the other program's window is picked with the pointer,
one pick a device pixel, and a 9 x 9 patch of the root window where the
program's own window stood with the arrow keys and Return, every pick the
calibration's own pixel (with "pickmonitors" the root patch lies on the
monitor at scale 2). With "pick1", irochi-pick prints the pixel clicked and
exits 0, exits 1 on Escape, and with --copy keeps its text on the clipboard
after it printed it and until another program takes the clipboard.
Usage: x11_scaled.py IROCHI SCALE|dpi192|monitors|capture|capture2|pick...
(exit 77: tools missing)"""

import contextlib
import ctypes
import os
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # nothing written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import screen_test as st

MONITOR = (1280, 1024)
# The two monitors' names, scales and where the window is moved on each.
MONITORS = (("LEFT", 1.0, (100, 100)), ("RIGHT", 2.0, (1380, 100)))



def clipboard():
    """The clipboard's text, empty when no program holds it."""
    return subprocess.run(["timeout", "5", "xclip", "-o", "-selection", "clipboard"],
                          capture_output=True, text=True).stdout


@contextlib.contextmanager
def offered_png(png):
    """xclip holds the PNG on the clipboard while the block runs."""
    paster = subprocess.Popen(["xclip", "-selection", "clipboard", "-t", "image/png", "-i", png])
    try:
        st.until(lambda: subprocess.run(["xclip", "-selection", "clipboard", "-t", "TARGETS",
                                         "-o"], capture_output=True, text=True).stdout,
                 lambda t: "image/png" in t, 5)
        yield
    finally:
        paster.terminate()
        paster.wait()


def main(exe, setting):
    by_dpi = setting == "dpi192"
    two = setting == "monitors"
    capture = setting.startswith("capture")
    pick = setting.startswith("pick")
    two = two or setting == "pickmonitors"
    screen = (MONITOR[0] * (2 if two else 1), MONITOR[1])
    if os.environ.get("IROCHI_X11_SCALED") != "inside":
        tools = ["xrdb"] * by_dpi + ["xrandr"] * two + ["display"] * (capture or pick)
        st.require("Xvfb", "xdotool", "xclip", "convert", *tools)
        env = dict(os.environ, IROCHI_X11_SCALED="inside")
        # -noreset: the server keeps its resources when the last client leaves.
        server = f"-noreset -screen 0 {screen[0]}x{screen[1]}x24"
        return subprocess.call([st.WITH_X_SERVER, server, sys.executable,
                                os.path.abspath(__file__), exe, setting], env=env)
    env = st.x_environment()
    if by_dpi:
        subprocess.run(["xrdb", "-merge"], input=b"Xft.dpi: 192\n", check=True)
        scales = [2.0]
    elif two:
        for i, (name, _, _) in enumerate(MONITORS):
            geometry = f"{MONITOR[0]}/338x{MONITOR[1]}/270+{MONITOR[0] * i}+0"
            subprocess.run(["xrandr", "--setmonitor", name, geometry, "none"], check=True)
        env["QT_SCREEN_SCALE_FACTORS"] = ";".join(f"{n}={s:g}" for n, s, _ in MONITORS)
        scales = [s for _, s, _ in MONITORS]
    elif pick:
        scales = [float(setting[4:])]
        env["QT_SCALE_FACTOR"] = setting[4:]
    elif capture:
        scales = [2.0 if setting == "capture2" else 1.0]
        env["QT_SCALE_FACTOR"] = f"{scales[0]:g}"
    else:
        env["QT_SCALE_FACTOR"] = setting
        scales = [float(setting)]
    report = st.Report()
    with tempfile.TemporaryDirectory() as work:
        copy = st.prepare_copy(work, exe)
        shown = []
        if pick:
            write_root_picture(f"{work}/root.ppm", screen)
            shown.append(subprocess.Popen(["display", "-window", "root", f"{work}/root.ppm"],
                                          env=env))
        if capture or pick:
            # The calibration picture, drawn by ImageMagick's display at the
            # screen's top-left corner, clear of the program's window.
            st.make_distinct_picture(f"{work}/calibration.bmp")
            shown.append(subprocess.Popen(["display", "-geometry", "+0+0", "-borderwidth", "0",
                                           f"{work}/calibration.bmp"], env=env))
        program = subprocess.Popen([copy], env=env)
        try:
            if pick:
                run_pick(report, scales, two, env, exe)
            elif capture:
                run_capture(report, scales[0], f"{work}/calibration.bmp", work)
            else:
                run(report, scales[0], screen, MONITORS if two else (),
                    f"{work}/pictures/distinct.bmp")
        finally:
            for started in [program, *shown]:
                started.terminate()
                started.wait()
    report.exit()


class XScreen:
    """Reads the X server's screen through Xlib: a grab of the whole screen
    costs milliseconds, where ImageMagick's import costs a tenth of a second."""

    class Image(ctypes.Structure):
        _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int),
                    ("xoffset", ctypes.c_int), ("format", ctypes.c_int),
                    ("data", ctypes.POINTER(ctypes.c_ubyte)), ("byte_order", ctypes.c_int),
                    ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                    ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                    ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]

    def __init__(self):
        self.xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
        self.xlib.XOpenDisplay.restype = ctypes.c_void_p
        self.xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.xlib.XDefaultRootWindow.restype = ctypes.c_ulong
        self.xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                        ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                        ctypes.c_ulong, ctypes.c_int]
        self.xlib.XGetImage.restype = ctypes.POINTER(self.Image)
        self.xlib.XFree.argtypes = [ctypes.c_void_p]
        self.display = self.xlib.XOpenDisplay(None)
        self.root = self.xlib.XDefaultRootWindow(self.display)

    def grab(self, x, y, width, height):
        """The pixel function of a region, in its own coordinates."""
        all_planes, z_pixmap = 0xFFFFFFFF, 2
        image = self.xlib.XGetImage(self.display, self.root, x, y, width, height, all_planes,
                                    z_pixmap)
        if not image:
            raise OSError("XGetImage failed")
        info = image.contents
        if info.bits_per_pixel != 32 or info.byte_order != 0:
            raise ValueError("not a 32-bit little-endian screen")
        stride = info.bytes_per_line
        data = ctypes.string_at(info.data, stride * info.height)
        self.xlib.XFree(info.data)
        self.xlib.XFree(image)

        def pixel(px, py):
            i = py * stride + px * 4
            return (data[i + 2], data[i + 1], data[i])
        return pixel


def run(report, scale, screen_size, monitors, picture):
    win = subprocess.run(["timeout", "20", "xdotool", "search", "--sync", "--name",
                          st.CAPTIONS[0]], check=True, capture_output=True,
                         text=True).stdout.split()[0]
    window = (0, 0)
    x_screen = XScreen()

    def client_area():
        g = dict(line.split("=") for line in
                 st.xdotool("getwindowgeometry", "--shell", win).split())
        return tuple(int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def check_client_area(what, place=None):
        size = (round(505 * scale), round(344 * scale))
        area = st.until(client_area, lambda a: a[2:] == size and (not place or a[:2] == place))
        report.check(f"{what}: client area in device pixels", size, area[2:])
        x, y, w, h = area
        report.check(f"{what}: window inside the screen", True,
                     x >= 0 and y >= 0 and x + w <= screen_size[0] and y + h <= screen_size[1])
        return (x, y)

    def click(px, py):
        st.xdotool("mousemove", px, py, "click", "1")

    def at(point):
        return st.device(window, point, scale)

    def preview():
        return x_screen.grab(*at(st.PREVIEW), 1, 1)(0, 0)

    def screen():
        return x_screen.grab(0, 0, *screen_size)

    def name():
        return st.xdotool("getwindowname", win).strip()

    window = check_client_area(f"scale {scale:g}")
    st.enter_image_mode(report, click, at, name)
    st.check_view(report, f"scale {scale:g}", click, at, preview, screen, window, scale)
    check_keyboard_picks(report, f"scale {scale:g}", click, at, preview, picture)
    # The window dragged to the other monitor and back: it keeps its logical
    # size, drawn at the new monitor's scale.
    for monitor, monitor_scale, place in monitors[1:] + monitors[:1]:
        st.xdotool("windowmove", "--sync", win, *place)
        scale = monitor_scale
        what = f"moved to {monitor} at scale {scale:g}"
        window = check_client_area(what, place)
        st.check_view(report, what, click, at, preview, screen, window, scale)

    last = screen()(*at(st.PATCH_START))
    click(*at(st.PATCH_START))
    st.until(preview, lambda c: c == last, 5)
    click(*at(st.COPY_INTEGER))
    integer = str(last[0] + last[1] * 256 + last[2] * 65536)
    report.check("copied integer text", integer, st.until(clipboard, lambda t: t == integer))
    click(*at(st.COPY_RGB))
    rgb = "RGB({}, {}, {})".format(*last)
    report.check("copied RGB text", rgb, st.until(clipboard, lambda t: t == rgb))


def check_keyboard_picks(report, what, click, at, preview, picture):
    """With the file list's focus (a click on the first name shows the
    picture at 100 %), the keyboard alone: the Menu key opens the picture's
    menu, "キーボードで選ぶ" gives the picture the focus, the arrow keys
    walk a 9 x 9 patch from the top-left corner, each step picking the
    calibration's own pixel (red 6 x column, green 8 x row, blue 50); then
    5x5 is chosen from the menu and the corner picked again, against the mean
    of ImageMagick's reading of the 3 x 3 pixels of the square inside the
    picture."""
    def key(*keys):
        st.xdotool("key", "--delay", "20", *keys)

    def picked(colour):
        return st.until(preview, lambda c: c == colour, 5)

    def menus(count):
        """Waits until the window and count menus show."""
        st.until(lambda: len(st.xdotool("search", "--onlyvisible", "--class", "irochi").split()),
                 lambda n: n == count + 1, 5)

    def sample_size(downs):
        """Chooses the sample size that many places below 1 画素."""
        key("Menu")
        menus(1)
        key("Down", "Down", "Down", "Down", "Right")  # 取る範囲
        menus(2)
        key(*["Down"] * downs, "Return")
        menus(0)
    click(*at(st.on_panel(st.FIRST_FILE, st.DESIGN_WIDTH)))
    key("Menu")
    menus(1)
    key("Down", "Down", "Down", "Return")  # 画面を取り込む, 貼り付け, キーボードで選ぶ
    key(*["shift+Left", "shift+Up"] * 4)  # from the middle of the view to the corner
    report.check(f"{what}: the arrow keys reach the corner", (0, 0, 50), picked((0, 0, 50)))
    exact = 0
    for y in range(9):
        columns = range(9) if y % 2 == 0 else range(8, -1, -1)
        for i, x in enumerate(columns):
            if i > 0:
                key("Right" if y % 2 == 0 else "Left")
            elif y > 0:
                key("Down")
            exact += picked((6 * x, 8 * y, 50)) == (6 * x, 8 * y, 50)
    report.check(f"{what}: a 9 x 9 patch picked with the keyboard alone", 81, exact)

    sample_size(2)  # 5x5
    key("shift+Left", "shift+Up")  # from (8, 8) back to the corner, averaged
    width, _, pixel = st.read_ppm(subprocess.run(["convert", picture, "ppm:-"], check=True,
                                                 capture_output=True).stdout)
    square = [pixel(x, y) for y in range(3) for x in range(3)]
    mean = tuple((2 * sum(p[c] for p in square) + 9) // 18 for c in range(3))
    report.check(f"{what}: 5x5 picked at the corner is the mean of its pixels in the picture",
                 mean, picked(mean))
    sample_size(0)  # 1 画素 again, for the checks that follow


def run_capture(report, scale, calibration, work):
    """The screen captured and a PNG pasted, each picked against the pixels
    of the picture that was put there."""
    x_screen = XScreen()
    win = subprocess.run(["timeout", "20", "xdotool", "search", "--sync", "--name",
                          st.CAPTIONS[0]], check=True, capture_output=True,
                         text=True).stdout.split()[0]
    calib = st.until(lambda: x_screen.grab(0, 0, 40, 30), lambda c: c(39, 29) == (234, 232, 50))
    report.check("calibration picture on the screen", (234, 232, 50), calib(39, 29))
    # The window is put over part of the calibration picture: a capture that
    # held the window would show it where the patch is picked.
    window = (10, 5)
    st.xdotool("windowmove", "--sync", win, *window)

    def at(point):
        return st.device(window, point, scale)

    def click(px, py):
        st.xdotool("mousemove", px, py, "click", "1")

    def key(keys):
        st.xdotool("mousemove", *at((250, 20)))  # the keyboard follows the pointer
        st.xdotool("key", keys)

    def preview():
        return x_screen.grab(*at(st.PREVIEW), 1, 1)(0, 0)

    def screen():
        return x_screen.grab(0, 0, 1280, 1024)

    def name():
        return st.xdotool("getwindowname", win).strip()

    def patch_pixel():
        return screen()(*at(st.PATCH_START))

    def steps(values, span):
        """Whether values step by one every span pixels, from some phase."""
        return any(all(v - values[0] == (i + phase) // span - phase // span
                       for i, v in enumerate(values)) for phase in range(span))

    def calibration_picks(what, zoom):
        """Picks equal the screen, and the patch shows the calibration's own
        pixels (red 6 x column, green 8 x row, blue 50), one for every zoom x
        scale device pixels across and down."""
        st.check_picks(report, what, click, preview, screen(), window, scale)
        grab, start = screen(), at(st.PATCH_START)
        cells = {}
        for dy in range(9):
            for dx in range(9):
                r, g, b = grab(start[0] + dx, start[1] + dy)
                if (r % 6, g % 8, b) == (0, 0, 50):
                    cells[(dx, dy)] = (r // 6, g // 8)
        report.check(f"{what}: calibration pixels in the patch", 81, len(cells))
        if len(cells) == 81:
            span = int(zoom * scale)
            report.check(f"{what}: one calibration pixel every {span} device pixels", True,
                         steps([cells[(dx, 0)][0] for dx in range(9)], span) and
                         steps([cells[(0, dy)][1] for dy in range(9)], span))

    st.enter_image_mode(report, click, at, name)
    before = patch_pixel()
    key("ctrl+shift+c")
    shown = st.until(patch_pixel, lambda p: p != before and p[2] == 50)
    report.check("capture shown after the window came back", 50, shown[2])
    calibration_picks(f"capture at scale {scale:g}, 100 %", 1)
    for _ in range(2):
        click(*at(st.ZOOM_UP))  # 200 %, then 300 %
    st.until(lambda: screen()(*at(st.BEYOND_100)), lambda p: p[2] == 50)
    calibration_picks(f"capture at scale {scale:g}, 300 %", 3)

    # Text on the clipboard changes nothing; a PNG is pasted and picked.
    subprocess.run(["xclip", "-selection", "clipboard"], input=b"8421504", check=True)
    shown_before = screen()(*at(st.BEYOND_100))
    key("ctrl+v")
    report.check("text pasted: the view is unchanged", shown_before,
                 screen()(*at(st.BEYOND_100)))
    png = f"{work}/pasted.png"
    subprocess.run(["convert", calibration, png], check=True)
    with offered_png(png):
        key("ctrl+v")
        # At 100 % the 40 x 30 picture ends before BEYOND_100.
        report.check("pasted PNG shown at 100 %", True,
                     st.until(lambda: screen()(*at(st.BEYOND_100))[2] != 50, lambda x: x, 10))
        calibration_picks(f"pasted PNG at scale {scale:g}, 100 %", 1)
    check_tagged_paste(report, work, key, click, at, preview, screen)


def check_tagged_paste(report, work, key, click, at, preview, screen):
    """A Display P3 PNG pasted: shown converted for the screen and picked as
    Little CMS converts its stored numbers, told through the clipboard. The
    patch's stored (105, 203, 202) is RGB(55, 206, 203) in sRGB."""
    subprocess.run([os.environ["IROCHI_MAKE_ICC"], work], check=True)
    png = f"{work}/p3.png"
    subprocess.run(["convert", "-size", "40x30", "xc:rgb(105,203,202)", "-profile",
                    f"{work}/p3.icc", f"PNG24:{png}"], check=True)
    with offered_png(png):
        key("ctrl+v")
        shown = st.until(lambda: screen()(*at(st.PATCH_START)),
                         lambda p: all(abs(a - b) <= 1 for a, b in zip(p, (55, 206, 203))), 10)
        report.check("Display P3 PNG drawn converted for the screen, within a level",
                     True, all(abs(a - b) <= 1 for a, b in zip(shown, (55, 206, 203))))
    click(*at(st.PATCH_START))
    st.until(preview, lambda c: c == (55, 206, 203), 5)
    click(*at(st.COPY_RGB))
    report.check("Display P3 pick copied as its sRGB colour", "RGB(55, 206, 203)",
                 st.until(clipboard, lambda t: t == "RGB(55, 206, 203)", 5))


def write_root_picture(path, size):
    """The root window's calibration: red the column, green the row, each
    modulo 256, blue 100 plus the column's count of 256."""
    width, height = size
    rows = []
    for y in range(height):
        rows.append(bytes(v for x in range(width) for v in (x % 256, y % 256, 100 + x // 256)))
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height) + b"".join(rows))


def root_colour(x, y):
    return (x % 256, y % 256, 100 + x // 256)


def program_colour(x, y):
    """The other program's calibration picture, shown at the screen's corner."""
    return (6 * x, 8 * y, 50)


OVERLAY_TITLE = "画面から選ぶ"


def overlays_shown(count):
    """Waits until count overlay windows show (0: until none does)."""
    def shown():
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", OVERLAY_TITLE],
                               capture_output=True, text=True).stdout.split()
        return len(found)
    return until_count(shown, count)


def frozen_mismatches(x_screen, size, pointer, reach):
    """Waits for the frozen screen drawn; the count of its pixels (every
    third of every third row) that are not the screen it froze, away from the
    loupe and the cross-hair around the pointer."""
    def mismatches():
        pixel = x_screen.grab(0, 0, *size)
        wrong = 0
        for y in range(0, size[1], 3):
            for x in range(0, size[0], 3):
                if abs(x - pointer[0]) < reach and abs(y - pointer[1]) < reach:
                    continue
                shown = program_colour(x, y) if x < 40 and y < 30 else root_colour(x, y)
                wrong += pixel(x, y) != shown
        return wrong
    return st.until(mismatches, lambda n: n == 0, 10)


def until_count(probe, count):
    return st.until(probe, lambda n: n == count, 10) == count


def run_pick(report, scales, two, env, exe):
    """Picks off the frozen screen from the window, by pointer and by keys."""
    x_screen = XScreen()
    outputs = 2 if two else 1
    win = subprocess.run(["timeout", "20", "xdotool", "search", "--sync", "--name",
                          st.CAPTIONS[0]], check=True, capture_output=True,
                         text=True).stdout.split()[0]
    st.until(lambda: x_screen.grab(0, 0, 40, 30)(39, 29), lambda c: c == program_colour(39, 29))
    g = dict(line.split("=") for line in st.xdotool("getwindowgeometry", "--shell", win).split())
    window = (int(g["X"]), int(g["Y"]))
    scale = scales[0]

    def at(point):
        return st.device(window, point, scale)

    def preview():
        return x_screen.grab(*at(st.PREVIEW), 1, 1)(0, 0)

    def start_pick():
        st.xdotool("mousemove", *at((250, 20)))  # the keyboard follows the pointer
        st.xdotool("key", "ctrl+shift+p")
        return overlays_shown(outputs)

    report.check("the frozen screen covers every output", True, start_pick())
    size = (MONITOR[0] * outputs, MONITOR[1])
    reach = int(400 * max(scales))  # the loupe beside the pointer, in device pixels
    report.check("the frozen screen shows what it froze, pixel for pixel", 0,
                 frozen_mismatches(x_screen, size, at((250, 20)), reach))
    st.xdotool("key", "Escape")
    report.check("Escape: the overlays are gone", True, overlays_shown(0))

    # By the pointer, on the other program's window.
    exact = 0
    for y in range(5, 14):
        for x in range(5, 14):
            expected = program_colour(x, y)
            if not start_pick():
                break
            st.xdotool("mousemove", x, y, "click", "1")
            got = st.until(preview, lambda c: c == expected, 5)
            exact += got == expected
            if got != expected and exact < 3:
                print(f"  pointer pick at {x},{y}: expected {expected}, got {got}")
    report.check(f"scale {scale:g}: 81 pointer picks on another program's window", 81, exact)

    # By the keys alone, on the root window where the program's window stood
    # (on the monitor at scale 2 when there are two).
    corner = (MONITOR[0] + 300, 200) if two else (window[0] + 100, window[1] + 90)
    exact = 0
    for y in range(corner[1], corner[1] + 9):
        for x in range(corner[0], corner[0] + 9):
            expected = root_colour(x, y)
            start = (corner[0] - 20, corner[1] - 20)
            st.xdotool("mousemove", *at((250, 20)))
            st.xdotool("key", "ctrl+shift+p")
            overlays_shown(outputs)
            st.xdotool("mousemove", *start)
            keys = ["shift+Right"] * ((x - start[0]) // 10) + ["Right"] * ((x - start[0]) % 10) + \
                   ["shift+Down"] * ((y - start[1]) // 10) + ["Down"] * ((y - start[1]) % 10) + \
                   ["Return"]
            st.xdotool("key", "--delay", "5", *keys)
            got = st.until(preview, lambda c: c == expected, 5)
            exact += got == expected
            if got != expected and exact < 3:
                print(f"  key pick at {x},{y}: expected {expected}, got {got}")
    report.check(f"scale {scale:g}: 81 key picks on the root window{' of the second monitor' if two else ''}",
                 81, exact)
    if scale == 1 and not two:
        check_pick_command(report, env, os.path.join(os.path.dirname(exe), "irochi-pick"))


def check_pick_command(report, env, command):
    """irochi-pick from a desktop key: the value printed, the exit status, the
    clipboard kept."""
    def run(arguments, act):
        process = subprocess.Popen([command, *arguments], env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True)
        if overlays_shown(1):
            act()
        out, _ = process.communicate(timeout=20)
        return process.returncode, out.strip()

    report.check("irochi-pick --format rgb: the pixel clicked", (0, "rgb(42 72 50)"),
                 run(["--format", "rgb"], lambda: st.xdotool("mousemove", 7, 9, "click", "1")))
    report.check("irochi-pick: Escape cancels", (1, ""), run([], lambda: st.xdotool("key", "Escape")))
    before = set(subprocess.run(["pgrep", "-x", "irochi-pick"], capture_output=True,
                                text=True).stdout.split())

    def by_keys():
        st.xdotool("mousemove", 10, 10)
        st.xdotool("key", "Right", "Down", "Return")
    report.check("irochi-pick --copy: the text printed at once", (0, "#425832"),
                 run(["--copy"], by_keys))

    time.sleep(5)
    report.check("the clipboard holds the text five seconds later", "#425832", clipboard())
    serving = set(subprocess.run(["pgrep", "-x", "irochi-pick"], capture_output=True,
                                 text=True).stdout.split()) - before
    report.check("one irochi-pick serves the clipboard in the background", 1, len(serving))
    subprocess.run(["xclip", "-selection", "clipboard"], input=b"taken", check=True)

    def still_serving():
        return {p for p in serving if os.path.exists(f"/proc/{p}")}
    report.check("it ends when another program takes the clipboard", set(),
                 st.until(still_serving, lambda s: not s, 10))
    for pid in still_serving():
        os.kill(int(pid), 15)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))

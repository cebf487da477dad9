#!/usr/bin/python3
"""The built program in a real X server at a display scale (QT_SCALE_FACTOR
1.5 or 2, or the desktop's Xft.dpi of 192, which Qt turns into a ratio of 2
by itself), used from outside with xdotool, ImageMagick's import and xclip:
the window opens inside the screen; in the image mode every device pixel of
a patch of the view, clicked with the pointer at that device pixel, gives
the colour the screen shows there, at 100 % and at 300 %; the texts of a
pick are copied. With "monitors" the screen is two RandR monitors side by
side at scales 1 and 2 (QT_SCREEN_SCALE_FACTORS), and the shown window is
moved from the first to the second and back, the picks checked after each
move. Usage: x11_scaled.py IROCHI SCALE|dpi192|monitors   (exit 77: tools missing)"""

import ctypes
import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # nothing written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import screen_test as st

MONITOR = (1280, 1024)
# The two monitors' names, scales and where the window is moved on each.
MONITORS = (("LEFT", 1.0, (100, 100)), ("RIGHT", 2.0, (1380, 100)))


def main(exe, setting):
    by_dpi = setting == "dpi192"
    two = setting == "monitors"
    screen = (MONITOR[0] * (2 if two else 1), MONITOR[1])
    if os.environ.get("IROCHI_X11_SCALED") != "inside":
        tools = ["xrdb"] * by_dpi + ["xrandr"] * two
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
    else:
        env["QT_SCALE_FACTOR"] = setting
        scales = [float(setting)]
    report = st.Report()
    with tempfile.TemporaryDirectory() as work:
        copy = st.prepare_copy(work, exe)
        program = subprocess.Popen([copy], env=env)
        try:
            run(report, scales[0], screen, MONITORS if two else ())
        finally:
            program.terminate()
            program.wait()
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


def run(report, scale, screen_size, monitors):
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

    def clipboard():
        return subprocess.run(["timeout", "5", "xclip", "-o", "-selection", "clipboard"],
                              check=True, capture_output=True, text=True).stdout

    def name():
        return st.xdotool("getwindowname", win).strip()

    window = check_client_area(f"scale {scale:g}")
    st.enter_image_mode(report, click, at, name)
    st.check_view(report, f"scale {scale:g}", click, at, preview, screen, window, scale)
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


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))

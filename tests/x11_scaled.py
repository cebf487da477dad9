#!/usr/bin/python3
"""The built program in a real X server at a display scale (QT_SCALE_FACTOR
1.5 or 2, or the desktop's Xft.dpi of 192, which Qt turns into a ratio of 2
by itself), used from outside with xdotool, ImageMagick's import and xclip:
the window opens inside the screen; in the image mode every device pixel of
a patch of the view, clicked with the pointer at that device pixel, gives
the colour the screen shows there, at 100 % and at 300 %; the texts of a
pick are copied. Usage: x11_scaled.py IROCHI SCALE|dpi192   (exit 77: tools missing)"""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import screen_test as st

SCREEN = (1280, 1024)


def main(exe, setting):
    by_dpi = setting == "dpi192"
    scale = 2.0 if by_dpi else float(setting)
    if os.environ.get("IROCHI_X11_SCALED") != "inside":
        st.require("xvfb-run", "xdotool", "xclip", "import", "convert", *(["xrdb"] * by_dpi))
        env = dict(os.environ, IROCHI_X11_SCALED="inside")
        # -noreset: the server keeps its resources when the last client leaves.
        server = f"-noreset -screen 0 {SCREEN[0]}x{SCREEN[1]}x24"
        return subprocess.call(["xvfb-run", "-a", "-s", server, sys.executable,
                                os.path.abspath(__file__), exe, setting], env=env)
    if by_dpi:
        subprocess.run(["xrdb", "-merge"], input=b"Xft.dpi: 192\n", check=True)
    report = st.Report()
    with tempfile.TemporaryDirectory() as work:
        copy = st.prepare_copy(work, exe)
        # The X server whatever platform the environment names.
        env = dict(os.environ, QT_QPA_PLATFORM="xcb")
        env.pop("QT_SCALE_FACTOR", None)
        if not by_dpi:
            env["QT_SCALE_FACTOR"] = str(scale)
        program = subprocess.Popen([copy], env=env)
        try:
            run(report, scale)
        finally:
            program.terminate()
            program.wait()
    report.exit()


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], check=True, capture_output=True,
                          text=True).stdout


def run(report, scale):
    win = subprocess.run(["timeout", "20", "xdotool", "search", "--sync", "--name",
                          st.CAPTIONS[0]], check=True, capture_output=True,
                         text=True).stdout.split()[0]
    geometry = dict(line.split("=") for line in
                    xdotool("getwindowgeometry", "--shell", win).split())
    x, y, w, h = (int(geometry[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
    window = (x, y)
    report.check("client area in device pixels", (round(505 * scale), round(344 * scale)), (w, h))
    report.check("window inside the screen", True,
                 x >= 0 and y >= 0 and x + w <= SCREEN[0] and y + h <= SCREEN[1])

    def click(px, py):
        xdotool("mousemove", px, py, "click", "1")

    def at(point):
        return st.device(window, point, scale)

    def preview():
        px, py = at(st.PREVIEW)
        shot = subprocess.run(["import", "-window", "root", "-crop", f"1x1+{px}+{py}", "-depth", "8",
                               "ppm:-"],
                              check=True, capture_output=True).stdout
        return st.read_ppm(shot)[2](0, 0)

    def screen():
        shot = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], check=True,
                              capture_output=True).stdout
        return st.read_ppm(shot)[2]

    def clipboard():
        return subprocess.run(["timeout", "5", "xclip", "-o", "-selection", "clipboard"],
                              check=True, capture_output=True, text=True).stdout

    def name():
        return xdotool("getwindowname", win).strip()

    st.enter_image_mode(report, click, at, name, screen)
    st.check_picks(report, f"scale {scale}, 100 %", click, preview, screen(), window, scale)
    for _ in range(2):
        click(*at(st.ZOOM_UP))  # 200 %, then 300 %
    # At 300 % the picture reaches beyond where it ended at 100 %.
    report.check("zoomed to 300 %", 50, st.until(lambda: screen()(*at((110, 160)))[2],
                                                 lambda b: b == 50))
    reference = screen()
    st.check_picks(report, f"scale {scale}, 300 %", click, preview, reference, window, scale)

    last = reference(*at(st.PATCH_START))
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

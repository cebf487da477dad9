#!/usr/bin/python3
"""The built program as a screen reader meets it: through AT-SPI, the
interface Orca reads, in a private D-Bus session with the accessibility bus,
under Xvfb. In each of the three modes every showing object has a role and a
name (pure layout containers aside) and the focus sink is not there; a
swatch's name holds its RGB text; the preview's and the value labels' names
follow a picked colour, and the change is announced; the colour menu's items
are named with their texts; a slider's value follows
a step button; Space, Return and keypad Enter on a focused swatch pick it; the
picture is an image named by its file and zoom. Ctrl+Shift+P opens the pick
off the frozen screen: its window takes the focus named as the screen pick,
each arrow key's move is announced with the place and the colour, and
Return's pick shows in the preview's name.
Usage: a11y_check.py IROCHI     (exit 77: tools missing)"""

import os
import re
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # nothing written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import screen_test as st

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
CONTAINERS = {"filler", "panel", "scroll pane", "viewport"}
SINK = (234, 47)  # the focus sink Edit0, 9 x 18 at 230, 38


def main(exe):
    if os.environ.get("IROCHI_A11Y") != "inside":
        st.require("Xvfb", "dbus-run-session", "xdotool", "convert")
        if not os.path.exists(BUS_LAUNCHER):
            print("skipped: at-spi2-core is not installed")
            return st.SKIP
        try:
            subprocess.run(["/usr/bin/python3", "-c", "import pyatspi"], check=True,
                           capture_output=True)
        except subprocess.CalledProcessError:
            print("skipped: python3-pyatspi is not installed")
            return st.SKIP
        env = dict(os.environ, IROCHI_A11Y="inside")
        return subprocess.call([st.WITH_X_SERVER, "-screen 0 1280x1024x24",
                                "dbus-run-session", "--", "/usr/bin/python3",
                                os.path.abspath(__file__), exe], env=env)
    bus = subprocess.Popen([BUS_LAUNCHER, "--launch-immediately"])
    report = st.Report()
    with tempfile.TemporaryDirectory() as work:
        copy = st.prepare_copy(work, exe)
        # A Display P3 picture listed after the calibration picture.
        subprocess.run([os.environ["IROCHI_MAKE_ICC"], work], check=True)
        subprocess.run(["convert", "-size", "40x30", "xc:rgb(105,203,202)", "-profile",
                        f"{work}/p3.icc", f"{work}/pictures/zz-p3.jpg"], check=True)
        env = st.x_environment(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        program = subprocess.Popen([copy], env=env)
        try:
            run(report, program.pid)
        finally:
            program.terminate()
            program.wait()
            bus.terminate()
    report.exit()


def run(report, pid):
    import pyatspi
    from gi.repository import GLib

    def application():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            child = desktop.getChildAtIndex(i)
            if child is not None and child.get_process_id() == pid:
                return child
        return None

    app = st.until(application, lambda a: a is not None and a.childCount > 0)
    if app is None:
        print("FAIL: the program is not on the accessibility bus")
        report.failures += 1
        return
    frame = app.getChildAtIndex(0)
    win = subprocess.run(["timeout", "20", "xdotool", "search", "--sync", "--name",
                          st.CAPTIONS[0]], check=True, capture_output=True,
                         text=True).stdout.split()[0]
    geometry = dict(line.split("=") for line in
                    st.xdotool("getwindowgeometry", "--shell", win).split())
    origin = (int(geometry["X"]), int(geometry["Y"]))

    def at(point):
        return st.device(origin, point, 1)

    def click(point):
        st.xdotool("mousemove", *at(point), "click", "1")

    announced = []
    focus = []

    def heard(event):
        announced.append((event.type, event.source.name if event.source else None))

    def focused(event):
        source = event.source
        focus.append((source.getRoleName(), source.name) if source else ("none", ""))
    for kind in ("object:property-change:accessible-name", "object:text-changed:insert"):
        pyatspi.Registry.registerEventListener(heard, kind)
    pyatspi.Registry.registerEventListener(focused, "focus:")

    def pump():
        context = GLib.MainContext.default()
        while context.iteration(False):
            pass

    def objects():
        found = []

        def walk(node):
            for i in range(node.childCount):
                child = node.getChildAtIndex(i)
                if child is not None:
                    found.append(child)
                    walk(child)
        walk(frame)
        return found

    def showing(node):
        return node.getState().contains(pyatspi.STATE_SHOWING)

    def named(role, name_part=""):
        return [o for o in objects()
                if showing(o) and o.getRoleName() == role and name_part in o.name]

    def name_of(role, name_part):
        def probe():
            pump()
            found = named(role, name_part)
            return found[0].name if found else None
        return probe

    def check_mode(mode, texts):
        caption = st.CAPTIONS[mode]
        report.check(f"mode {mode}: the window's name", caption,
                     st.until(lambda: frame.name, lambda n: n == caption))
        everything = [o for o in objects() if showing(o)]
        unnamed = [f"{o.getRoleName()} at {o.queryComponent().getPosition(pyatspi.DESKTOP_COORDS)}"
                   for o in everything
                   if not o.name and not (o.getRoleName() in CONTAINERS and o.childCount)]
        print(f"mode {mode}: {len(everything) - len(unnamed)} of {len(everything)} showing "
              "objects named")
        report.check(f"mode {mode}: every showing object has a role and a name", [], unnamed)
        report.check(f"mode {mode}: every showing object has a role", [],
                     [o.name for o in everything if o.getRoleName() in ("unknown", "invalid")])
        report.check(f"mode {mode}: edit boxes shown", texts, len(named("text")))
        sink = frame.queryComponent().getAccessibleAtPoint(*at(SINK), pyatspi.DESKTOP_COORDS)
        report.check(f"mode {mode}: the focus sink is not exposed", "frame",
                     sink.getRoleName() if sink else "frame")

    # The palette.
    check_mode(0, 41)
    red = [o.name for o in named("text", "色見本") if "RGB(255, 0, 0)" in o.name]
    report.check("a swatch's name holds its RGB text", ["色見本 RGB(255, 0, 0)、整数値 255"], red)
    report.check("forty swatches named by their colour", 40,
                 len([o for o in named("text", "色見本 RGB(") if "、整数値 " in o.name]))
    announced.clear()
    click(st.RED_SWATCH)
    report.check("the preview's name follows a pick", "表示中の色 RGB(255, 0, 0)、整数値 255",
                 st.until(name_of("text", "表示中の色"), lambda n: n and "255, 0, 0" in n))
    report.check("the integer text follows a pick", "255",
                 st.until(name_of("label", "255"), lambda n: n == "255"))
    report.check("the RGB text follows a pick", "RGB(255, 0, 0)",
                 st.until(name_of("label", "RGB(255, 0, 0)"), lambda n: n is not None))
    pump()
    heard_names = {name for _, name in announced}
    report.check("the pick is announced", True,
                 {"255", "RGB(255, 0, 0)", "表示中の色 RGB(255, 0, 0)、整数値 255"} <= heard_names)

    # The colour menu, opened by the Menu key on the focus sink: the arrow
    # keys go through its items, each reported with its text as its name.
    click(st.COPY_INTEGER)  # the focus to the sink
    focus.clear()
    st.xdotool("key", "Menu")
    for _ in range(18):
        st.xdotool("key", "Down")

    def menu_items():
        pump()
        return [name for role, name in focus if role in ("menu item", "menu")]
    items = st.until(menu_items, lambda names: len(names) >= 18)
    expected = ["#FF0000", "rgb(255 0 0)", "hsl(0 100% 50%)", "hwb(0 0% 0%)", "lab(", "lch(",
                "oklab(", "oklch(", "color(display-p3 ", "hsv(0 100% 100%)",
                "device-cmyk(0% 100% 100% 0%)", "0xFF0000", "1, 0, 0", "255", "RGB(255, 0, 0)",
                "red", "貼り付け", "最近の色"]


    def matches(name, wanted):  # the Lab-like notations' numbers are not spelled out here
        return name.startswith(wanted) if wanted.endswith(("(", " ")) else name == wanted
    report.check("the colour menu's items are named with their texts", expected,
                 [e if matches(n, e) else n for n, e in zip(items, expected)])
    st.xdotool("key", "Escape")

    # The keyboard: from the focus sink, Tab reaches the swatches in order;
    # Space, Return and keypad Enter pick the focused one.
    for tabs, key, integer in ((1, "space", "0"), (2, "Return", "128"), (3, "KP_Enter", "255"),
                               (5, "space", "13408767")):
        click(st.COPY_INTEGER)  # the copy button gives the focus back to the sink
        for _ in range(tabs):
            st.xdotool("key", "Tab")
        st.xdotool("key", key)
        report.check(f"{key} on swatch {tabs} picks it", integer,
                     st.until(name_of("label", integer), lambda n: n == integer))
        holding = [o for o in objects() if o.getState().contains(pyatspi.STATE_FOCUSED)]
        report.check(f"{key}: the focus went back to the sink, out of sight", [],
                     [o.name for o in holding])
    pump()
    report.check("focus is reported on named controls only", [],
                 [f for f in focus if f[0] in ("invalid", "unknown", "none") or not f[1]])
    report.check("focus reported on the swatches reached", True,
                 ("text", "色見本 RGB(0, 0, 0)、整数値 0") in focus)

    # The sliders.
    click(st.SWITCH)
    check_mode(1, 1)

    def slider_value(channel):
        def probe():
            found = named("slider", channel)
            return found[0].queryValue().currentValue if found else None
        return probe
    report.check("the red slider starts at 128", 128.0,
                 st.until(slider_value("赤"), lambda v: v == 128.0))
    for point, value in (((262, 124), 129.0), ((302, 124), 139.0), ((232, 124), 138.0)):
        click(point)
        report.check("the red slider's value follows a step button", value,
                     st.until(slider_value("赤"), lambda v: v == value))
    report.check("the step buttons say what they do", 12,
                 len([o for o in named("push button") if o.name[1:2] == "を"]))
    report.check("the preview follows the step buttons", "表示中の色 RGB(138, 128, 128)、整数値 8421514",
                 st.until(name_of("text", "表示中の色"), lambda n: n and "138" in n))

    # The image mode.
    click(st.SWITCH)
    check_mode(2, 1)
    report.check("no picture yet", "画像なし",
                 st.until(name_of("image", "画像"), lambda n: n == "画像なし"))
    click(st.FIRST_FILE)
    report.check("the picture is an image named by its file and zoom", "画像 distinct.bmp 100%",
                 st.until(name_of("image", "画像"), lambda n: n == "画像 distinct.bmp 100%"))
    click(st.ZOOM_UP)
    report.check("the name follows the zoom", "画像 distinct.bmp 200%",
                 st.until(name_of("image", "画像"), lambda n: n == "画像 distinct.bmp 200%"))
    report.check("the zoom value is named", "拡大率 200%",
                 st.until(name_of("label", "拡大率"), lambda n: n == "拡大率 200%"))

    # The arrow keys on the focus sink (where the zoom button left it) move
    # the pick cursor; each move is announced with the pixel's place and the
    # colour picked there, the calibration's own (red 6 x, green 8 y, blue 50).
    def moves_heard():
        pump()
        found = [re.search(r"、x (\d+), y (\d+): RGB\((\d+), (\d+), (\d+)\)$", n or "")
                 for _, n in announced]
        return [tuple(map(int, m.groups())) for m in found if m]
    announced.clear()
    st.xdotool("key", "Right")
    first = st.until(moves_heard, lambda moves: len(moves) >= 1)
    st.xdotool("key", "shift+Down")
    moves = st.until(moves_heard, lambda moves: len(moves) >= 2)
    report.check("keyboard picks are announced with place and colour", True,
                 len(moves) >= 2 and all((6 * x, 8 * y, 50) == (r, g, b) for x, y, r, g, b in moves)
                 and moves[1][:2] == (moves[0][0], moves[0][1] + 10))
    print(f"heard: {first[:1]} then {moves[1:2]}")
    check_mode(2, 1)
    check_screen_pick(report, pyatspi, pid, focus, moves_heard, announced, name_of)

    # A picture that names its colour space is heard with it.
    click(st.FIRST_FILE)
    st.xdotool("key", "Down")
    report.check("a tagged picture is heard with its colour space", "画像 zz-p3.jpg 100%、Display P3",
                 st.until(name_of("image", "画像"), lambda n: n and n.startswith("画像 zz")))


def check_screen_pick(report, pyatspi, pid, focus, moves_heard, announced, name_of):
    """The screen pick, followed as a screen reader follows the focus."""
    focus.clear()
    announced.clear()
    st.xdotool("key", "ctrl+shift+p")

    def overlay_focused():
        return [name for role, name in focus if name.startswith("画面から選ぶ: 画面 1")]
    report.check("the frozen screen's window takes the focus, named", True,
                 bool(st.until(lambda: (moves_heard(), overlay_focused())[1], bool, 10)))
    def places():  # each place once, as a screen reader speaks a change
        moves = moves_heard()
        return [m for i, m in enumerate(moves) if i == 0 or m != moves[i - 1]]
    st.xdotool("key", "Right")
    first = st.until(places, lambda m: len(m) >= 1, 10) or []
    st.xdotool("key", "Down")
    moves = st.until(places, lambda m: len(m) > len(first), 10) or []
    report.check("a move on the frozen screen is announced with place and colour", True,
                 len(moves) >= 2 and moves[-1][:2] == (moves[-2][0], moves[-2][1] + 1))
    print(f"heard on the frozen screen: {moves[-2:]}")
    st.xdotool("key", "Return")
    if moves:
        rgb = "RGB({}, {}, {})".format(*moves[-1][2:])
        report.check("the pick shows in the preview's name", True,
                     bool(st.until(name_of("text", "表示中の色"),
                                   lambda n: bool(n) and rgb in n, 10)))


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

#!/usr/bin/python3
"""The built program under a real Wayland compositor: sway's headless
backend, run as an unprivileged user (compositors refuse root). Input comes
through the compositor's virtual pointer, from one wayvnc per output and a
few lines of the RFB protocol; the screen through grim; the clipboard
through wl-paste. A swatch and both copies, the mode cycle, and then, as the
desktop changes under the shown window, every device pixel of a patch of the
view picked exactly at 100 % and 300 %: the output rescaled live 1 -> 2 -> 1
without moving the window, then the window moved to a second output at
scale 2 and back. sway runs twice: as it comes (windows tiled), and with
every window floating. In the tiled run a private D-Bus session carries the
desktop portal (xdg-desktop-portal with its wlr and gtk backends, over
pipewire), the background is a tiled calibration picture, and the program
captures the output through its menu (right button, 画面を取り込む; wayvnc's
virtual keyboard drops the modifiers of a chord, so the keys are left to the
X11 and offscreen checks) at output scale 1 and after the live rescale to 2:
every pick of a patch equals the screen, and the patch shows grim's picture
of the bare output, taken before the program started. A PNG put on the
clipboard by wl-copy is pasted through the menu and picked. At both scales
a 9 x 9 patch is picked off the frozen screen (画面から選ぶ, the last item of
the picture's menu, chosen with Up and Return), one pick a device pixel
clicked on the overlay, each the bare output's own pixel where the program's
window stood; the portal's file is gone afterwards.
Usage: wayland_check.py IROCHI     (exit 77: tools missing)
IROCHI_SCREENSHOTS=FOLDER keeps a screenshot of the output after each change."""

import glob
import json
import math
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # nothing written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import screen_test as st

FIRST, SECOND = "HEADLESS-1", "HEADLESS-2"
VNC_PORTS = {FIRST: 5942, SECOND: 5943}
OUTPUT_SIZE = (1280, 1024)
USER = "nobody"


class Rfb:
    """A VNC client that only moves and clicks the pointer: the RFB 3.8
    handshake without security, then PointerEvent messages."""

    def __init__(self, port):
        # A wayvnc just started on a just created output can answer its first
        # connection with a handshake that is none: tried again until it is.
        deadline = time.monotonic() + 20
        while True:
            try:
                self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)
                self.handshake()
                return
            except (OSError, RuntimeError) as error:
                if hasattr(self, "sock"):
                    self.sock.close()
                if time.monotonic() > deadline:
                    raise RuntimeError(f"no VNC session on port {port}: {error}") from error
                time.sleep(0.2)

    def handshake(self):
        version = self.read(12)
        if not version.startswith(b"RFB 003."):
            raise RuntimeError(f"not a VNC server's greeting: {version!r}")
        self.sock.sendall(b"RFB 003.008\n")
        types = self.read(self.read(1)[0])
        if 1 not in types:
            raise RuntimeError(f"no security type 'none' offered: {list(types)}")
        self.sock.sendall(bytes([1]))
        if struct.unpack(">I", self.read(4))[0] != 0:
            raise RuntimeError("the VNC server refused the connection")
        self.sock.sendall(bytes([1]))  # shared
        self.size = struct.unpack(">HH", self.read(4))
        self.read(16)  # pixel format
        self.read(struct.unpack(">I", self.read(4))[0])  # desktop name

    def read(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise RuntimeError("the VNC server closed the connection")
            data += chunk
        return data

    def pointer(self, x, y, buttons=0):
        self.sock.sendall(struct.pack(">BBHH", 5, buttons, x, y))

    def key(self, keysym):
        """A key pressed and released (RFB KeyEvent)."""
        for down in (1, 0):
            self.sock.sendall(struct.pack(">BBxxI", 4, down, keysym))
            time.sleep(0.02)

    def click(self, x, y, button=1):
        self.pointer(x, y)
        time.sleep(0.02)
        self.pointer(x, y, button)
        time.sleep(0.02)
        self.pointer(x, y, 0)


class Session:
    """sway, wayvnc and the program, each run as the unprivileged user."""

    def __init__(self, work):
        self.work = work
        self.runtime = f"{work}/runtime"
        os.mkdir(self.runtime, 0o700)
        self.as_user = []
        if os.getuid() == 0:
            for path in (work, self.runtime):
                shutil.chown(path, USER)
            self.as_user = ["setpriv", f"--reuid={USER}", "--regid=nogroup", "--clear-groups"]
        self.env = {"HOME": work, "XDG_RUNTIME_DIR": self.runtime, "PATH": "/usr/bin:/bin",
                    "LANG": "C.UTF-8"}
        self.processes = []

    def start(self, *command, **extra):
        env = dict(self.env, **extra)
        log = open(f"{self.work}/{os.path.basename(command[0])}.log", "ab")
        process = subprocess.Popen(self.as_user + ["env", "-i"] +
                                   [f"{k}={v}" for k, v in env.items()] + list(command),
                                   stdout=log, stderr=subprocess.STDOUT)
        self.processes.append(process)
        return process

    def run(self, *command):
        env = [f"{k}={v}" for k, v in self.env.items()]
        return subprocess.run(self.as_user + ["env", "-i"] + env + list(command), check=True,
                              capture_output=True).stdout

    def sway(self, *command):
        return json.loads(self.run("swaymsg", *command))

    def stop(self):
        for process in reversed(self.processes):
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()


def start_compositor(session, floating, background=None):
    """sway as it comes, with one output; floating adds the usual rule that
    makes every window float; background tiles a picture behind windows."""
    config = f"{session.work}/sway.conf"
    with open(config, "w") as f:
        f.write(f"output {FIRST} mode --custom {OUTPUT_SIZE[0]}x{OUTPUT_SIZE[1]} pos 0 0 scale 1\n"
                "default_border none\ndefault_floating_border none\n")
        if background:
            f.write(f"output * bg {background} tile\n")
        if floating:
            f.write("for_window [app_id=\".*\"] floating enable\n")
    session.start("sway", "-c", config, WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1",
                  WLR_RENDERER="pixman")
    sockets = st.until(lambda: glob.glob(f"{session.runtime}/sway-ipc.*.sock"), bool)
    display = st.until(lambda: glob.glob(f"{session.runtime}/wayland-*[0-9]"), bool)
    if not sockets or not display:
        raise RuntimeError("sway did not start: " + open(f"{session.work}/sway.log").read())
    session.env["SWAYSOCK"] = sockets[0]
    session.env["WAYLAND_DISPLAY"] = os.path.basename(display[0])


def start_portal(session):
    """A private session bus with the desktop portal on it: pipewire (the wlr
    backend quits without it), the wlr backend for Screenshot and the gtk one
    for the Access interface that Screenshot needs."""
    bus = f"{session.runtime}/bus"
    session.start("dbus-daemon", "--session", "--nofork", "--nopidfile",
                  f"--address=unix:path={bus}")
    st.until(lambda: os.path.exists(bus), bool)
    session.env["DBUS_SESSION_BUS_ADDRESS"] = f"unix:path={bus}"
    session.env["XDG_CURRENT_DESKTOP"] = "sway"
    session.run("dbus-update-activation-environment", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
                "SWAYSOCK", "XDG_RUNTIME_DIR")
    session.start("pipewire")
    session.start("/usr/libexec/xdg-desktop-portal-wlr")
    session.start("/usr/libexec/xdg-desktop-portal-gtk", GDK_BACKEND="wayland")
    session.start("/usr/libexec/xdg-desktop-portal")


class Desktop:
    """The outputs, a pointer on each, and where the program's window is."""

    def __init__(self, session, pid):
        self.session = session
        self.pid = pid
        self.pointers = {}
        self.connect(FIRST)

    def connect(self, output):
        self.session.start("wayvnc", "-o", output, "127.0.0.1", str(VNC_PORTS[output]))
        self.pointers[output] = Rfb(VNC_PORTS[output])

    def add_output(self, scale):
        """A second output right of the first."""
        self.session.sway("create_output")
        for setting in (["mode", f"{OUTPUT_SIZE[0]}x{OUTPUT_SIZE[1]}"],
                        ["pos", str(OUTPUT_SIZE[0]), "0"], ["scale", str(scale)]):
            self.session.sway("output", SECOND, *setting)
        self.session.sway("output", FIRST, "pos", "0", "0")
        self.connect(SECOND)

    def node(self):
        """The window's node in sway's tree, with the output it is on."""
        def find(node, output):
            if node.get("type") == "output":
                output = node["name"]
            if node.get("pid") == self.pid:
                return node, output
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                found = find(child, output)
                if found:
                    return found
            return None
        return find(self.session.sway("-t", "get_tree"), None)

    def window(self):
        """Where the window is: its output, the output's scale, the client
        area's origin in the output's device pixels, its logical width,
        whether the output shows all of it, and how far, in logical pixels,
        the place the pointer goes by lies right of and below the drawing."""
        node, output = self.node()
        shown = {o["name"]: o for o in self.session.sway("-t", "get_outputs")}[output]
        scale = shown["scale"]
        place, area = node["rect"], shown["rect"]
        x, y = place["x"] - area["x"], place["y"] - area["y"]
        inside = (x >= 0 and y >= 0 and x + place["width"] <= area["width"] and
                  y + place["height"] <= area["height"])

        # sway 1.7 centres a floating window at (W - w) / 2 logical pixels of
        # its output, half a pixel off the grid when W - w is odd. Its tree
        # reports, and its renderer draws, the window at the whole pixel
        # below; the pointer's position is sent from the exact place.
        def half(start, room):
            return 0.5 if node["type"] == "floating_con" and room % 2 and start == room // 2 else 0
        lag = (half(x, area["width"] - place["width"]), half(y, area["height"] - place["height"]))
        return dict(output=output, scale=scale, origin=(round(x * scale), round(y * scale)),
                    width=place["width"], inside=inside, lag=lag)

    def grab(self, output, region=None):
        command = ["grim", "-t", "ppm"] + (["-g", region] if region else ["-o", output]) + ["-"]
        return st.read_ppm(self.session.run(*command))[2]


def run_desktop(report, layout, session, desktop, shots, bare=None):
    def name():
        found = desktop.node()
        return found and found[0].get("name")

    report.check(f"{layout}: window shown", st.CAPTIONS[0],
                 st.until(name, lambda c: c == st.CAPTIONS[0]))
    # Drawn and still before the first click: on a session bus the program
    # first sets up its accessibility bridge.
    w = settled(desktop, desktop.window())

    def at(point):
        return st.device(w["origin"], point, w["scale"])

    def click(x, y):
        desktop.pointers[w["output"]].click(x, y)

    def screen():
        return desktop.grab(w["output"])

    def preview():
        node, _ = desktop.node()
        x, y = node["rect"]["x"] + st.PREVIEW[0], node["rect"]["y"] + st.PREVIEW[1]
        return desktop.grab(w["output"], f"{x},{y} 1x1")(0, 0)

    def clipboard():
        return session.run("timeout", "5", "wl-paste", "--no-newline").decode()

    if layout == "tiled":
        click(*at(st.RED_SWATCH))
        report.check("preview after a swatch", (255, 0, 0),
                     st.until(preview, lambda c: c == (255, 0, 0)))
        click(*at(st.COPY_INTEGER))
        report.check("copied integer text", "255", st.until(clipboard, lambda t: t == "255"))
        click(*at(st.COPY_RGB))
        report.check("copied RGB text", "RGB(255, 0, 0)",
                     st.until(clipboard, lambda t: t == "RGB(255, 0, 0)"))
    st.enter_image_mode(report, click, at, name)

    def move_to(output):
        return lambda: session.sway(f"[pid={desktop.pid}]", "move", "container", "to",
                                    "output", output)

    changes = [
        ("at output scale 1", None),
        ("rescaled live to 2", lambda: session.sway("output", FIRST, "scale", "2")),
        ("rescaled live back to 1", lambda: session.sway("output", FIRST, "scale", "1")),
        ("moved to a second output at scale 2",
         lambda: (desktop.add_output(2), move_to(SECOND)())),
        ("moved back to the output at scale 1", move_to(FIRST)),
    ]
    for number, (change, act) in enumerate(changes):
        what = f"{layout}, {change}"
        before = desktop.window()
        if act:
            act()
        w = st.until(desktop.window, lambda now: now != before, 5) if act else before
        w = settled(desktop, w)
        if layout == "floating" and not w["inside"]:
            # sway leaves a floating window where it was in the layout, which
            # after a rescale lies partly beyond the output: the user drags it
            # back into view.
            session.sway(f"[pid={desktop.pid}]", "move", "position", "20", "20")
            w = settled(desktop, st.until(desktop.window, lambda now: now["inside"], 5))
        report.check(f"{what}: window on the output", True, w["inside"])
        desktop.pointers[w["output"]].pointer(*at((250, 30)))  # off the view
        st.check_view(report, what, click, at, preview, screen, w["origin"], w["scale"],
                      w["width"], drawn_by_sway(w))
        if bare and number in bare:
            check_capture(report, what, desktop, w, click, at, preview, screen, bare[number])
            check_screen_pick(report, what, desktop, w, at, preview, bare[number])
            if number == 0:
                check_paste(report, what, session, desktop, w, click, at, preview, screen,
                            f"{session.work}/calibration.png")
            check_tagged_paste(report, what, session, desktop, w, click, at, preview, screen)
        if shots:
            with open(f"{shots}/{layout}-{number}.ppm", "wb") as f:
                f.write(session.run("grim", "-o", w["output"], "-t", "ppm", "-"))

    picked = preview()
    integer = str(picked[0] + picked[1] * 256 + picked[2] * 65536)
    click(*at(st.COPY_INTEGER))
    report.check(f"{layout}: copied picked colour", integer,
                 st.until(clipboard, lambda t: t == integer))


# Where the picture area's menu is opened, and where its items, 画面を取り込む
# and 貼り付け, then lie.
MENU_AT = (150, 200)
CAPTURE_ITEM = (190, 211)
PASTE_ITEM = (190, 231)


def check_capture(report, what, desktop, w, click, at, preview, screen, bare):
    """The menu's capture: the program steps aside, the portal takes the
    output, and the capture is shown at 100 % (the file before it was at
    300 %): every pick of a patch equals the screen, and the patch is grim's
    picture of the bare output, each of its pixels on output-scale x
    output-scale device pixels."""
    patch = at(st.PATCH_START)
    pointer = desktop.pointers[w["output"]]
    pointer.click(*at(MENU_AT), button=4)
    time.sleep(0.5)
    pointer.click(*at(CAPTURE_ITEM))
    # The window steps aside for a moment; the checks begin once it is back
    # where it was and drawn.
    time.sleep(0.2)
    report.check(f"{what}: window back after the capture", w["origin"],
                 st.until(lambda: desktop.node() and desktop.window()["origin"],
                          lambda o: o == w["origin"]))
    settled(desktop, w)
    # At 100 % a row of the patch crosses a calibration pixel every
    # output-scale device pixels; at 300 % it crossed three times fewer.
    m = int(w["scale"])

    def columns():
        grab = desktop.grab(w["output"])
        return len({grab(patch[0] + dx, patch[1]) for dx in range(9)})
    report.check(f"{what}: capture shown at 100 %", True,
                 st.until(columns, lambda n: n >= (9 + m - 1) // m) is not None)
    st.check_picks(report, f"{what}: capture, 100 %", click, preview, screen(), w["origin"],
                   w["scale"])
    # The compositor draws the pointer into the output: it leaves the patch.
    pointer.pointer(*at((250, 30)))
    settled(desktop, w)
    grab = screen()
    drawn = [[grab(patch[0] + dx, patch[1] + dy) for dx in range(9)] for dy in range(9)]
    # The capture's place in the view is searched for near its corner; the
    # whole patch must then be the bare output's pixels at that place.
    fits = [(cx, cy) for cy in range(0, 200) for cx in range(0, 200)
            if all(bare(cx + dx // m, cy + dy // m) == drawn[dy][dx]
                   for dy in range(9) for dx in range(9))]
    if not fits:
        print(f"  {what}: the patch begins {drawn[0][:3]} / {drawn[1][:3]}; the bare output "
              f"{[bare(x, 0) for x in range(3)]} / {[bare(x, 1) for x in range(3)]}")
    report.check(f"{what}: the patch is grim's picture of the bare output", True, bool(fits))


KEY_UP, KEY_RETURN, KEY_ESCAPE = 0xFF52, 0xFF0D, 0xFF1B
OVERLAY_TITLE = "画面から選ぶ"
MARKERS_ON_BARE = ((60, 120), (90, 95))
PORTAL_FILE = "/tmp/out.png"


def check_screen_pick(report, what, desktop, w, at, preview, bare):
    """画面から選ぶ from the picture's menu, then a click on the frozen
    screen: the device pixel clicked, as grim saw the bare output."""
    pointer = desktop.pointers[w["output"]]

    def overlay_shown():
        def find(node):
            if node.get("name") == OVERLAY_TITLE and node.get("visible"):
                return True
            return any(find(c) for c in node.get("nodes", []) + node.get("floating_nodes", []))
        return find(desktop.session.sway("-t", "get_tree"))

    def pick_at(x, y, expected):
        pointer.click(*at(MENU_AT), button=4)
        time.sleep(0.5)
        pointer.key(KEY_UP)  # from the top, the last item
        pointer.key(KEY_RETURN)
        if not st.until(overlay_shown, bool, 10):
            print(f"  {what}: no overlay for the pick at {x},{y}")
            pointer.key(KEY_ESCAPE)  # a menu left open
            st.until(desktop.node, bool, 70)
            return None
        pointer.click(x, y)
        return st.until(lambda: desktop.node() and preview(), lambda c: c == expected, 5)

    # Each pick must change the preview, so that every answer is a fresh one:
    # the pixels go in an order in which the colour changes, and where none is
    # left that would, a pixel of another colour is picked first.
    start = at(st.PATCH_START)
    left = [(start[0] + dx, start[1] + dy) for dy in range(9) for dx in range(9)]
    shown, exact = preview(), 0
    while left:
        x, y = next((p for p in left if bare(*p) != shown), left[0])
        left.remove((x, y))
        expected = bare(x, y)
        if expected == shown:
            marker = next(m for m in (at(p) for p in MARKERS_ON_BARE) if bare(*m) != expected)
            shown = pick_at(*marker, bare(*marker))
        shown = pick_at(x, y, expected)
        exact += shown == expected
        if shown != expected and exact < 3:
            print(f"  {what}: screen pick at {x},{y}: expected {expected}, got {shown}")
    report.check(f"{what}: 81 picks off the frozen screen", 81, exact)
    report.check(f"{what}: the portal's file is gone", False, os.path.exists(PORTAL_FILE))
    st.until(desktop.node, bool, 70)
    settled(desktop, w)


def paste(session, desktop, w, at, picture):
    """Puts a PNG on the clipboard by wl-copy and pastes it through the menu."""
    session.start("sh", "-c", f"exec wl-copy --foreground --type image/png < {picture}")
    time.sleep(0.5)
    pointer = desktop.pointers[w["output"]]
    pointer.click(*at(MENU_AT), button=4)
    time.sleep(0.5)
    pointer.click(*at(PASTE_ITEM))


def check_paste(report, what, session, desktop, w, click, at, preview, screen, picture):
    """A PNG that wl-copy puts on the clipboard, pasted through the menu,
    shown at 100 % and picked exactly."""
    paste(session, desktop, w, at, picture)
    # The 40 x 30 picture ends before BEYOND_100, where the capture went on.
    report.check(f"{what}: pasted PNG shown", True,
                 st.until(lambda: screen()(*at(st.BEYOND_100))[2] != 50, bool) is not None)
    settled(desktop, w)
    st.check_picks(report, f"{what}: pasted PNG, 100 %", click, preview, screen(), w["origin"],
                   w["scale"])


def check_tagged_paste(report, what, session, desktop, w, click, at, preview, screen):
    """A Display P3 PNG pasted: drawn converted for the screen at the
    output's scale, and its patch's stored (105, 203, 202) picked as
    RGB(55, 206, 203), its colour in sRGB."""
    picture = f"{session.work}/p3.png"
    if not os.path.exists(picture):
        subprocess.run([os.environ["IROCHI_MAKE_ICC"], session.work], check=True)
        subprocess.run(["convert", "-size", "40x30", "xc:rgb(105,203,202)", "-profile",
                        f"{session.work}/p3.icc", f"PNG24:{picture}"], check=True)
        os.chmod(picture, 0o644)
    paste(session, desktop, w, at, picture)
    wanted = (55, 206, 203)
    near = lambda p: p is not None and all(abs(a - b) <= 1 for a, b in zip(p, wanted))
    shown = st.until(lambda: screen()(*at(st.PATCH_START)), near)
    report.check(f"{what}: Display P3 PNG drawn converted, within a level", True,
                 near(shown))
    click(*at(st.PATCH_START))
    report.check(f"{what}: Display P3 PNG picked in sRGB", wanted,
                 st.until(preview, lambda c: c == wanted))


def drawn_by_sway(w):
    """Where sway draws the window's device pixel that it sends the pointer on
    a device pixel of the output to, when it draws the window off the place
    the pointer goes by; None when both agree."""
    if w["lag"] == (0, 0):
        return None
    origin, scale = w["origin"], w["scale"]

    def drawn(point):
        return tuple(o + math.floor(p - o - lag * scale)
                     for p, o, lag in zip(point, origin, w["lag"]))
    return drawn


def settled(desktop, w):
    """Waits until the window's place and two grabs of its output in a row
    agree, so that the program has drawn what the change asked of it."""
    last = [None, None]

    def same():
        now = desktop.window()
        shot = desktop.session.run("grim", "-o", now["output"], "-t", "ppm", "-")
        agree = (now, shot) == tuple(last)
        last[0], last[1] = now, shot
        return agree
    st.until(same, bool)
    return last[0] or w


def bare_outputs(session):
    """grim's pictures of the first output with nothing but the background,
    at scale 1 and at 2, by the number of the change each belongs to."""
    pictures = {}
    for number, scale in ((0, 1), (1, 2)):
        session.sway("output", FIRST, "scale", str(scale))
        last = [None]

        def steady():
            shot = session.run("grim", "-o", FIRST, "-t", "ppm", "-")
            same, last[0] = shot == last[0], shot
            return same
        st.until(steady, bool)
        pictures[number] = st.read_ppm(last[0])[2]
    session.sway("output", FIRST, "scale", "1")
    return pictures


def remove_portal_picture(since):
    """xdg-desktop-portal-wlr leaves each screenshot in /tmp/out.png; the one
    its run for this check made goes."""
    path = PORTAL_FILE
    try:
        info = os.stat(path)
    except FileNotFoundError:
        return
    owner = subprocess.run(["id", "-u", USER], capture_output=True, text=True).stdout.strip()
    if str(info.st_uid) in (owner, str(os.getuid())) and info.st_mtime >= since:
        os.remove(path)


def main(exe):
    st.require("sway", "wayvnc", "grim", "wl-paste", "swaymsg", "convert", "swaybg", "pipewire",
               "dbus-daemon", "dbus-update-activation-environment")
    for backend in ("xdg-desktop-portal", "xdg-desktop-portal-wlr", "xdg-desktop-portal-gtk"):
        if not os.path.exists(f"/usr/libexec/{backend}"):
            print(f"skipped: {backend} is not installed")
            return st.SKIP
    if os.getuid() == 0:
        st.require("setpriv")
    plugin = glob.glob("/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so")
    if not plugin:
        print("skipped: Qt's wayland platform plugin (qt6-wayland) is not installed")
        return st.SKIP
    report = st.Report()
    shots = os.environ.get("IROCHI_SCREENSHOTS")
    started = time.time()
    for layout in ("tiled", "floating"):
        work = tempfile.mkdtemp()
        os.chmod(work, 0o755)
        session = Session(work)
        try:
            copy = st.prepare_copy(work, exe)
            tiled = layout == "tiled"
            background = f"{work}/calibration.png"
            subprocess.run(["convert", f"{work}/pictures/distinct.bmp", background], check=True)
            if session.as_user:
                subprocess.run(["chown", "-R", USER, work], check=True)
            start_compositor(session, floating=not tiled, background=background if tiled else None)
            bare = {}
            if tiled:
                start_portal(session)
                bare = bare_outputs(session)
            program = session.start(copy, QT_QPA_PLATFORM="wayland")
            desktop = Desktop(session, program.pid)
            run_desktop(report, layout, session, desktop, shots, bare)
        finally:
            session.stop()
            subprocess.run(["rm", "-rf", work])
            remove_portal_picture(started)
    report.exit()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

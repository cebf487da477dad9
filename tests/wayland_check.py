#!/usr/bin/python3
"""The built program under a real Wayland compositor: sway's headless
backend, run as an unprivileged user (compositors refuse root). Input comes
through the compositor's virtual pointer, from wayvnc and a few lines of the
RFB protocol; the screen through grim; the clipboard through wl-paste. A
swatch and both copies, the mode cycle, a loaded picture, and every device
pixel of a patch of the view picked exactly, at output scales 1 and 2.
Usage: wayland_check.py IROCHI     (exit 77: tools missing)"""

import glob
import json
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import screen_test as st

OUTPUT = "HEADLESS-1"
VNC_PORT = 5942
USER = "nobody"


class Rfb:
    """A VNC client that only moves and clicks the pointer: the RFB 3.8
    handshake without security, then PointerEvent messages."""

    def __init__(self, port):
        deadline = time.monotonic() + 20
        while True:
            try:
                self.sock = socket.create_connection(("127.0.0.1", port))
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.1)
        self.read(12)  # the server's version
        self.sock.sendall(b"RFB 003.008\n")
        types = self.read(self.read(1)[0])
        if 1 not in types:
            raise RuntimeError(f"the VNC server wants a password: {list(types)}")
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

    def click(self, x, y):
        self.pointer(x, y)
        time.sleep(0.02)
        self.pointer(x, y, 1)
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
        log = open(f"{self.work}/{os.path.basename(command[0])}.log", "wb")
        process = subprocess.Popen(self.as_user + ["env", "-i"] +
                                   [f"{k}={v}" for k, v in env.items()] + list(command),
                                   stdout=log, stderr=subprocess.STDOUT)
        self.processes.append(process)
        return process

    def run(self, *command):
        env = [f"{k}={v}" for k, v in self.env.items()]
        return subprocess.run(self.as_user + ["env", "-i"] + env + list(command), check=True,
                              capture_output=True).stdout

    def stop(self):
        for process in reversed(self.processes):
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()


def start_compositor(session):
    config = f"{session.work}/sway.conf"
    with open(config, "w") as f:
        f.write(f"output {OUTPUT} mode --custom 1280x1024 scale 1\n"
                "default_border none\ndefault_floating_border none\n"
                "for_window [app_id=\".*\"] floating enable\n")
    session.start("sway", "-c", config, WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1",
                  WLR_RENDERER="pixman")
    sockets = st.until(lambda: glob.glob(f"{session.runtime}/sway-ipc.*.sock"), bool)
    display = st.until(lambda: glob.glob(f"{session.runtime}/wayland-*[0-9]"), bool)
    if not sockets or not display:
        raise RuntimeError("sway did not start: " + open(f"{session.work}/sway.log").read())
    session.env["SWAYSOCK"] = sockets[0]
    session.env["WAYLAND_DISPLAY"] = os.path.basename(display[0])


def main(exe):
    st.require("sway", "wayvnc", "grim", "wl-paste", "swaymsg", "convert")
    if os.getuid() == 0:
        st.require("setpriv")
    plugin = glob.glob("/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so")
    if not plugin:
        print("skipped: Qt's wayland platform plugin (qt6-wayland) is not installed")
        return st.SKIP
    report = st.Report()
    work = tempfile.mkdtemp()
    os.chmod(work, 0o755)
    session = Session(work)
    try:
        copy = st.prepare_copy(work, exe)
        if session.as_user:
            subprocess.run(["chown", "-R", USER, work], check=True)
        start_compositor(session)
        session.start("wayvnc", "-o", OUTPUT, "127.0.0.1", str(VNC_PORT))
        vnc = Rfb(VNC_PORT)
        program = session.start(copy, QT_QPA_PLATFORM="wayland")
        run(report, session, vnc, program.pid)
    finally:
        session.stop()
        subprocess.run(["rm", "-rf", work])
    report.exit()


def run(report, session, vnc, pid):
    def node():
        def find(n):
            if n.get("pid") == pid:
                return n
            for child in n.get("nodes", []) + n.get("floating_nodes", []):
                found = find(child)
                if found:
                    return found
            return None
        return find(json.loads(session.run("swaymsg", "-t", "get_tree")))

    def name():
        n = node()
        return n and n.get("name")

    report.check("window shown", st.CAPTIONS[0], st.until(name, lambda c: c == st.CAPTIONS[0]))
    scale = 1
    window = (0, 0)

    def place():
        rect = node()["rect"]
        return (rect["x"] * scale, rect["y"] * scale)

    def at(point):
        return st.device(window, point, scale)

    def screen():
        return st.read_ppm(session.run("grim", "-t", "ppm", "-"))[2]

    def preview():
        x, y = at(st.PREVIEW)
        region = f"{x // scale},{y // scale} 1x1"
        return st.read_ppm(session.run("grim", "-g", region, "-t", "ppm", "-"))[2](0, 0)

    def clipboard():
        return session.run("timeout", "5", "wl-paste", "--no-newline").decode()

    def click(x, y):
        vnc.click(x, y)

    window = place()
    click(*at(st.RED_SWATCH))
    report.check("preview after a swatch", (255, 0, 0),
                 st.until(preview, lambda c: c == (255, 0, 0)))
    click(*at(st.COPY_INTEGER))
    report.check("copied integer text", "255", st.until(clipboard, lambda t: t == "255"))
    click(*at(st.COPY_RGB))
    report.check("copied RGB text", "RGB(255, 0, 0)",
                 st.until(clipboard, lambda t: t == "RGB(255, 0, 0)"))
    st.enter_image_mode(report, click, at, name, screen)
    for output_scale in (1, 2):
        if output_scale != scale:
            scale = output_scale
            session.run("swaymsg", "output", OUTPUT, "scale", str(scale))
        # sway centres a floating window on half a pixel when its width is
        # odd, then shows it a half pixel left of where it tells the program
        # the pointer is. Placed on a whole pixel, both agree.
        session.run("swaymsg", f"[pid={pid}]", "move", "position", "10", "10")
        window = st.until(place, lambda p: p == (10 * scale, 10 * scale))
        vnc.pointer(*at((250, 30)))  # the pointer's image is drawn: off the view
        # Settled when two grabs in a row agree.
        last = [None]

        def settled():
            shot = session.run("grim", "-t", "ppm", "-")
            same, last[0] = shot == last[0], shot
            return same
        st.until(settled, bool)
        st.check_picks(report, f"output scale {scale}", click, preview, screen(), window, scale)
    picked = preview()
    integer = str(picked[0] + picked[1] * 256 + picked[2] * 65536)
    click(*at(st.COPY_INTEGER))
    report.check("copied picked colour", integer, st.until(clipboard, lambda t: t == integer))


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

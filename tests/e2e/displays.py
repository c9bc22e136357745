"""The private displays the window test drives the viewer on, each behind one interface.

Points given to click() are logical pixels of Form1's client area, once track() has been told
where Form1 is; geometry() and screenshots are in device pixels.
"""
import io
import json
import os
import shutil
import socket
import struct
import subprocess
import time

import numpy as np
from PIL import Image, ImageGrab

# What the viewer must not take from the test's environment.
VIEWER_UNSET = ["LANGUAGE", "QT_QPA_PLATFORM", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE",
                "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_ENABLE_HIGHDPI_SCALING"]


def stop(process):
    if process and process.poll() is None:
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def receive(sock, count):
    data = b""
    while len(data) < count:
        chunk = sock.recv(count - len(data))
        if not chunk:
            raise ConnectionError("the compositor closed the connection")
        data += chunk
    return data


class Display:
    """A screen of 1024 x 768 logical pixels at a scale in thousandths (milli)."""

    def __init__(self, work, milli, home):
        self.work, self.milli, self.home = work, milli, home
        self.width, self.height = self.device(1024), self.device(768)
        self.processes = []  # the server first, then what keeps its devices
        self.origin = (0, 0)  # Form1's client area on the screen, device pixels
        self.viewer = None

    def device(self, v):
        """Device pixels of a logical length or position, the nearest, halves up, as Qt places
        and sizes windows."""
        return (v * self.milli + 500) // 1000

    def spawn(self, command, log, **options):
        with open(os.path.join(self.work, log), "ab") as out:
            process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=out, stderr=out, **options)
        return self.record(process)

    def record(self, process):
        with open(os.path.join(self.work, "pids"), "a") as pids:  # for the run's watchdog
            print(process.pid, file=pids)
        return process

    def stop(self):
        self.stop_viewer()
        for process in reversed(self.processes):
            stop(process)

    def stop_viewer(self):
        stop(self.viewer)
        self.viewer = None

    def viewer_environment(self, locale):
        env = {k: v for k, v in os.environ.items() if k not in VIEWER_UNSET}
        env.update(HOME=self.home, XDG_CONFIG_HOME=f"{self.home}/.config",
                   XDG_CACHE_HOME=f"{self.home}/.cache", XDG_DATA_HOME=f"{self.home}/.local/share",
                   XDG_RUNTIME_DIR=f"{self.home}/run", LANG=locale, LC_ALL=locale)
        return env

    def track(self, window):
        self.origin = self.geometry(window)[:2]

    def focus(self, window):
        """Keys go to the focused window; a window manager gives it the focus."""

    def problems_of(self, window):
        """What is wrong with the window as this display's users would have it."""
        return []


class AccessibleTexts:
    """Text boxes read as a screen reader reads them: over AT-SPI, through a private session
    bus of the viewer's user, from whose org.a11y.Bus the accessibility bus's address comes."""

    def __init__(self, display, session):
        self.session = session
        bus = subprocess.Popen(session + ["dbus-daemon", "--session", "--nofork", "--print-address=1",
                                          f"--address=unix:path={display.home}/run/bus"],
                               stdout=subprocess.PIPE, stderr=open(f"{display.work}/dbus.log", "ab"), text=True)
        display.processes.append(display.record(bus))
        self.address = bus.stdout.readline().strip()
        self.desktop = None

    def environment(self):
        return {"DBUS_SESSION_BUS_ADDRESS": self.address, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}

    def read(self, name):
        """The text of the viewer's text box with that accessible name, or None."""
        if self.desktop is None:
            os.environ["AT_SPI_BUS_ADDRESS"] = subprocess.run(
                self.session + ["dbus-send", f"--bus={self.address}", "--print-reply=literal",
                                "--dest=org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                capture_output=True, text=True, check=True).stdout.strip()
            import pyatspi
            self.pyatspi, self.desktop = pyatspi, pyatspi.Registry.getDesktop(0)
        for app in self.desktop:
            for box in self.pyatspi.findAllDescendants(app, lambda n: n.getRole() == self.pyatspi.ROLE_TEXT):
                if box.name == name:
                    return box.queryText().getText(0, -1)
        return None


class X11Display(Display):
    """A private Xvfb driven with xdotool; the viewer's scale is its QT_SCALE_FACTOR."""

    def start(self):
        first = 100 + os.getpid() % 400
        for n in range(first, first + 30):
            if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
                continue
            # -r: no key auto-repeat, so that a key held down by a slow machine is typed once.
            xvfb = self.spawn(["Xvfb", f":{n}", "-screen", "0", f"{self.width}x{self.height}x24",
                               "-nolisten", "tcp", "-noreset", "-r"], f"xvfb-{n}.log")
            for _ in range(300):
                if xvfb.poll() is not None or self.owns(n, xvfb.pid):
                    break
                time.sleep(0.1)
            if xvfb.poll() is None and self.owns(n, xvfb.pid):
                self.display = os.environ["DISPLAY"] = f":{n}"
                self.processes.append(xvfb)
                self.texts = self.accessible_texts()
                return f"Xvfb on :{n}"
            stop(xvfb)  # another server took the display first
        raise RuntimeError(f"could not start Xvfb on any display from :{first} to :{first + 29}")

    @staticmethod
    def owns(n, pid):
        try:
            with open(f"/tmp/.X{n}-lock") as lock:
                return int(lock.read().strip() or 0) == pid and os.path.exists(f"/tmp/.X11-unix/X{n}")
        except (OSError, ValueError):
            return False

    def accessible_texts(self):
        return AccessibleTexts(self, [])

    def xdotool(self, *arguments):
        return subprocess.run(["xdotool", *arguments], capture_output=True, text=True).stdout

    def screenshot(self):
        return np.asarray(ImageGrab.grab(xdisplay=self.display).convert("RGB"))

    def click(self, x, y):
        """At the middle of logical pixel (x, y)."""
        m = self.milli
        self.xdotool("mousemove", str(self.origin[0] + (x * m + m // 2) // 1000),
                     str(self.origin[1] + (y * m + m // 2) // 1000), "click", "1")

    def keys(self, *names):
        self.xdotool("key", *names)

    def type(self, text):
        self.xdotool("type", "--delay", "15", text)

    def windows(self):
        """(id, title) of the visible windows. xdotool's name search misses titles in
        non-Latin scripts, so every window's name is read."""
        ids = self.xdotool("search", "--onlyvisible", "--name", ".").split()
        return [(w, self.xdotool("getwindowname", w).rstrip("\n")) for w in ids]

    def geometry(self, window):
        g = dict(line.split("=") for line in self.xdotool("getwindowgeometry", "--shell", window).split())
        return tuple(int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def focused(self):
        return self.xdotool("getwindowfocus").strip()

    def text(self, name, x, y):
        return self.texts.read(name)

    def start_viewer(self, program, locale):
        env = self.viewer_environment(locale)
        env.update(self.texts.environment(), QT_QPA_PLATFORM="xcb", QT_ENABLE_HIGHDPI_SCALING="0",
                   QT_SCALE_FACTOR=f"{self.milli / 1000:g}")
        self.viewer = self.spawn([program], "dtchart.log", env=env, cwd=self.work)


class WaylandDisplay(Display):
    """A private headless sway session driven over sway's IPC (its seat cursor), wtype and
    grim. sway refuses root: run as root, the session and the viewer run as nobody, in a HOME
    that nobody then owns."""

    def __init__(self, work, milli, home):
        super().__init__(work, milli, home)
        self.as_user = []
        if os.geteuid() == 0:
            self.as_user = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
            os.chmod(work, 0o755)
            for folder, _, files in os.walk(home):
                for path in [folder] + [os.path.join(folder, f) for f in files]:
                    shutil.chown(path, "nobody", "nogroup")
        self.runtime = f"{home}/run"
        self.session = self.as_user + ["env", "-i", f"PATH={os.environ['PATH']}", f"HOME={home}",
                                       f"XDG_RUNTIME_DIR={self.runtime}", "LANG=C.UTF-8"]

    def start(self):
        scale = f"{self.milli / 1000:g}"
        # No XWayland, bar or borders; Form1 (a fixed size, so floating) at the output's corner,
        # where its pixels fall on whole device pixels; the focus moves only with clicks.
        with open(f"{self.work}/sway.conf", "w") as conf:
            conf.write(f"xwayland disable\noutput * mode {self.width}x{self.height} scale {scale} position 0 0\n"
                       "default_border none\ndefault_floating_border none\nfocus_follows_mouse no\n"
                       'for_window [app_id="^org\\.dtchart\\.Viewer$" title="^Form1$"] move position 0 0\n')
        sway = self.spawn(self.session + ["WLR_BACKENDS=headless", "WLR_HEADLESS_OUTPUTS=1",
                                          "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1",
                                          "sway", "--config", f"{self.work}/sway.conf"], "sway.log")
        self.processes.append(sway)
        for _ in range(300):
            sockets = os.listdir(self.runtime)
            displays = [s for s in sockets if s.startswith("wayland-") and not s.endswith(".lock")]
            ipc = [s for s in sockets if s.startswith("sway-ipc.")]
            if sway.poll() is not None or (displays and ipc):
                break
            time.sleep(0.1)
        if sway.poll() is not None or not (displays and ipc):
            return None  # no compositor here: the run is skipped
        self.wayland_display, self.swaysock = displays[0], f"{self.runtime}/{ipc[0]}"
        self.session.append(f"WAYLAND_DISPLAY={self.wayland_display}")
        output = self.sway(3)[0]
        mode = (output["current_mode"]["width"], output["current_mode"]["height"], round(output["scale"] * 1000))
        if mode != (self.width, self.height, self.milli):
            raise RuntimeError(f"sway's output is {mode}, not {(self.width, self.height, self.milli)}")
        # A headless compositor has no input devices, and a seat without a pointer or a keyboard
        # gives clients none: a virtual pointer, moved by the seat cursor, and a virtual keyboard
        # (wtype asleep for an hour) stay for the whole run, so that the keyboards of each wtype
        # come and go without the seat losing its keyboard.
        self.pointer = self.virtual_pointer()
        self.processes.append(self.spawn(self.session + ["wtype", "-s", "3600000"], "keyboard.log"))
        for _ in range(300):
            if any(seat["capabilities"] == 3 for seat in self.sway(101)):
                break
            time.sleep(0.1)
        else:
            raise RuntimeError("sway's seat got no pointer and keyboard")
        self.park_cursor()
        self.texts = AccessibleTexts(self, self.session)
        return f"sway (headless) on {self.wayland_display} at scale {scale}"

    def sway(self, kind, payload=""):
        """A message to sway's IPC (0 command, 3 outputs, 4 tree, 101 seats): its reply."""
        with socket.socket(socket.AF_UNIX) as s:
            s.connect(self.swaysock)
            s.sendall(b"i3-ipc" + struct.pack("=II", len(payload.encode()), kind) + payload.encode())
            length, _ = struct.unpack("=II", receive(s, 14)[6:])
            return json.loads(receive(s, length))

    def virtual_pointer(self):
        """A zwlr_virtual_pointer_v1 on the default seat, alive as long as the connection."""
        s = socket.socket(socket.AF_UNIX)
        s.connect(f"{self.runtime}/{self.wayland_display}")

        def request(obj, opcode, arguments):
            s.sendall(struct.pack("=II", obj, (8 + len(arguments)) << 16 | opcode) + arguments)
        request(1, 1, struct.pack("=I", 2))  # wl_display.get_registry -> 2
        request(1, 0, struct.pack("=I", 3))  # wl_display.sync -> 3, done once every global is told
        names = {}
        while True:
            obj, word = struct.unpack("=II", receive(s, 8))
            body = receive(s, (word >> 16) - 8)
            if obj == 1 and word & 0xFFFF == 0:
                raise RuntimeError(f"compositor error: {body[12:-1]!r}")
            if obj == 2:  # wl_registry.global: name, interface, version
                name, length = struct.unpack("=II", body[:8])
                names[body[8:8 + length - 1].decode()] = name
            if obj == 3:
                break
        interface = b"zwlr_virtual_pointer_manager_v1\0"
        interface += b"\0" * (-len(interface) % 4)
        request(2, 0, struct.pack("=II", names["zwlr_virtual_pointer_manager_v1"], 32) + interface
                + struct.pack("=II", 1, 4))  # wl_registry.bind -> 4
        request(4, 0, struct.pack("=II", 0, 5))  # create_virtual_pointer(default seat) -> 5
        return s

    def stop(self):
        super().stop()
        if getattr(self, "pointer", None):
            self.pointer.close()

    def in_session(self, *command):
        return subprocess.run(self.session + list(command), capture_output=True, check=True).stdout

    def screenshot(self):
        return np.asarray(Image.open(io.BytesIO(self.in_session("grim", "-t", "ppm", "-"))).convert("RGB"))

    def park_cursor(self):
        """sway draws its cursor into screenshots: it waits in the screen's corner, off Form1."""
        self.sway(0, "seat - cursor set 1023 767")

    def click(self, x, y):
        self.sway(0, f"seat - cursor set {self.logical_origin[0] + x}.5 {self.logical_origin[1] + y}.5")
        self.sway(0, "seat - cursor press button1; seat - cursor release button1")
        self.park_cursor()

    def keys(self, *names):
        """Keys as xdotool names them, "ctrl+a" included."""
        arguments = []
        for key in names:
            *modifiers, key = key.split("+")
            arguments += [a for m in modifiers for a in ("-M", m)] + ["-k", key]
            arguments += [a for m in modifiers for a in ("-m", m)]
        self.in_session("wtype", *arguments)

    def type(self, text):
        self.in_session("wtype", "-d", "15", "--", text)

    def views(self):
        nodes, views = [self.sway(4)], []
        while nodes:
            node = nodes.pop()
            nodes += node["nodes"] + node["floating_nodes"]
            if node.get("shell"):
                views.append(node)
        return views

    def windows(self):
        return [(str(v["id"]), v.get("name") or "") for v in self.views()]

    def view(self, window):
        return next(v for v in self.views() if str(v["id"]) == window)

    def logical_geometry(self, window):
        view = self.view(window)
        r, w = view["rect"], view["window_rect"]
        return r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"]

    def geometry(self, window):
        return tuple(self.device(v) for v in self.logical_geometry(window))

    def track(self, window):
        super().track(window)
        self.logical_origin = self.logical_geometry(window)[:2]

    def focused(self):
        return next((str(v["id"]) for v in self.views() if v["focused"]), None)

    def problems_of(self, window):
        view = self.view(window)
        problems = []
        if view["shell"] != "xdg_shell":
            problems.append(f"Form1 is not a native Wayland window (shell {view['shell']})")
        if view.get("app_id") != "org.dtchart.Viewer":
            problems.append(f"Form1's app_id is {view.get('app_id')!r}, not the desktop entry's org.dtchart.Viewer")
        return problems

    def text(self, name, x, y):
        return self.texts.read(name)

    def start_viewer(self, program, locale):
        # As on a Wayland desktop: Qt finds the compositor and its scale by itself.
        env = self.viewer_environment(locale)
        for name in ("DISPLAY", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP"):
            env.pop(name, None)
        env.update(self.texts.environment(), WAYLAND_DISPLAY=self.wayland_display)
        if self.as_user and subprocess.run(self.as_user + ["test", "-x", program]).returncode:
            copy = f"{self.work}/bin/dtchart"  # the session's user cannot run the build's
            os.makedirs(os.path.dirname(copy), exist_ok=True)
            shutil.copy(program, copy)
            program = copy
        self.viewer = self.spawn(self.as_user + [program], "dtchart.log", env=env, cwd=self.work)


class WineDisplay(X11Display):
    """The Windows program under Wine's X11 driver on a private Xvfb, in a private prefix; the
    scale is Windows' display scaling (the prefix's LogPixels, 96 times the scale). Wine has no
    AT-SPI bridge: text boxes are copied to the clipboard as a person would."""

    wine, wineserver = "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver"

    def __init__(self, work, milli, home, setup=None):
        super().__init__(work, milli, home)
        self.prefix, self.setup, self.locales = f"{work}/prefix", setup, None

    def accessible_texts(self):
        return None

    def windows_path(self, path):
        return "Z:" + path.replace("/", "\\")

    def wine_environment(self, locale):
        """Wine takes its code page and language from the C library's locale, not from LANG
        as Qt on Linux does: a locale the machine lacks is built in the work folder."""
        charmap = subprocess.run(["locale", "charmap"], env=dict(os.environ, LC_ALL=locale),
                                 capture_output=True, text=True).stdout.strip()
        if charmap != "UTF-8" and not os.path.isdir(f"{self.work}/locale/{locale}"):
            os.makedirs(f"{self.work}/locale", exist_ok=True)
            subprocess.run(["localedef", "-i", locale.split(".")[0], "-f", "UTF-8",
                            f"{self.work}/locale/{locale}"], capture_output=True, check=True)
            self.locales = f"{self.work}/locale"
        env = self.viewer_environment(locale)
        env.update(WINEPREFIX=self.prefix, WINELOADER=self.wine, WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=")
        if self.locales:
            env["LOCPATH"] = self.locales
        return env

    def start(self):
        started = super().start()
        here = os.path.dirname(os.path.abspath(__file__))
        subprocess.run(["bash", f"{here}/../../scripts/wine-run", "--new-prefix", self.prefix],
                       env=dict(os.environ, HOME=self.home), check=True)
        if self.setup:
            setup = subprocess.run([self.wine, self.setup, "/S"], env=self.wine_environment("C.UTF-8"),
                                   capture_output=True, text=True)
            subprocess.run([self.wineserver, "-w"], env=dict(os.environ, WINEPREFIX=self.prefix))
            if setup.returncode:
                raise RuntimeError(f"the setup program {self.setup} failed: {setup.stdout}{setup.stderr}")
        return started + " under Wine"

    def installed(self, program):
        """The Linux path of a program on C: in the prefix."""
        return f"{self.prefix}/drive_c" + program.replace("\\", "/")[2:]

    def settings(self, locale):
        """Wine's own fonts have no Japanese glyphs: its dialogs would show Japanese as empty
        boxes. The Japanese fonts' names, and in Japanese the dialog fonts (which Wine maps to
        MS UI Gothic there), lead to IPA Gothic. Wine rewrites the dialog fonts when the code
        page changes, so this is done in the viewer's locale, the display scaling with it."""
        dialog_fonts = [] if locale.startswith("C.") else ["MS Shell Dlg", "MS Shell Dlg 2"]
        lines = ["Windows Registry Editor Version 5.00", "",
                 r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]"]
        lines += [f'"{f}"="IPAPGothic"' for f in dialog_fonts + ["MS UI Gothic", "MS PGothic", "ＭＳ Ｐゴシック"]]
        lines += [f'"{f}"="IPAGothic"' for f in ("MS Gothic", "ＭＳ ゴシック")]
        # Where winecfg keeps the scaling, and where the user's own setting would be.
        for key in (r"HKEY_CURRENT_CONFIG\Software\Fonts", r"HKEY_CURRENT_USER\Control Panel\Desktop"):
            lines += ["", f"[{key}]", f'"LogPixels"=dword:{96 * self.milli // 1000:08x}']
        with open(f"{self.work}/settings.reg", "wb") as reg:  # UTF-16 with a byte order mark
            reg.write("\ufeff".encode("utf-16-le") + "\r\n".join(lines + [""]).encode("utf-16-le"))
        env = self.wine_environment(locale)
        subprocess.run([self.wine, "regedit", "/S", self.windows_path(f"{self.work}/settings.reg")],
                       env=env, check=True, capture_output=True)
        self.stop_viewer()  # the scaling is read when the prefix's session starts: a new one

    def start_viewer(self, program, locale):
        self.settings(locale)
        self.viewer = self.spawn([self.wine, program], "dtchart.log", env=self.wine_environment(locale),
                                 cwd=self.work)

    def stop_viewer(self):
        """wineserver -k ends every process of the prefix, the viewer outright."""
        env = dict(os.environ, WINEPREFIX=self.prefix)
        subprocess.run([self.wineserver, "-k"], env=env, capture_output=True)
        subprocess.run([self.wineserver, "-w"], env=env, capture_output=True)
        super().stop_viewer()

    def focus(self, window):
        """Wine without a window manager leaves X's focus following the pointer and passes keys
        to its own active window: the window gets the focus outright, as a click on its title
        would give it."""
        self.xdotool("windowfocus", window)

    def text(self, name, x, y):
        self.click(x, y)
        self.keys("ctrl+a", "ctrl+c")
        return subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True,
                              text=True).stdout

"""The private displays the window test drives the viewer on, all with one interface.

click() takes logical pixels of Form1's client area, once track() has found Form1; geometry()
and screenshots are in device pixels. Text boxes are read as a screen reader reads them, over
AT-SPI through a private session bus, whose org.a11y.Bus gives the accessibility bus.
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

# The command an arm64 viewer is run by on another machine (qemu-aarch64), or nothing.
EMULATOR = os.environ.get("DTCHART_EMULATOR", "").split()
VIEWER_UNSET = ("LANGUAGE", "QT_QPA_PLATFORM", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE", "QT_SCALE_FACTOR",
                "QT_SCREEN_SCALE_FACTORS", "QT_ENABLE_HIGHDPI_SCALING")


def receive(sock, count):
    data = b""
    while len(data) < count:
        chunk = sock.recv(count - len(data))
        if not chunk:
            raise ConnectionError("the compositor closed the connection")
        data += chunk
    return data


def until(condition, seconds=30):
    """Polls the condition every 0.1 s: whether it came true in time."""
    end = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > end:
            return False
        time.sleep(0.1)
    return True


def stop(process):
    process.terminate()
    try:
        process.wait(5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def with_locale(env, work, locale):
    """The environment with the C library's locale: where the machine lacks it (Wine takes its
    code page from it, KDE's libraries their translations), it is built in the work folder."""
    charmap = subprocess.run(["locale", "charmap"], env=env, capture_output=True, text=True).stdout.strip()
    if charmap != "UTF-8":
        if not os.path.isdir(f"{work}/locale/{locale}"):
            os.makedirs(f"{work}/locale", exist_ok=True)
            subprocess.run(["localedef", "-i", locale.split(".")[0], "-f", "UTF-8", f"{work}/locale/{locale}"],
                           capture_output=True, check=True)
        env["LOCPATH"] = f"{work}/locale"
    return env


class X11Display:
    """A private Xvfb driven with xdotool; the viewer's scale is its QT_SCALE_FACTOR."""
    session = []  # the command prefix of the display's user
    setup = None
    typed_suffix = False  # whether a name typed into the open dialog needs its extension
    compositor_log = None  # where a compositor that could not start says why

    def __init__(self, work, milli, home):
        self.work, self.milli, self.home = work, milli, home
        self.width, self.height = self.device(1024), self.device(768)
        self.processes, self.viewer, self.origin, self.desktop = [], None, (0, 0), None

    def device(self, v):
        """Device pixels of a logical length or place, halves up, as Qt sizes and places windows."""
        return (v * self.milli + 500) // 1000

    def spawn(self, command, log, **options):
        with open(f"{self.work}/{log}", "ab") as out:
            process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=options.pop("stdout", out),
                                       stderr=out, **options)
        with open(f"{self.work}/pids", "a") as pids:  # for the run's watchdog
            print(process.pid, file=pids)
        return process

    def start(self):
        # -r: no key auto-repeat, so that a key held down by a slow machine is typed once.
        xvfb = self.spawn(["Xvfb", "-displayfd", "1", "-screen", "0", f"{self.width}x{self.height}x24",
                           "-nolisten", "tcp", "-noreset", "-r"], "xvfb.log", stdout=subprocess.PIPE)
        self.processes.append(xvfb)
        self.display = os.environ["DISPLAY"] = ":" + xvfb.stdout.readline().decode().strip()
        self.start_bus()
        return f"Xvfb on {self.display}"

    def start_bus(self):
        bus = self.spawn(self.session + ["dbus-daemon", "--session", "--nofork", "--print-address=1",
                                         f"--address=unix:path={self.home}/run/bus"],
                         "dbus.log", stdout=subprocess.PIPE, env=self.home_environment())
        self.processes.append(bus)
        self.bus = bus.stdout.readline().decode().strip()

    def connect(self):
        """The driver's own connection to the run's bus, for a desktop's interfaces."""
        from gi.repository import Gio, GLib
        self.glib = GLib
        self.connection = Gio.DBusConnection.new_for_address_sync(
            self.bus, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)

    def call(self, service, path, interface, method, arguments=None):
        """A method's answer, unpacked; arguments as (signature, values)."""
        arguments = self.glib.Variant(*arguments) if arguments else None
        return self.connection.call_sync(service, path, interface, method, arguments, None, 0, 10000).unpack()

    def stop(self):
        self.stop_viewer()
        for process in reversed(self.processes):
            stop(process)

    def stop_viewer(self):
        if self.viewer:
            stop(self.viewer)
        self.viewer = None

    def home_environment(self):
        """The run's HOME and XDG folders, for the session's processes and what its bus starts."""
        env = {k: v for k, v in os.environ.items() if k not in VIEWER_UNSET}
        env.update(HOME=self.home, XDG_CONFIG_HOME=f"{self.home}/.config", XDG_CACHE_HOME=f"{self.home}/.cache",
                   XDG_DATA_HOME=f"{self.home}/.local/share", XDG_RUNTIME_DIR=f"{self.home}/run")
        return env

    def viewer_environment(self, locale):
        return dict(self.home_environment(), LANG=locale, LC_ALL=locale, DBUS_SESSION_BUS_ADDRESS=self.bus,
                    QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")

    def start_viewer(self, program, locale):
        env = dict(self.viewer_environment(locale), QT_QPA_PLATFORM="xcb", QT_ENABLE_HIGHDPI_SCALING="0",
                   QT_SCALE_FACTOR=f"{self.milli / 1000:g}")
        self.viewer = self.spawn(EMULATOR + [program], "dtchart.log", env=env, cwd=self.work)

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
        """(id, title) of the visible windows; xdotool's name search misses non-Latin titles."""
        ids = self.xdotool("search", "--onlyvisible", "--name", ".").split()
        return [(w, self.xdotool("getwindowname", w).rstrip("\n")) for w in ids]

    def geometry(self, window):
        g = dict(line.split("=") for line in self.xdotool("getwindowgeometry", "--shell", window).split())
        return tuple(int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def track(self, window):
        self.origin = self.geometry(window)[:2]

    def path(self, path):
        """A file's path as the viewer's system writes it."""
        return path

    def focused(self):
        return self.xdotool("getwindowfocus").strip()

    def focus(self, window):
        """A window manager gives a new window the focus."""

    def uncover(self, window):
        """Where a window manager frames a dialog over Form1's pictures, moves it aside."""

    def stacking(self):
        """The windows' ids from the bottom up where a desktop's window manager stacks them."""
        return None

    def activate(self, window):
        """Brings the window forward as the desktop's window switcher does."""
        raise NotImplementedError

    def accessibility(self):
        """The screen reader's view: AT-SPI's desktop, its applications as children."""
        if self.desktop is None:
            os.environ["AT_SPI_BUS_ADDRESS"] = subprocess.run(
                self.session + ["dbus-send", f"--bus={self.bus}", "--print-reply=literal", "--dest=org.a11y.Bus",
                                "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                capture_output=True, text=True, check=True).stdout.strip()
            import pyatspi
            self.pyatspi, self.desktop = pyatspi, pyatspi.Registry.getDesktop(0)
        return self.desktop

    def text(self, name, x, y):
        """The text of the viewer's text box with that accessible name, or None."""
        is_text = lambda node: node.getRole() == self.pyatspi.ROLE_TEXT and node.name == name
        try:
            boxes = [box for app in self.accessibility() for box in self.pyatspi.findAllDescendants(app, is_text)]
            return boxes[0].queryText().getText(0, -1) if boxes else None
        except Exception as error:  # pyatspi's GLib.Error
            # A node that went while it was walked (GTK's closed file chooser, in the viewer's
            # process, goes a moment later): asked again by the caller.
            if "does not exist" not in str(error):
                raise
            return None

    def screen_reader_problems(self):
        """What a screen reader is wrongly shown of the viewer's Qt windows: any window but Form1
        (a kept question or dialog, hidden), any child a node counts but cannot give."""
        problems = []

        def walk(node, path, depth):
            for k in range(node.childCount if depth < 40 else 0):
                try:
                    child = node.getChildAtIndex(k)
                except Exception:
                    child = None
                if child is None:
                    problems.append(f"{path} counts child {k} but cannot give it")
                else:
                    walk(child, f"{path}/{child.name}", depth + 1)
        for app in self.accessibility():
            if app is None or app.get_toolkit_name() != "Qt":
                continue
            windows = [app.getChildAtIndex(k) for k in range(app.childCount)]
            shown = [(w.name, w.getRoleName()) if w is not None else None for w in windows]
            if shown != [("dtchart", "frame")]:
                problems.append(f"the application shows {shown}, not Form1 alone")
            walk(app, app.name, 0)
        return problems


class WaylandDisplay(X11Display):
    """A private headless sway session driven over sway's IPC (its seat cursor), wtype and grim.
    sway refuses root: run as root, the session and the viewer run as nobody, in a HOME that
    nobody then owns."""
    compositor_log = "sway.log"

    def __init__(self, work, milli, home):
        super().__init__(work, milli, home)
        self.as_user = []
        if os.geteuid() == 0:
            self.as_user = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
            os.chmod(work, 0o755)
            for folder, _, files in os.walk(home):
                for path in [folder] + [f"{folder}/{f}" for f in files]:
                    shutil.chown(path, "nobody", "nogroup")
        self.runtime = f"{home}/run"
        self.session = self.as_user + ["env", "-i", f"PATH={os.environ['PATH']}", f"HOME={home}",
                                       f"XDG_RUNTIME_DIR={self.runtime}", "LANG=C.UTF-8"]

    def start(self):
        """The session, or None where no compositor can start."""
        scale = f"{self.milli / 1000:g}"
        # No XWayland, bar or borders; Form1 (a fixed size, so floating) at the output's corner,
        # where its pixels fall on whole device pixels; the focus moves only with clicks.
        with open(f"{self.work}/sway.conf", "w") as conf:
            conf.write(f"xwayland disable\noutput * mode {self.width}x{self.height} scale {scale} position 0 0\n"
                       "default_border none\ndefault_floating_border none\nfocus_follows_mouse no\n"
                       'for_window [app_id="^org\\.dtchart\\.Viewer$" title="^Form1$"] move position 0 0\n')
        sway = self.spawn(self.session + ["WLR_BACKENDS=headless", "WLR_HEADLESS_OUTPUTS=1", "WLR_RENDERER=pixman",
                                          "WLR_LIBINPUT_NO_DEVICES=1", "sway", "--config", f"{self.work}/sway.conf"],
                          "sway.log")
        self.processes.append(sway)
        if not until(lambda: sway.poll() is not None or len(self.sockets()) == 2) or sway.poll() is not None:
            return None
        self.wayland_display, self.swaysock = self.sockets()
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
        if not until(lambda: any(seat["capabilities"] == 3 for seat in self.sway(101))):
            raise RuntimeError("sway's seat got no pointer and keyboard")
        self.park_cursor()
        self.start_bus()
        return f"sway (headless) on {self.wayland_display} at scale {scale}"

    def sockets(self):
        names = os.listdir(self.runtime)
        return ([n for n in names if n.startswith("wayland-") and not n.endswith(".lock")][:1]
                + [f"{self.runtime}/{n}" for n in names if n.startswith("sway-ipc.")][:1])

    def sway(self, kind, payload=""):
        """A message to sway's IPC (0 command, 3 outputs, 4 tree, 101 seats): its reply."""
        with socket.socket(socket.AF_UNIX) as s:
            s.connect(self.swaysock)
            s.sendall(b"i3-ipc" + struct.pack("=II", len(payload.encode()), kind) + payload.encode())
            length, _ = struct.unpack("=II", receive(s, 14)[6:])
            return json.loads(receive(s, length))

    def virtual_pointer(self):
        """A zwlr_virtual_pointer_v1 on the default seat, held as long as the connection."""
        s = socket.socket(socket.AF_UNIX)
        s.connect(f"{self.runtime}/{self.wayland_display}")
        send = lambda obj, opcode, args: s.sendall(struct.pack("=II", obj, (8 + len(args)) << 16 | opcode) + args)
        send(1, 1, struct.pack("=I", 2))  # wl_display.get_registry: 2
        send(1, 0, struct.pack("=I", 3))  # wl_display.sync: 3 is done once every global is told
        names = {}
        while (header := struct.unpack("=II", receive(s, 8)))[0] != 3:
            body = receive(s, (header[1] >> 16) - 8)
            if header[0] == 2:  # wl_registry.global: name, interface, version
                names[body[8:8 + struct.unpack("=I", body[4:8])[0] - 1].decode()] = body[:4]
        receive(s, (header[1] >> 16) - 8)
        interface = "zwlr_virtual_pointer_manager_v1"
        if interface not in names:
            raise RuntimeError(f"sway offers no {interface}")
        text = interface.encode() + b"\0" * (4 - len(interface) % 4)
        send(2, 0, names[interface] + struct.pack("=I", len(interface) + 1) + text + struct.pack("=II", 1, 4))
        send(4, 0, struct.pack("=II", 0, 5))  # create_virtual_pointer on the default seat: 5
        return s

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
        nodes, views = [self.sway(4)], {}
        while nodes:
            node = nodes.pop()
            nodes += node["nodes"] + node["floating_nodes"]
            if node.get("shell"):
                views[str(node["id"])] = node
        return views

    def windows(self):
        return [(id, view.get("name") or "") for id, view in self.views().items()]

    def geometry(self, window, logical=False):
        view = self.views()[window]
        r, w = view["rect"], view["window_rect"]
        box = (r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"])
        return box if logical else tuple(self.device(v) for v in box)

    def track(self, window):
        super().track(window)
        self.logical_origin = self.geometry(window, logical=True)[:2]
        view = self.views()[window]
        if (view["shell"], view.get("app_id")) != ("xdg_shell", "org.dtchart.Viewer"):
            raise RuntimeError(f"Form1 is a {view['shell']} window of app_id {view.get('app_id')!r}, not a native"
                               " Wayland one of the desktop entry's org.dtchart.Viewer")

    def focused(self):
        return next((id for id, view in self.views().items() if view["focused"]), None)

    def start_viewer(self, program, locale):
        # As on a Wayland desktop: Qt finds the compositor and its scale by itself.
        env = self.viewer_environment(locale)
        for name in ("DISPLAY", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP"):
            env.pop(name, None)
        env["WAYLAND_DISPLAY"] = self.wayland_display
        if self.as_user and subprocess.run(self.as_user + ["test", "-x", program]).returncode:
            # The session's user cannot run the build's (a checkout only its owner may enter): a
            # copy, made on the run's first start and used by every later one.
            copy = f"{self.work}/bin/dtchart"
            if not os.path.exists(copy):
                os.makedirs(f"{self.work}/bin")
                shutil.copy(program, copy)
            program = copy
        self.viewer = self.spawn(self.as_user + [program], "dtchart.log", env=env, cwd=self.work)


class WineDisplay(X11Display):
    """The Windows program under Wine's X11 driver on a private Xvfb, in a private prefix; the
    scale is Windows' display scaling (the prefix's LogPixels). Wine has no AT-SPI bridge: text
    boxes are copied to the clipboard, as a person would."""
    wine, wineserver = "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver"

    def __init__(self, work, milli, home):
        super().__init__(work, milli, home)
        self.prefix = f"{work}/prefix"

    def start_bus(self):
        self.bus = ""

    def path(self, path):
        return "Z:" + path.replace("/", "\\")

    def wine_environment(self, locale):
        """Wine takes its code page and language from the C library's locale, not from LANG as
        Qt on Linux does."""
        return with_locale(dict(self.viewer_environment(locale), WINEPREFIX=self.prefix, WINELOADER=self.wine,
                                WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml="), self.work, locale)

    def start(self):
        started = super().start()
        wine_run = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../scripts/wine-run")
        subprocess.run(["bash", wine_run, "--new-prefix", self.prefix], env=dict(os.environ, HOME=self.home),
                       check=True)
        if self.setup:
            setup = subprocess.run([self.wine, self.setup, "/S"], env=self.wine_environment("C.UTF-8"),
                                   capture_output=True, text=True)
            self.stop_viewer()
            if setup.returncode:
                raise RuntimeError(f"the setup program {self.setup} failed: {setup.stdout}{setup.stderr}")
        return started + " under Wine"

    def settings(self, locale):
        """Wine's own fonts have no Japanese glyphs: its dialogs would show Japanese as empty
        boxes. The Japanese fonts' names, and in Japanese the dialog fonts (which Wine maps to
        MS UI Gothic there), lead to IPA Gothic. Wine rewrites the dialog fonts when the code
        page changes, so this is done in the viewer's locale, the display scaling with it."""
        fonts = ["MS UI Gothic", "MS PGothic", "ＭＳ Ｐゴシック"]
        fonts += [] if locale.startswith("C.") else ["MS Shell Dlg", "MS Shell Dlg 2"]
        lines = ["Windows Registry Editor Version 5.00", "",
                 r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]"]
        lines += [f'"{f}"="IPAPGothic"' for f in fonts]
        lines += [f'"{f}"="IPAGothic"' for f in ("MS Gothic", "ＭＳ ゴシック")]
        # Where winecfg keeps the scaling, and where the user's own setting would be.
        for key in (r"HKEY_CURRENT_CONFIG\Software\Fonts", r"HKEY_CURRENT_USER\Control Panel\Desktop"):
            lines += ["", f"[{key}]", f'"LogPixels"=dword:{96 * self.milli // 1000:08x}']
        with open(f"{self.work}/settings.reg", "w", encoding="utf-16") as reg:  # with a byte order mark
            reg.write("\r\n".join(lines + [""]))
        subprocess.run([self.wine, "regedit", "/S", self.path(f"{self.work}/settings.reg")],
                       env=self.wine_environment(locale), check=True, capture_output=True)
        self.stop_viewer()  # the scaling is read when the prefix's session starts: a new one

    def start_viewer(self, program, locale):
        if self.setup and not os.path.isfile(f"{self.prefix}/drive_c" + program.replace("\\", "/")[2:]):
            raise RuntimeError(f"the setup program {self.setup} did not install {program}")
        self.settings(locale)
        self.viewer = self.spawn([self.wine, program], "dtchart.log", env=self.wine_environment(locale),
                                 cwd=self.work)

    def stop_viewer(self):
        """wineserver -k ends every process of the prefix, the viewer outright."""
        for argument in ("-k", "-w"):
            subprocess.run([self.wineserver, argument], env=dict(os.environ, WINEPREFIX=self.prefix),
                           capture_output=True)
        super().stop_viewer()

    def focus(self, window):
        """Wine without a window manager leaves X's focus following the pointer and passes keys
        to its own active window: the window gets the focus outright, as a click on its title
        would give it."""
        self.xdotool("windowfocus", window)

    def screen_reader_problems(self):
        """Wine has no AT-SPI bridge: nothing to ask."""
        return []

    def text(self, name, x, y):
        self.click(x, y)
        self.keys("ctrl+a", "ctrl+c")
        return subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True, text=True).stdout

"""KDE Plasma's compositor, KWin 6, as the window test's display: the viewer a native Wayland
client with Plasma's Qt platform theme, so that its questions and its open dialog are KDE's.

KWin runs windowed in a private Xvfb (its X11 backend, QPainter compositing: no GPU needed), its
output the whole X screen: the X screen shows what KWin shows, and xdotool's pointer and keys
reach KWin as a person's would. KWin's own screenshot interface needs OpenGL compositing, which
a machine without a GPU does not have. KWin's windows, titles, places and focus are read with a
KWin script, which reports them to the driver over the private session bus.
"""
import json
import os
import re
import shutil
import subprocess
import time

from displays import X11Display, until, with_locale

BUS_NAME = "org.dtchart.E2E"
# Every client window: its title, client area (logical pixels), app_id and whether it is active.
REPORT = """callDBus("%s", "/", "%s", "Report", JSON.stringify(workspace.windowList()
    .filter(w => (w.normalWindow || w.dialog) && !w.deleted)
    .map(w => ({id: w.internalId.toString(), title: w.caption, app: w.desktopFileName,
                area: [w.clientGeometry.x, w.clientGeometry.y, w.clientGeometry.width, w.clientGeometry.height],
                active: w === workspace.activeWindow, stack: workspace.stackingOrder.indexOf(w)}))));
""" % (BUS_NAME, BUS_NAME)
INTERFACE = f"""<node><interface name="{BUS_NAME}"><method name="Report"><arg type="s" direction="in"/></method>
</interface></node>"""


class PlasmaDisplay(X11Display):
    """KWin 6 (Plasma 6) windowed in a private Xvfb, at scale 1, driven with xdotool.
    dark: Breeze Dark, the colour scheme as Plasma's settings write it (its colours in kdeglobals)."""
    dark = False
    # KDE's open dialog neither adds the default suffix to a name typed without one nor opens it:
    # Return empties the name field and the dialog stays.
    typed_suffix = True
    compositor_log = "kwin.log"

    def start(self):
        """The session, or None where there is no KWin 6 (Plasma 5's has no Qt 6 theme)."""
        version = ""
        if shutil.which("kwin_wayland"):
            version = subprocess.run(["kwin_wayland", "--version"], capture_output=True, text=True).stdout
        if not (found := re.search(r"(\d+)\.\d+\.\d+", version)) or int(found[1]) < 6:
            with open(f"{self.work}/kwin.log", "a") as log:
                print(f"no KWin 6 here: kwin_wayland --version says {version.strip() or 'nothing'}", file=log)
            return None
        if self.milli != 1000:
            # KWin's X11 backend draws clients at 1 whatever its output's scale.
            raise RuntimeError("KWin in Xvfb runs at scale 1 only")
        started = super().start()
        self.connect()
        config = f"{self.home}/.config"
        # No animations as windows come and go; Breeze's scroll bars with an arrow at each end,
        # where the window's clicks expect them.
        with open(f"{config}/kwinrc", "a") as kwinrc:
            kwinrc.write("[Compositing]\nAnimationSpeed=0\n")
        with open(f"{config}/breezerc", "a") as breezerc:
            breezerc.write("[Style]\nScrollBarAddLineButtons=1\nScrollBarSubLineButtons=1\n")
        if self.dark:
            with open("/usr/share/color-schemes/BreezeDark.colors") as colors:
                scheme = colors.read()
            with open(f"{config}/kdeglobals", "a") as kdeglobals:
                kdeglobals.write(scheme + "\n[General]\nColorScheme=BreezeDark\n")
        env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "WAYLAND_", "XDG_"))}
        env.update(HOME=self.home, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=f"{self.home}/run",
                   DBUS_SESSION_BUS_ADDRESS=self.bus, LANG="C.UTF-8", LC_ALL="C.UTF-8", KWIN_COMPOSE="Q")
        self.wayland_display = "wayland-dtchart"
        kwin = self.spawn(["kwin_wayland", "--x11-display", self.display, "--width", str(self.width), "--height",
                           str(self.height), "--socket", self.wayland_display, "--no-lockscreen",
                           "--no-global-shortcuts", "--no-kactivities"], "kwin.log", env=env)
        self.processes.append(kwin)
        socket = f"{self.home}/run/{self.wayland_display}"
        if not until(lambda: kwin.poll() is not None or (os.path.exists(socket) and self.has_kwin())):
            raise RuntimeError("KWin did not come up in 30 s")
        if kwin.poll() is not None:
            return None
        return f"KWin {found[0]} windowed in {started}, Breeze {'Dark' if self.dark else 'Light'}"

    def connect(self):
        """The driver's own connection to the session bus, where KWin scripts report to it."""
        from gi.repository import Gio
        super().connect()
        self.reports, self.scripts = [], 0
        self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                  ("(su)", (BUS_NAME, 4)))

        def report(connection, sender, path, interface, method, parameters, invocation):
            self.reports.append(json.loads(parameters.unpack()[0]))
            invocation.return_value(None)
        self.connection.register_object("/", Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0], report)
        with open(f"{self.work}/report.js", "w") as script:
            script.write(REPORT)

    def has_kwin(self):
        return self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                         ("(s)", ("org.kde.KWin",)))[0]

    def script(self, path):
        """What a KWin script reports, run once (about 4 ms)."""
        self.scripts += 1
        name = f"dtchart-{self.scripts}"
        self.reports.clear()
        number = self.call("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "loadScript",
                           ("(ss)", (path, name)))[0]
        try:
            self.call("org.kde.KWin", f"/Scripting/Script{number}", "org.kde.kwin.Script", "run")
            end = time.monotonic() + 5
            while not self.reports and time.monotonic() < end:
                self.glib.MainContext.default().iteration(False)
                time.sleep(0.001)
        finally:
            self.call("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "unloadScript", ("(s)", (name,)))
        if not self.reports:
            raise RuntimeError("KWin's script did not report")
        return self.reports[0]

    def kwin_windows(self):
        return {w["id"]: w for w in self.script(f"{self.work}/report.js")}

    def windows(self):
        return [(id, w["title"]) for id, w in self.kwin_windows().items()]

    def geometry(self, window):
        return tuple(round(v) for v in self.kwin_windows()[window]["area"])

    def track(self, window):
        super().track(window)
        app = self.kwin_windows()[window]["app"]
        if app != "org.dtchart.Viewer":
            raise RuntimeError(f"Form1's app_id is {app!r}, not the desktop entry's org.dtchart.Viewer")

    def focused(self):
        return next((id for id, w in self.kwin_windows().items() if w["active"]), None)

    def stacking(self):
        return [id for id, w in sorted(self.kwin_windows().items(), key=lambda item: item[1]["stack"])]

    def activate(self, window):
        """As Plasma's task switcher does."""
        with open(f"{self.work}/activate.js", "w") as script:
            script.write(f'workspace.activeWindow = workspace.windowList().find(w => w.internalId.toString() === '
                         f'"{window}");\n' + REPORT)
        self.script(f"{self.work}/activate.js")

    def start_viewer(self, program, locale):
        # As on a Plasma desktop: Qt finds the compositor and Plasma's platform theme by itself.
        env = self.viewer_environment(locale)
        env.pop("DISPLAY", None)
        env.update(WAYLAND_DISPLAY=self.wayland_display, XDG_SESSION_TYPE="wayland", XDG_CURRENT_DESKTOP="KDE",
                   XDG_SESSION_DESKTOP="KDE", KDE_FULL_SESSION="true", KDE_SESSION_VERSION="6")
        # KDE's libraries translate with gettext, by the C library's locale (Qt's own
        # translations go by LANG alone).
        env = with_locale(env, self.work, locale)
        self.viewer = self.spawn([program], "dtchart.log", env=env, cwd=self.work)

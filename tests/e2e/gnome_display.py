"""GNOME Shell as the window manager of a private Xvfb: the viewer as a GNOME user has it, with
the desktop's own file dialog (Qt's GTK 3 platform theme, GTK's file chooser)."""
import json
import os
import re
import shutil
import subprocess
import time

import numpy as np
from PIL import Image

from displays import X11Display, until, with_locale


class GnomeDisplay(X11Display):
    """gnome-shell --x11 on a private Xvfb, with gsd-xsettings giving GTK GNOME's settings, a
    private dconf (the run's XDG_CONFIG_HOME) and a private bus standing in for the system bus.
    dark: Adwaita's dark style (color-scheme prefer-dark, gtk-theme Adwaita-dark)."""
    dark = False
    compositor_log = "gnome-shell.log"

    def start(self):
        """The session, or None where GNOME Shell is missing or cannot start."""
        if not shutil.which("gnome-shell") or not os.path.exists("/usr/libexec/gsd-xsettings"):
            with open(f"{self.work}/gnome-shell.log", "a") as log:
                print("gnome-shell or gsd-xsettings is not installed", file=log)
            return None
        started = super().start()
        env = self.session_environment()
        self.settings(env)
        shell = self.spawn(self.unshared(["gnome-shell", "--x11", "--replace", "--sm-disable"]), "gnome-shell.log",
                           env=env)
        self.processes.append(shell)
        if not until(lambda: shell.poll() is not None or self.overview(env) == "true", 60) or shell.poll() is not None:
            return None
        self.processes.append(self.spawn(["/usr/libexec/gsd-xsettings"], "gsd-xsettings.log", env=env))
        # Once started the shell shows its overview: left, as Escape leaves it.
        self.overview(env, False)
        if not until(lambda: self.overview(env) == "false"):
            raise RuntimeError("GNOME Shell stays in its overview")
        return started + f", GNOME Shell ({'dark' if self.dark else 'light'})"

    def settings(self, env):
        """GNOME's settings as a user has them, set before anything reads them, through the dconf
        service the bus starts."""
        settings = [("org.gnome.desktop.interface", "color-scheme", "prefer-dark" if self.dark else "default"),
                    ("org.gnome.desktop.interface", "gtk-theme", "Adwaita-dark" if self.dark else "Adwaita"),
                    # Nothing moves, dims or covers the windows while screenshots are taken: no
                    # animations, no question dimming Form1 (as attached dialogs do), no
                    # notification banners (the shell tells that it cannot lock the screen
                    # without GDM).
                    ("org.gnome.mutter", "attach-modal-dialogs", "false"),
                    ("org.gnome.desktop.interface", "enable-animations", "false"),
                    ("org.gnome.desktop.notifications", "show-banners", "false")]
        for schema, key, value in settings:
            subprocess.run(["gsettings", "set", schema, key, value], env=env, check=True, capture_output=True)

    @staticmethod
    def unshared(command):
        """GNOME Shell asks logind for the session where /run/systemd/seats says it runs: in a
        mount namespace of its own, /run/systemd is an empty tmpfs."""
        if not os.path.exists("/run/systemd/seats"):
            return command
        return ["unshare", "--mount"] + (["--map-current-user"] if os.geteuid() else []) + [
            "sh", "-c", 'mount -t tmpfs -o mode=755 none /run/systemd && exec "$@"', "sh"] + command

    def home_environment(self):
        """As in a GNOME session on X11."""
        return dict(super().home_environment(), DISPLAY=self.display, XDG_CURRENT_DESKTOP="GNOME",
                    XDG_SESSION_DESKTOP="gnome", XDG_SESSION_TYPE="x11", DESKTOP_SESSION="gnome")

    def session_environment(self, locale="C.UTF-8"):
        # The session bus stands in for the system bus too: nothing reaches the machine's.
        return dict(self.home_environment(), LANG=locale, LC_ALL=locale, DBUS_SESSION_BUS_ADDRESS=self.bus,
                    DBUS_SYSTEM_BUS_ADDRESS=self.bus)

    def viewer_environment(self, locale):
        # Qt takes its GTK 3 platform theme by itself. GTK takes its language from the C
        # library's locale (Qt from LANG): one the machine lacks is built in the work folder.
        return with_locale(dict(super().viewer_environment(locale), DBUS_SYSTEM_BUS_ADDRESS=self.bus),
                           self.work, locale)

    def overview(self, env, active=None):
        """Whether the shell shows its overview ("true", "false"; "" before it runs), or shows or
        leaves it."""
        method, value = ("Get", []) if active is None else ("Set", [f"<{str(active).lower()}>"])
        reply = subprocess.run(["gdbus", "call", "--session", "--dest", "org.gnome.Shell", "--object-path",
                                "/org/gnome/Shell", "--method", f"org.freedesktop.DBus.Properties.{method}",
                                "org.gnome.Shell", "OverviewActive", *value], env=env, capture_output=True, text=True)
        return reply.stdout.strip("(<>,)\n")

    def windows(self):
        """The programs' windows: from GNOME 44 on, mutter's frames are windows of a program of
        their own (mutter-x11-frames), titled as the windows they frame."""
        def frames(window):
            wm_class = subprocess.run(["xprop", "-id", window, "WM_CLASS"], capture_output=True, text=True).stdout
            return "mutter-x11-frames" in wm_class
        return [(window, title) for window, title in super().windows() if not frames(window)]

    def settle(self):
        """Once GTK's chooser has settled (its folder listed, the screen still for 0.2 s): typed
        into it while it is still being laid out, the first keys can go astray."""
        shots = [self.screenshot()]

        def still():
            time.sleep(0.2)
            shots.append(self.screenshot())
            return (shots[-1] == shots[-2]).all()
        until(still, 5)

    def type(self, text):
        self.settle()
        super().type(text)

    def geometry(self, window):
        """The client area: xdotool counts the offset into mutter's frame twice."""
        info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True).stdout
        g = dict(line.strip().split(": ", 1) for line in info.splitlines() if ": " in line)
        return tuple(int(g[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def uncover(self, window):
        """A dialog's frame and shadow, over Form1's chart where Qt centres the dialog's client
        area on Form1, go with the dialog to the screen's bottom right corner, as a user would
        drag it; once the screen shows it there."""
        before = self.screenshot()
        self.move_aside(window)
        shots = [before]
        if not until(lambda: shots.append(self.screenshot()) or (shots[-1] == shots[-2]).all()
                     and (shots[-1] != before).any(), 5):
            raise RuntimeError(f"the window {window} did not move out of the way")

    def move_aside(self, window):
        _, _, w, h = self.geometry(window)
        self.xdotool("windowmove", window, str(self.width - w - 16), str(self.height - h - 16))

    def stacking(self):
        """The programs' windows from bottom to top, as mutter stacks them."""
        listed = subprocess.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"], capture_output=True, text=True).stdout
        return [str(int(window, 16)) for window in re.findall(r"0x[0-9a-fA-F]+", listed)]

    def activate(self, window):
        """As the window switcher does: _NET_ACTIVE_WINDOW, from a pager."""
        self.xdotool("windowactivate", window)


# Every window of a program, bottom to top, with what the driver asks of it.
WINDOWS = """global.display.sort_windows_by_stacking(global.get_window_actors().map(a => a.meta_window))
    .filter(w => [0, 3, 4].includes(w.get_window_type())).map(w => {
        const r = w.get_frame_rect(), c = w.frame_rect_to_client_rect(r);
        return {id: String(w.get_id()), title: w.get_title() || "", area: [r.x, r.y, r.width, r.height],
                client: [c.x, c.y, c.width, c.height], x11: w.get_client_type() === 1, focused: w.has_focus(),
                app: w.get_wm_class()};
    })"""
# Key names as xdotool has them: their X keysyms, which Clutter's keyvals are.
KEYSYMS = {"Return": 0xff0d, "Escape": 0xff1b, "ctrl": 0xffe3}


class GnomeWaylandDisplay(GnomeDisplay):
    """GNOME's own session, on Wayland: GNOME Shell headless as the compositor, its virtual
    monitor the screen, with Xwayland and GNOME's X settings for X11 programs; the viewer started
    as the session starts programs (it may choose X11). The shell, in its unsafe mode, is driven
    from inside over the private bus (org.gnome.Shell.Eval): keys and the pointer through
    Clutter's virtual devices, the windows, their focus and stacking from mutter; pictures from
    its screenshot interface. Light or dark as GnomeDisplay; scale 1."""
    compositor_log = "gnome-shell.log"

    def start(self):
        if not shutil.which("gnome-shell"):
            with open(f"{self.work}/gnome-shell.log", "a") as log:
                print("gnome-shell is not installed", file=log)
            return None
        if self.milli != 1000:
            raise RuntimeError("GNOME Shell's virtual monitor runs at scale 1 only")
        self.wayland_display = "wayland-dtchart"
        self.start_bus()
        env = self.session_environment()
        # What the bus starts (dconf, the portal and its back-ends) gets the session's HOME and
        # desktop, as a GNOME session gives it: else the settings land under another HOME and the
        # portal offers no back-end.
        subprocess.run(["dbus-update-activation-environment", "--all"], env=env, check=True, capture_output=True)
        self.settings(env)
        self.connect()
        env.pop("WAYLAND_DISPLAY")  # the one it makes
        shell = self.spawn(self.unshared(["gnome-shell", "--headless", "--wayland", "--unsafe-mode",
                                          "--virtual-monitor", f"{self.width}x{self.height}",
                                          "--wayland-display", self.wayland_display]), "gnome-shell.log", env=env)
        self.processes.append(shell)

        def started():
            try:
                return shell.poll() is not None or self.eval("!Main.layoutManager._startingUp")
            except Exception:
                return False
        if not until(started, 60) or shell.poll() is not None:
            return None
        monitor = self.eval("const r = global.display.get_monitor_geometry(0); [r.width, r.height, "
                            "global.display.get_monitor_scale(0)]")
        if monitor != [self.width, self.height, 1]:
            raise RuntimeError(f"GNOME Shell's monitor is {monitor}, not {[self.width, self.height, 1]}")
        # Xwayland's display, and GNOME's settings for X11 programs, as the session has them.
        self.display, self.xauthority = self.eval('const G = imports.gi.GLib; [G.getenv("DISPLAY"), '
                                                  'G.getenv("XAUTHORITY")]')
        if not self.display:
            raise RuntimeError("GNOME Shell started no Xwayland")
        if os.path.exists("/usr/libexec/gsd-xsettings"):
            self.processes.append(self.spawn(["/usr/libexec/gsd-xsettings"], "gsd-xsettings.log",
                                             env=self.session_environment()))
        # Once started the shell shows its overview: left, as Escape leaves it.
        self.eval("Main.overview.hide()")
        if not until(lambda: self.eval("Main.overview.visible") is False):
            raise RuntimeError("GNOME Shell stays in its overview")
        self.eval("const C = imports.gi.Clutter, seat = C.get_default_backend().get_default_seat();"
                  "globalThis.dtchartKeys = seat.create_virtual_device(C.InputDeviceType.KEYBOARD_DEVICE);"
                  "globalThis.dtchartPointer = seat.create_virtual_device(C.InputDeviceType.POINTER_DEVICE); true")
        version = self.call("org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Get",
                            ("(ss)", ("org.gnome.Shell", "ShellVersion")))[0]
        return f"GNOME Shell {version} (headless, Wayland) on {self.wayland_display}, {'dark' if self.dark else 'light'}"

    def eval(self, code):
        """What a piece of the shell's JavaScript gives, as JSON."""
        ok, result = self.call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval", ("(s)", (code,)))
        if not ok:
            raise RuntimeError(f"GNOME Shell could not evaluate {code!r}: {result}")
        return json.loads(result) if result else None

    def home_environment(self):
        """As in GNOME's Wayland session."""
        env = dict(X11Display.home_environment(self), XDG_CURRENT_DESKTOP="GNOME", XDG_SESSION_DESKTOP="gnome",
                   XDG_SESSION_TYPE="wayland", DESKTOP_SESSION="gnome", WAYLAND_DISPLAY=self.wayland_display)
        env.pop("DISPLAY", None)
        if getattr(self, "display", None):
            env["DISPLAY"] = self.display
            if self.xauthority:
                env["XAUTHORITY"] = self.xauthority
        return env

    def start_viewer(self, program, locale):
        # As GNOME starts programs: Qt finds the compositor and GTK's platform theme by itself.
        self.viewer = self.spawn([program], "dtchart.log", env=self.viewer_environment(locale), cwd=self.work)

    def screenshot(self):
        path = f"{self.work}/screenshot.png"
        ok, _ = self.call("org.gnome.Shell", "/org/gnome/Shell/Screenshot", "org.gnome.Shell.Screenshot",
                          "Screenshot", ("(bbs)", (False, False, path)))
        if not ok:
            raise RuntimeError("GNOME Shell took no screenshot")
        with Image.open(path) as shot:
            return np.asarray(shot.convert("RGB"))

    def click(self, x, y):
        """At the middle of logical pixel (x, y): pressed and released where the pointer went."""
        self.eval(f"const C = imports.gi.Clutter, t = imports.gi.GLib.get_monotonic_time(), p = dtchartPointer;"
                  f"p.notify_absolute_motion(t, {self.origin[0] + x + 0.5}, {self.origin[1] + y + 0.5});"
                  "p.notify_button(t + 1, 1, C.ButtonState.PRESSED);"
                  "p.notify_button(t + 2, 1, C.ButtonState.RELEASED); true")

    def press(self, keysyms):
        """The keys pressed in turn and released in reverse order."""
        events = [(k, "PRESSED") for k in keysyms] + [(k, "RELEASED") for k in reversed(keysyms)]
        self.eval("const C = imports.gi.Clutter, t = imports.gi.GLib.get_monotonic_time();"
                  + "".join(f"dtchartKeys.notify_keyval(t + {n}, {k}, C.KeyState.{state});"
                            for n, (k, state) in enumerate(events)) + "true")

    def keys(self, *names):
        for name in names:
            self.press([KEYSYMS.get(k) or ord(k) for k in name.split("+")])

    def type(self, text):
        self.settle()
        for c in text:
            self.press([ord(c) if ord(c) < 0x100 else 0x1000000 + ord(c)])
            time.sleep(0.015)

    def report(self):
        return self.eval(WINDOWS)

    def windows(self):
        return [(w["id"], w["title"]) for w in self.report()]

    def window(self, id):
        return next(w for w in self.report() if w["id"] == id)

    def geometry(self, window):
        """Form1's client area in Qt's own frame (GNOME draws none for Wayland clients), its title
        bar above, equal borders at the sides and below: its width as the frame's less the sides,
        its top where 637 pixels end at the bottom border. An X11 window's within GNOME's frame.
        Any other window's frame. Once it has held still for 0.3 s: mutter maps a window, then
        places it."""
        areas = []

        def still():
            areas.append(self.window(window)["area"])
            return len(areas) >= 6 and areas[-1][2] and all(a == areas[-1] for a in areas[-6:])
        until(lambda: still() or time.sleep(0.05), 5)
        w = self.window(window)
        x, y, width, height = w["area"]
        if w["x11"]:
            return tuple(w["client"])
        if w["title"] != "Form1":
            return x, y, width, height
        side, client = (width - self.device(878)) // 2, self.device(637)
        return x + side, y + height - side - client, width - 2 * side, client

    def track(self, window):
        """GNOME finds the desktop entry by a Wayland window's app_id, an X11 window's class."""
        super().track(window)
        w = self.window(window)
        if w["app"] != ("dtchart" if w["x11"] else "org.dtchart.Viewer"):
            raise RuntimeError(f"Form1's {'class' if w['x11'] else 'app_id'} is {w['app']!r}, which names no desktop"
                               " entry of the viewer")

    def focused(self):
        return next((w["id"] for w in self.report() if w["focused"]), None)

    def stacking(self):
        return [w["id"] for w in self.report()]

    @staticmethod
    def meta(window):
        """The window's MetaWindow, in the shell's JavaScript."""
        return f"global.get_window_actors().map(a => a.meta_window).find(w => String(w.get_id()) === '{window}')"

    def activate(self, window):
        self.eval(f"{self.meta(window)}.activate(global.get_current_time()); true")

    def move_aside(self, window):
        _, _, w, h = self.window(window)["area"]
        self.eval(f"{self.meta(window)}.move_frame(true, {self.width - w - 16}, {self.height - h - 16}); true")

"""GNOME Shell as the window manager of a private Xvfb: the viewer as a GNOME user has it, with
the desktop's own file dialog (Qt's GTK 3 platform theme, GTK's file chooser)."""
import os
import shutil
import subprocess
import time

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
        # Settings before anything reads them, through the dconf service the bus starts.
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
        # GNOME Shell asks logind for the session where /run/systemd/seats says it runs: in a
        # mount namespace of its own, /run/systemd is an empty tmpfs.
        command = ["gnome-shell", "--x11", "--replace", "--sm-disable"]
        if os.path.exists("/run/systemd/seats"):
            command = ["unshare", "--mount"] + (["--map-current-user"] if os.geteuid() else []) + [
                "sh", "-c", 'mount -t tmpfs -o mode=755 none /run/systemd && exec "$@"', "sh"] + command
        shell = self.spawn(command, "gnome-shell.log", env=env)
        self.processes.append(shell)
        if not until(lambda: shell.poll() is not None or self.overview(env) == "true", 60) or shell.poll() is not None:
            return None
        self.processes.append(self.spawn(["/usr/libexec/gsd-xsettings"], "gsd-xsettings.log", env=env))
        # Once started the shell shows its overview: left, as Escape leaves it.
        self.overview(env, False)
        if not until(lambda: self.overview(env) == "false"):
            raise RuntimeError("GNOME Shell stays in its overview")
        return started + f", GNOME Shell ({'dark' if self.dark else 'light'})"

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

    def type(self, text):
        """Once GTK's chooser has settled (its folder listed, the screen still for 0.2 s): typed
        into it while it is still being laid out, the first keys can go astray."""
        shots = [self.screenshot()]

        def still():
            time.sleep(0.2)
            shots.append(self.screenshot())
            return (shots[-1] == shots[-2]).all()
        until(still, 5)
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
        before, (_, _, w, h) = self.screenshot(), self.geometry(window)
        self.xdotool("windowmove", window, str(self.width - w - 16), str(self.height - h - 16))
        shots = [before]
        if not until(lambda: shots.append(self.screenshot()) or (shots[-1] == shots[-2]).all()
                     and (shots[-1] != before).any(), 5):
            raise RuntimeError(f"the window {window} did not move out of the way")

#!/usr/bin/python3
"""The viewer's real window on a private display, driven with the mouse and keyboard as a person
uses it: 読み込み, Yes, the day_log day's path typed without its extension into the session's
first dialog, and every cell, the legend, the date, Text1 and what a screen reader is shown
checked; one click on HScroll1's right arrow: slot 1's polygon and Text2; one on HScroll4's: the
polygon at twice the radius and Text3; 読み込み, Yes, the dialog cancelled: the empty frame;
読み込み, Yes, the day typed again into a dialog opened before, and every cell checked again.
Where a window manager stacks the windows, Form1 is brought forward while the cancelled dialog
is up, which must stay above it with the focus. Under another locale the empty frame must be
C.UTF-8's picture.

usage: window_e2e.py PROGRAM ARTIFACT_DIR
       window_e2e.py --screenshot OUTPUT.png PROGRAM LOG   (the README's picture)
DTCHART_E2E_DISPLAY x11 (default) or wayland, DTCHART_E2E_LANG the locale (C.UTF-8),
DTCHART_E2E_SCALE the screen's scale in eighths (1), DTCHART_E2E_PRIVATE_FOLDER=1 runs a copy of
PROGRAM from a folder only its owner may enter; gnome (on X11), gnome_wayland or plasma the desktops themselves, in their
dark style with DTCHART_E2E_DARK=1. DTCHART_E2E_WINE=1: PROGRAM is a Windows
program run by Wine on X11, or with DTCHART_E2E_WINE_SETUP the Windows path it installs.
Screenshots stay in ARTIFACT_DIR, the rest (HOME too) goes with the run. Exit 77: no compositor.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
from fractions import Fraction

from PIL import Image

import day_log
import picture_checks as checks
from displays import EMULATOR, WaylandDisplay, WineDisplay, X11Display, until
from gnome_display import GnomeDisplay, GnomeWaylandDisplay
from plasma_display import PlasmaDisplay

STEP_TIMEOUT = float(os.environ.get("DTCHART_E2E_STEP_TIMEOUT", 30))  # seconds for anything to show
DIALOG = ("Open", "開く")
CMD1, HSCROLL1_RIGHT, HSCROLL4_RIGHT = (52, 560), (763, 304), (659, 544)
TEXT_BOXES = {"Text1": ("ファイル・値", 556, 412), "Text2": ("時刻", 556, 444), "Text3": ("倍率", 484, 516)}


class Failure(Exception):
    pass


class Run:
    def __init__(self, display, program, artifacts):
        self.display, self.program, self.artifacts = display, program, artifacts
        self.shot, self.misplaced = None, {}

    def wait(self, what, condition):
        """Polls the condition for the step's time; fails at once if the viewer goes."""
        end = time.monotonic() + STEP_TIMEOUT
        while not (value := condition()):
            if self.display.viewer and self.display.viewer.poll() is not None:
                raise Failure(f"dtchart exited (status {self.display.viewer.returncode}) waiting for {what}")
            if time.monotonic() > end:
                raise Failure(f"timed out waiting for {what}")
            time.sleep(0.1)
        return value

    def check(self, name, problems):
        problems = [f"{area}: {p}" for area, p in self.misplaced.items() if p] + problems
        if problems:
            raise Failure(f"{name}:\n    " + "\n    ".join(problems))

    def shoot(self, name=None):
        self.shot = self.display.screenshot()
        if name:
            Image.fromarray(self.shot).save(f"{self.artifacts}/{name}.png")
        return self.shot

    def titled(self, *titles):
        return next((w for w, title in self.display.windows() if title in titles), None)

    def area(self, name):
        """A picture's drawing area in the last screenshot, found from a line it draws: the chart
        box's edges, the polar plot's cross; None while the line is not there."""
        corner, line, across, colour = {"chart": ((2, 2), (29, 50), (147, 400), checks.BLACK),
                                        "polar": ((114, 370), (132, 132), (210, 60), checks.GREY)}[name]
        area, self.misplaced[name] = checks.find_area(self.shot, (self.display.origin, corner),
                                                      self.display.milli, line, across, colour)
        return area

    def picture2(self):
        """Picture2 before its cross is drawn: at the pixel at or before its place."""
        m = self.display.milli
        return checks.Area(self.shot, self.display.origin[0] + 114 * m // 1000,
                           self.display.origin[1] + 370 * m // 1000, m)

    def frame_drawn(self, name=None):
        """The chart frame, its corner black on white (Wine maps windows black before painting)."""
        self.shoot(name)
        area = self.area("chart")
        if area and area.colours(29, 231) == [checks.BLACK] and area.colours(400, 140) == [checks.WHITE]:
            return area

    def date_drawn(self):
        self.shoot()
        return not checks.date_caption(self.area("chart") or self.picture2(), True)

    def start_viewer(self, locale):
        d = self.display
        d.start_viewer(self.program, locale)
        form = self.wait("the window Form1", lambda: self.titled("Form1"))
        x, y, w, h = d.geometry(form)
        if (w, h) != (d.device(878), d.device(637)) or x + w > d.width or y + h > d.height:
            raise Failure(f"Form1 is {w}x{h} at ({x},{y}), not {d.device(878)}x{d.device(637)} wholly on the screen")
        d.track(form)
        self.form = form

    def text_is(self, box, want):
        name, x, y = TEXT_BOXES[box]
        try:
            self.wait(f"{box} to read {want!r}", lambda: self.display.text(name, x, y) == want)
        except Failure:
            raise Failure(f"{box} reads {self.display.text(name, x, y)!r}, expected {want!r}") from None

    def ask_to_load(self):
        """読み込み: the question, over the window."""
        d = self.display
        d.click(*CMD1)
        try:
            question = self.wait("the question after clicking 読み込み", lambda: self.titled("dtchart"))
        except Failure as failure:
            # Whether the click was lost or the viewer does not answer: told apart by another.
            d.click(*CMD1)
            again = until(lambda: self.titled("dtchart"), 5)
            raise Failure(f"{failure}; {'a second click brought it' if again else 'a second click neither'}") from None
        x, y, w, h = d.geometry(question)
        if not isinstance(d, WineDisplay) and not (
                d.origin[0] <= x and d.origin[1] <= y and x + w <= d.origin[0] + d.device(878)
                and y + h <= d.origin[1] + d.device(637)):
            raise Failure(f"the question ({w}x{h} at {x},{y}) is not over Form1")
        return question

    def answer_yes(self, question):
        """Yes, the default button: the file dialog, its file name field focused."""
        self.focus(question, "the question")
        self.display.keys("Return")
        self.wait("the question to close after Return", lambda: not self.titled("dtchart"))
        dialog = self.wait("the file dialog after Yes", lambda: self.titled(*DIALOG))
        self.focus(dialog, "the file dialog")
        return dialog

    def bring_form_forward(self, dialog):
        """Form1 brought forward while the dialog is up, where a window manager stacks the windows:
        by a click on Form1 where the dialog leaves it bare, else as the window switcher does. The
        dialog must stay above Form1, with the keyboard focus."""
        d = self.display
        if d.stacking() is None:
            return
        m, (ox, oy) = d.milli, d.origin
        x, y, w, h = d.geometry(dialog)
        # The dialog in Form1's logical pixels, with room for its frame and shadow.
        left, top = (x - ox) * 1000 // m - 40, (y - oy) * 1000 // m - 40
        right, bottom = (x + w - ox) * 1000 // m + 40, (y + h - oy) * 1000 // m + 40
        bare = [(px, py) for px, py in ((6, 6), (871, 6), (6, 630), (871, 630))
                if not (left <= px <= right and top <= py <= bottom)]
        if bare:
            d.click(*bare[0])
        else:
            d.activate(self.form)
        time.sleep(0.5)  # the window manager's answer, and the viewer's
        how = f"by a click at {bare[0]}" if bare else "as the window switcher does"

        def forward():
            order = d.stacking()
            return (d.focused() == dialog and dialog in order and self.form in order
                    and order.index(dialog) > order.index(self.form))
        try:
            self.wait("", forward)
        except Failure:
            titles = dict(d.windows())
            raise Failure(f"Form1 brought forward {how} while the file dialog is up: the focus is on"
                          f" {titles.get(d.focused())!r}, the stacking {[titles.get(w, w) for w in d.stacking()]}"
                          " from the bottom") from None
        print(f"window-e2e: Form1 brought forward {how}: the file dialog stays above it with the focus", flush=True)

    def focus(self, window, what):
        self.display.focus(window)
        self.wait(f"{what} to get the keyboard focus", lambda: self.display.focused() == window)

    def type_path(self, log, name):
        """Types the log's path into the open dialog and opens it: the chart painted, its date last."""
        d = self.display
        d.type(d.path(log if d.typed_suffix else log[:-len(".log")]))
        self.shoot(name)
        d.keys("Return")
        self.wait("the file dialog to close after typing the path", lambda: not self.titled(*DIALOG))
        self.wait(f"a date on the chart after loading {log}", lambda: self.titled("dtchart") or self.date_drawn())
        if self.titled("dtchart"):
            raise Failure(f"the viewer reported an error after choosing {log}")

    def polygon(self, plot_scale, name):
        """Slot 1's polar plot at that scale, once a screenshot shows it whole."""
        vertices, problems = day_log.polygon(day_log.levels()[1], plot_scale), []

        def drawn():
            nonlocal problems
            self.shoot()
            area = self.area("polar")
            problems = checks.polar_plot(area, vertices) if area else ["no cross on Picture2"]
            return not problems
        try:
            self.wait("", drawn)
        except Failure:
            pass
        self.shoot(name)
        self.check(f"polar plot of slot 1 at scale {plot_scale}", problems)

    def scenario(self, locale, log):
        d = self.display
        reference = None
        if locale != "C.UTF-8":
            self.start_viewer("C.UTF-8")
            reference = self.wait("the chart frame under C.UTF-8", lambda: self.frame_drawn("start-c-locale"))
            reference = reference.pixels(0, 0, 812, 276).copy()
            d.stop_viewer()
            self.wait("the viewer under C.UTF-8 to close", lambda: not self.titled("Form1"))
        self.start_viewer(locale)
        print(f"window-e2e: viewer in {locale} at scale {d.milli / 1000:g}: {' '.join(EMULATOR + [self.program])}",
              flush=True)

        # Before loading: the frame, the date's place blank, Picture2 blank. What is wrong is told
        # with the loaded chart's, so that the cells are counted all the same.
        chart = self.wait("a chart frame at start-up, its box and corner black", lambda: self.frame_drawn("start"))
        early = checks.date_caption(chart, False) + checks.legend(chart, day_log.LEGEND)
        early += checks.captions(chart, date=False)
        early += checks.blank(self.picture2(), 1, 1, 259, 259, "Picture2 before a scroll bar moves")
        if reference is not None:
            early += checks.same_picture(chart.pixels(0, 0, 812, 276), reference,
                                         f"the empty frame under {locale} against C.UTF-8's")

        # The day's path as the system writes paths, typed at once into the session's first
        # dialog, without its extension: the dialog's default extension finds the file. KDE's
        # dialog gives back only files that exist: the whole name there.
        self.answer_yes(self.ask_to_load())
        self.type_path(log, "dialog")
        self.shoot("loaded")
        chart = self.area("chart")
        early += checks.chart_cells(chart, day_log.levels(), day_log.COLOURS) + checks.legend(chart, day_log.LEGEND)
        early += checks.captions(chart, date=True)
        self.check("pictures before and after loading",
                   early + checks.blank(self.picture2(), 1, 1, 259, 259, "Picture2 after loading"))
        self.text_is("Text1", d.path(log))
        self.check("what a screen reader is shown after loads", d.screen_reader_problems())

        d.click(*HSCROLL1_RIGHT)  # slot 1, 0:02
        self.polygon(1, "stepped")
        self.text_is("Text2", "0:02")
        d.click(*HSCROLL4_RIGHT)  # scale 2
        self.polygon(2, "scaled")
        self.text_is("Text3", "2")
        self.text_is("Text2", "0:02")

        # A cancel, typed into the dialog after Form1 was brought forward: the chart is left as
        # its empty frame.
        self.bring_form_forward(self.answer_yes(self.ask_to_load()))
        d.keys("Escape")
        self.wait("the file dialog to close after Escape", lambda: not self.titled(*DIALOG))
        question = self.ask_to_load()  # the viewer is done with the cancel
        d.uncover(question)
        self.shoot("cancelled")
        chart = self.area("chart") or self.picture2()
        self.check("the chart after cancelling the file dialog",
                   checks.empty_chart(chart) + checks.date_caption(chart, False))

        # The day again, typed into a dialog opened before (Qt's kept dialog, after a load and a
        # cancel): every cell as after the first load.
        self.answer_yes(question)
        self.type_path(log, "dialog-again")
        self.shoot("loaded-again")
        chart = self.area("chart")
        self.check("the chart loaded again", checks.chart_cells(chart, day_log.levels(), day_log.COLOURS)
                   + checks.captions(chart, date=True))

    def screenshot(self, log, output):
        """The window as a new user meets it: the sample day loaded, HScroll1's thumb dragged to
        the middle of its bar."""
        d = self.display
        self.start_viewer("ja_JP.UTF-8")
        self.wait("the chart frame", self.frame_drawn)
        self.answer_yes(self.ask_to_load())
        d.type(log[:-len(".log")])
        d.keys("Return")
        self.wait("the date", self.date_drawn)
        x, y = d.origin
        d.xdotool("mousemove", str(x + 30), str(y + 304), "mousedown", "1", "mousemove", str(x + 388), str(y + 304),
                  "mouseup", "1", "mousemove", "1000", "760")
        def red():
            self.shoot()
            return len(checks.centres(self.picture2(), checks.RED))
        self.wait("the polar plot", lambda: red() > 100)
        Image.fromarray(self.shot[y:y + 637, x:x + 878]).save(output)
        print(f"window-e2e: {output}, HScroll1 at {d.text('時刻', 0, 0)}")


def main(argv):
    screenshot = argv[1:2] == ["--screenshot"]
    if len(argv) != 3 + 2 * screenshot:
        raise SystemExit(__doc__)
    if screenshot:
        os.environ.update(DTCHART_E2E_DISPLAY="x11", DTCHART_E2E_SCALE="1", DTCHART_E2E_WINE="0")
        output, program, log = argv[2], argv[3], os.path.abspath(argv[4])
        artifacts = tempfile.mkdtemp(prefix="dtchart-shot.")
    else:
        program, artifacts = argv[1:]
    setup = os.environ.get("DTCHART_E2E_WINE_SETUP")
    program = program if setup else os.path.abspath(program)
    private = None
    if os.environ.get("DTCHART_E2E_PRIVATE_FOLDER") == "1":
        # The program where only its owner may enter, as a checkout in root's home is.
        private = tempfile.mkdtemp(prefix="dtchart-private.")
        program = shutil.copy(program, f"{private}/dtchart")
    scale = Fraction(os.environ.get("DTCHART_E2E_SCALE", "1"))
    kind = "wine" if os.environ.get("DTCHART_E2E_WINE") == "1" else os.environ.get("DTCHART_E2E_DISPLAY", "x11")
    if scale < 1 or (8 * scale).denominator != 1 or (kind == "wine" and (96 * scale).denominator != 1):
        raise SystemExit(f"window-e2e: {scale} is no scale in eighths (and whole dots per inch under Wine)")
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY"):  # nothing reaches the user's own display
        os.environ.pop(name, None)
    os.makedirs(artifacts, exist_ok=True)
    for old in os.listdir(artifacts):
        if old.endswith(".png"):
            os.remove(f"{artifacts}/{old}")
    work = tempfile.mkdtemp(prefix="dtchart-e2e.")
    home = f"{work}/home"
    for folder in (".config", ".cache", ".local/share", "run"):
        os.makedirs(f"{home}/{folder}", mode=0o700)
    display = {"x11": X11Display, "wayland": WaylandDisplay, "wine": WineDisplay, "gnome": GnomeDisplay,
               "gnome_wayland": GnomeWaylandDisplay, "plasma": PlasmaDisplay}[kind](work, int(scale * 1000), home)
    display.setup = setup
    display.dark = os.environ.get("DTCHART_E2E_DARK") == "1"
    # Should the run be killed outright (a test timeout), its processes and folder go with it.
    watchdog = 'while kill -0 "$1"; do sleep 1; done; kill $(cat "$2/pids"); WINEPREFIX="$2/prefix" '
    watchdog += '/usr/lib/wine/wineserver -k; rm -rf "$2"'
    watchdog = subprocess.Popen(["sh", "-c", watchdog, "sh", str(os.getpid()), work], start_new_session=True,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    run = Run(display, program, artifacts)
    try:
        started = display.start()
        if not started:
            log = f"{work}/{display.compositor_log}"
            print(f"window-e2e: SKIP: the display's compositor could not start here; {display.compositor_log}:\n"
                  + (open(log, errors="replace").read()[-2000:] if os.path.exists(log) else "(none)"))
            return 77
        print(f"window-e2e: {started}", flush=True)
        if screenshot:
            run.screenshot(log, output)
        else:
            log = f"{work}/250131.log"
            day_log.write(log)
            run.scenario(os.environ.get("DTCHART_E2E_LANG", "C.UTF-8"), log)
            print(f"window-e2e: passed; screenshots in {artifacts}")
        return 0
    except (Failure, RuntimeError, OSError, subprocess.CalledProcessError) as failure:
        print(f"window-e2e: FAIL: {failure}", file=sys.stderr)
        try:
            run.shoot("failure")
            windows = display.windows()
            focused = dict(windows).get(display.focused(), "none of them")
            print(f"window-e2e: the screen at the failure: {artifacts}/failure.png; its windows: "
                  + " | ".join(title for _, title in windows) + f"; the focus on {focused}", file=sys.stderr)
        except Exception:
            pass
        if os.path.exists(f"{work}/dtchart.log") and os.path.getsize(f"{work}/dtchart.log"):
            output = open(f"{work}/dtchart.log", errors="replace").read().strip()
            print("window-e2e: dtchart's output:\n    " + output.replace("\n", "\n    "), file=sys.stderr)
        return 1
    finally:
        display.stop()
        subprocess.run(["rm", "-rf", work] + ([private] if private else []))
        watchdog.kill()


if __name__ == "__main__":
    sys.exit(main(sys.argv))

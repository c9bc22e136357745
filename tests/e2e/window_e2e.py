#!/usr/bin/python3
"""The viewer's real window on a private display, driven with the mouse and keyboard the way a
person uses it: click 読み込み, answer Yes, cancel the file dialog and check that nothing was
loaded; again, typing the path of the day_log day without its extension, then check every cell
of the chart, the legend, the date and Text1; one click on HScroll1's right arrow, and the polar
plot's polygon for slot 1 and Text2; one on HScroll4's, and the polygon at twice the radius and
Text3. Under any locale but C.UTF-8 the empty chart frame must be C.UTF-8's picture.

usage: window_e2e.py PROGRAM ARTIFACT_DIR
       window_e2e.py --screenshot OUTPUT.png PROGRAM LOG  (X11, scale 1, Japanese, the log loaded
                                                           and HScroll1 dragged to mid-day)
DTCHART_E2E_DISPLAY x11 (default) or wayland; DTCHART_E2E_LANG the locale (C.UTF-8);
DTCHART_E2E_SCALE the screen's scale in eighths (1); DTCHART_E2E_WINE=1: PROGRAM is a Windows
program run by Wine on X11, or with DTCHART_E2E_WINE_SETUP the installed program's Windows path.
Screenshots stay in ARTIFACT_DIR; everything else, HOME included, goes with the run. Exits 77
where the compositor cannot start.
"""
import os
import subprocess
import sys
import tempfile
import time
from fractions import Fraction

from PIL import Image

import day_log
import picture_checks as checks
from displays import WaylandDisplay, WineDisplay, X11Display

STEP_TIMEOUT = float(os.environ.get("DTCHART_E2E_STEP_TIMEOUT", 30))  # seconds for anything to show
DIALOG_TITLES = ("Open", "開く")
CMD1, HSCROLL1_RIGHT, HSCROLL4_RIGHT = (52, 560), (763, 304), (659, 544)
TEXT_BOXES = {"Text1": ("ファイル・値", 556, 412), "Text2": ("時刻", 556, 444), "Text3": ("倍率", 484, 516)}


class Failure(Exception):
    pass


class Run:
    def __init__(self, display, program, artifacts):
        self.display, self.program, self.artifacts = display, program, artifacts
        self.milli = display.milli
        self.shot, self.misplaced = None, {}

    def note(self, text):
        print(f"window-e2e: {text}", flush=True)

    def wait(self, what, condition):
        """Polls the condition every 0.1 s for the step's time; fails if the viewer goes."""
        end = time.monotonic() + STEP_TIMEOUT
        while True:
            value = condition()
            if value:
                return value
            viewer = self.display.viewer
            if viewer and viewer.poll() is not None:
                raise Failure(f"dtchart exited unexpectedly (status {viewer.returncode}) waiting for {what}")
            if time.monotonic() > end:
                raise Failure(what)
            time.sleep(0.1)

    def check(self, name, problems):
        if problems:
            raise Failure(f"{name}:\n    " + "\n    ".join(problems))

    def shoot(self, name=None):
        self.shot = self.display.screenshot()
        if name:
            Image.fromarray(self.shot).save(f"{self.artifacts}/{name}.png")
        return self.shot

    def titled(self, *titles):
        return next((w for w, title in self.display.windows() if title in titles), None)

    def chart(self):
        area, self.misplaced["chart"] = checks.find_area(
            self.shot, (self.display.origin, (2, 2)), self.milli, (29, 50), (147, 400), checks.BLACK)
        return area

    def polar(self, found=True):
        """Picture2's area, found from its cross; until the plot is drawn, at the pixel at or
        before its place, for checks that look at most of it."""
        if not found:
            x, y = (self.display.origin[k] + v * self.milli // 1000 for k, v in enumerate((114, 370)))
            return checks.Area(self.shot, x, y, self.milli)
        area, self.misplaced["polar"] = checks.find_area(
            self.shot, (self.display.origin, (114, 370)), self.milli, (132, 132), (210, 60), checks.GREY)
        return area

    def misplaced_areas(self):
        return [f"{name}: {problem}" for name, problem in self.misplaced.items() if problem]

    def frame_drawn(self, name):
        """The chart frame, its corner black on white (Wine maps windows black before they
        are painted)."""
        self.shoot(name)
        area = self.chart()
        return area if area and area.colours(29, 231) == [checks.BLACK] and area.colours(400, 140) == [checks.WHITE] else None

    def start_viewer(self, locale):
        d = self.display
        d.start_viewer(self.program, locale)
        form = self.wait("the window Form1 to appear", lambda: self.titled("Form1"))
        x, y, w, h = d.geometry(form)
        if (w, h) != (d.device(878), d.device(637)):
            raise Failure(f"Form1 is {w}x{h}, expected {d.device(878)}x{d.device(637)}")
        if x + w > d.width or y + h > d.height:
            raise Failure(f"Form1 at ({x},{y}) is not wholly on the screen")
        self.check("Form1", d.problems_of(form))
        d.track(form)
        return form

    def text_is(self, box, want):
        name, x, y = TEXT_BOXES[box]
        try:
            self.wait(f"{box} to read {want!r}", lambda: self.display.text(name, x, y) == want)
        except Failure:
            raise Failure(f"{box} reads {self.display.text(name, x, y)!r}, expected {want!r}") from None

    def ask_to_load(self):
        """読み込み: the question, over the window."""
        self.display.click(*CMD1)
        question = self.wait("the question after clicking 読み込み", lambda: self.titled("dtchart"))
        if not isinstance(self.display, WineDisplay):
            d, (ox, oy) = self.display, self.display.origin
            x, y, w, h = d.geometry(question)
            if not (x >= ox and y >= oy and x + w <= ox + d.device(878) and y + h <= oy + d.device(637)):
                raise Failure(f"the question ({w}x{h} at {x},{y}) is not over Form1")
        return question

    def answer_yes(self, question):
        """Yes, the default button: the file dialog, its file name field focused."""
        self.focus(question, "the question")
        self.display.keys("Return")
        self.wait("the question to close after Return", lambda: not self.titled("dtchart"))
        dialog = self.wait("the file dialog after Yes", lambda: self.titled(*DIALOG_TITLES))
        self.focus(dialog, "the file dialog")

    def focus(self, window, what):
        self.display.focus(window)
        self.wait(f"{what} to get the keyboard focus", lambda: self.display.focused() == window)

    def polygon(self, plot_scale, name):
        """The polar plot of slot 1 at that scale, once a screenshot shows it."""
        vertices = day_log.polygon(day_log.levels()[1], plot_scale)
        problems = []

        def drawn():
            nonlocal problems
            self.shoot()
            area = self.polar()
            problems = checks.polar_plot(area, vertices) if area else ["no cross on Picture2"]
            return not problems
        try:
            self.wait("", drawn)
        except Failure:
            pass
        self.shoot(name)
        self.check(f"polar plot of slot 1 at scale {plot_scale}", self.misplaced_areas() + problems)

    def scenario(self, locale, log, shown_path, typed_path):
        reference = None
        if locale != "C.UTF-8":
            self.start_viewer("C.UTF-8")
            area = self.wait("the chart frame under C.UTF-8", lambda: self.frame_drawn("start-c-locale"))
            reference = area.pixels(0, 0, 812, 276).copy()
            self.display.stop_viewer()
            self.wait("the viewer under C.UTF-8 to close", lambda: not self.titled("Form1"))
        self.start_viewer(locale)
        self.note(f"viewer in {locale} at scale {self.milli / 1000:g}: {self.program}")

        # Before loading: the empty frame, the date's place blank, Picture2 blank. What is wrong
        # is reported with the loaded chart's, so that the cells are counted all the same.
        chart = self.wait("a chart frame at start-up (box edges and corner black at their places)",
                          lambda: self.frame_drawn("start"))
        early = checks.date_caption(chart, False) + checks.legend(chart, day_log.LEGEND)
        early += checks.blank(self.polar(False), 1, 1, 259, 259, "Picture2 before any scroll bar moves")
        if reference is not None:
            early += checks.same_picture(chart.pixels(0, 0, 812, 276), reference,
                                         f"the empty chart frame under {locale} against C.UTF-8's")

        self.answer_yes(self.ask_to_load())
        self.display.keys("Escape")
        self.wait("the file dialog to close after Escape", lambda: not self.titled(*DIALOG_TITLES))
        # Once the question shows again, the viewer is done with the cancel.
        question = self.ask_to_load()
        self.shoot("cancelled")
        self.check("the chart after cancelling the file dialog",
                   checks.empty_chart(self.chart()) + checks.date_caption(self.chart(), False))

        # The path as the system writes paths, without its extension: the dialog's default
        # extension finds the file.
        self.answer_yes(question)
        self.display.type(typed_path)
        self.shoot("dialog")
        self.display.keys("Return")
        self.wait(f"the file dialog to close after typing {typed_path}", lambda: not self.titled(*DIALOG_TITLES))
        # The date is printed last: once it shows, the whole chart is there.
        self.wait(f"a date at chart (500,20) after loading {log}",
                  lambda: self.titled("dtchart") or not checks.date_caption(self.chart_shot(), True))
        if self.titled("dtchart"):
            raise Failure(f"the viewer reported an error after choosing {log}")
        self.shoot("loaded")
        chart = self.chart()
        self.check("pictures before and after loading", self.misplaced_areas() + early
                   + checks.chart_cells(chart, day_log.levels(), day_log.COLOURS)
                   + checks.legend(chart, day_log.LEGEND)
                   + checks.blank(self.polar(False), 1, 1, 259, 259, "Picture2 after loading"))
        self.text_is("Text1", shown_path)

        self.display.click(*HSCROLL1_RIGHT)  # slot 1, 0:02
        self.polygon(1, "stepped")
        self.text_is("Text2", "0:02")
        self.display.click(*HSCROLL4_RIGHT)  # scale 2
        self.polygon(2, "scaled")
        self.text_is("Text3", "2")
        self.text_is("Text2", "0:02")

    def chart_shot(self):
        self.shoot()
        return self.chart() or checks.Area(self.shot, 0, 0, self.milli)


def make_display(work, home, milli):
    kind = os.environ.get("DTCHART_E2E_DISPLAY", "x11")
    if os.environ.get("DTCHART_E2E_WINE") == "1":
        if 96 * milli % 1000:
            raise SystemExit(f"window-e2e: Windows' display scaling {milli / 1000} is no whole number of dots per inch")
        return WineDisplay(work, milli, home, os.environ.get("DTCHART_E2E_WINE_SETUP"))
    if kind not in ("x11", "wayland"):
        raise SystemExit(f"window-e2e: DTCHART_E2E_DISPLAY must be x11 or wayland, not {kind!r}")
    return (X11Display if kind == "x11" else WaylandDisplay)(work, milli, home)


def main(argv):
    screenshot = argv[1:2] == ["--screenshot"]
    if len(argv) != (5 if screenshot else 3):
        raise SystemExit(__doc__)
    if screenshot:
        output, program, log = argv[2:]
        os.environ.update(DTCHART_E2E_DISPLAY="x11", DTCHART_E2E_LANG="ja_JP.UTF-8", DTCHART_E2E_SCALE="1")
        os.environ.pop("DTCHART_E2E_WINE", None)
        artifacts = tempfile.mkdtemp(prefix="dtchart-screenshot.")
    else:
        program, artifacts = argv[1:]
    if not os.environ.get("DTCHART_E2E_WINE_SETUP"):
        program = os.path.abspath(program)
    locale = os.environ.get("DTCHART_E2E_LANG", "C.UTF-8")
    scale = Fraction(os.environ.get("DTCHART_E2E_SCALE", "1"))
    if scale < 1 or (8 * scale).denominator != 1:
        raise SystemExit(f"window-e2e: DTCHART_E2E_SCALE must be a whole number of eighths, not {scale}")
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY"):  # nothing reaches the user's display
        os.environ.pop(name, None)
    os.makedirs(artifacts, exist_ok=True)
    for old in os.listdir(artifacts):
        if old.endswith(".png"):
            os.remove(os.path.join(artifacts, old))
    work = tempfile.mkdtemp(prefix="dtchart-e2e.")
    home = f"{work}/home"
    for folder in (".config", ".cache", ".local/share", "run"):
        os.makedirs(f"{home}/{folder}", mode=0o700)
    display = make_display(work, home, int(scale * 1000))
    # Should the run be killed outright (a test timeout), its processes and folder go with it.
    watchdog = subprocess.Popen(["sh", "-c", 'while kill -0 "$1" 2>/dev/null; do sleep 1; done; '
                                 'WINEPREFIX="$2/prefix" /usr/lib/wine/wineserver -k; kill $(cat "$2/pids"); rm -rf "$2"',
                                 "sh", str(os.getpid()), work], start_new_session=True,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    run = Run(display, program, artifacts)
    status = 0
    try:
        started = display.start()
        if not started:
            print("window-e2e: SKIP: sway could not start a headless session here; its output:")
            print(open(f"{work}/sway.log", errors="replace").read()[-2000:])
            return 77
        run.note(started)
        log = f"{work}/logs/250131.log"
        if screenshot:
            log, shown = os.path.abspath(argv[4]), os.path.abspath(argv[4])
        else:
            os.makedirs(os.path.dirname(log))
            day_log.write(log)
            shown = log
        typed = log[:-len(".log")]
        if isinstance(display, WineDisplay):
            typed, shown = display.windows_path(typed), display.windows_path(log)
            if display.setup:
                if not os.path.isfile(display.installed(program)):
                    raise Failure(f"the setup program did not install {program}")
                run.note(f"installed {program} with {display.setup}")
        if screenshot:
            take_screenshot(run, typed, output)
        else:
            run.scenario(locale, log, shown, typed)
            run.note(f"passed; screenshots in {artifacts}")
    except (Failure, RuntimeError, OSError, subprocess.CalledProcessError) as failure:
        status = 1
        print(f"window-e2e: FAIL: {failure}", file=sys.stderr)
        try:
            run.shoot("failure")
            print(f"window-e2e: the screen at the failure: {artifacts}/failure.png; its windows: "
                  + " | ".join(t for _, t in display.windows()), file=sys.stderr)
        except Exception:
            pass
        viewer_log = f"{work}/dtchart.log"
        if os.path.exists(viewer_log) and os.path.getsize(viewer_log):
            print("window-e2e: dtchart's output:\n    " + open(viewer_log, errors="replace").read().replace("\n", "\n    "),
                  file=sys.stderr)
    finally:
        display.stop()
        subprocess.run(["rm", "-rf", work])
        watchdog.kill()
    return status


def take_screenshot(run, typed, output):
    """The window as a new user meets it: the sample day loaded, HScroll1 at mid-day."""
    d = run.display
    run.start_viewer("ja_JP.UTF-8")
    run.wait("the chart frame", lambda: run.frame_drawn(None))
    run.answer_yes(run.ask_to_load())
    d.type(typed)
    d.keys("Return")
    run.wait("the date", lambda: not checks.date_caption(run.chart_shot(), True))
    # Drag HScroll1's thumb from its left end to the middle of the bar.
    x0, y0 = d.origin
    d.xdotool("mousemove", str(x0 + 30), str(y0 + 304), "mousedown", "1", "mousemove", str(x0 + 388),
              str(y0 + 304), "mouseup", "1", "mousemove", "1000", "760")
    run.wait("the polar plot", lambda: run.shoot() is not None and len(checks.centres(run.polar(False), checks.RED)) > 100)
    Image.fromarray(run.shot[y0:y0 + 637, x0:x0 + 878]).save(output)
    run.note(f"{output}: Text2 reads {d.text('時刻', 0, 0)}")


if __name__ == "__main__":
    sys.exit(main(sys.argv))

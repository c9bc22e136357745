#!/usr/bin/python3
"""Times the viewer's load steps on a private Xvfb, from the input (XTest) to the first screen
grab that shows the result:

  click   click on 読み込み        -> the question box on screen
  yes     Return in the question  -> the file dialog on screen (first open of a run / later)
  open    Return on a typed path  -> the day painted on the chart
  step    click on HScroll1's arrow -> the polar plot redrawn

Each step's result is recognised by a reference picture taken in an untimed calibration run:
the pixels where the reference differs from what is there before. A step is "shown" at the
first grab in which at least THRESHOLD of those pixels are the reference's. Grabs are taken
whenever the X server reports new drawing (DAMAGE on the root window), and every 2 ms besides.

usage: tools/window-latency.py [--runs R] [--loads L] [--step] [--locale LOC] VIEWER LOGFILE
R fresh viewers, L loads each: the first load of each run gives the first-open figures; the
viewer starts in LOGFILE's folder, and the log's path is typed into the dialog. Needs Xvfb,
xdotool and python3-xlib (apt-get install python3-xlib). --wine runs VIEWER (a Windows
program) with /usr/lib/wine/wine64 in the prefix --wine-prefix names (not tried much).
Grabbing loads the X server a little: measure on an otherwise quiet machine.
"""

import argparse
import os
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, XK, display as xdisplay
from Xlib.ext import damage, xtest  # noqa: F401  (registers the extensions)

ROWS = 24  # sample rows per picture


def now():
    return time.perf_counter()


class Screen:
    def __init__(self, name):
        self.d = xdisplay.Display(name)
        self.root = self.d.screen().root
        self.net_wm_name = self.d.intern_atom('_NET_WM_NAME')
        self.utf8 = self.d.intern_atom('UTF8_STRING')
        self.d.damage_query_version()
        self.damage = self.root.damage_create(damage.DamageReportNonEmpty)
        self.d.sync()

    def windows(self):
        """Viewable top-level windows: (window, title, x, y, w, h)."""
        out = []
        for w in self.root.query_tree().children:
            try:
                a = w.get_attributes()
                if a.map_state != X.IsViewable:
                    continue
                p = w.get_full_property(self.net_wm_name, self.utf8)
                title = p.value.decode('utf-8', 'replace') if p else (w.get_wm_name() or '')
                g = w.get_geometry()
                c = self.root.translate_coords(w, 0, 0)
                out.append((w, title, c.x, c.y, g.width, g.height))
            except Exception:
                continue
        return out

    def find(self, titles):
        for win in self.windows():
            if win[1] in titles:
                return win
        return None

    def grab(self, x, y, w, h):
        return self.root.get_image(x, y, w, h, X.ZPixmap, 0xffffffff).data

    def rows(self, x, y, w, ys):
        return {r: self.root.get_image(x, y + r, w, 1, X.ZPixmap, 0xffffffff).data for r in ys}

    def focus(self):
        return self.d.get_input_focus().focus

    def key(self, sym):
        code = self.d.keysym_to_keycode(XK.string_to_keysym(sym))
        xtest.fake_input(self.d, X.KeyPress, code)
        xtest.fake_input(self.d, X.KeyRelease, code)
        self.d.flush()

    def move(self, x, y):
        xtest.fake_input(self.d, X.MotionNotify, x=x, y=y)
        self.d.sync()

    def press(self):
        xtest.fake_input(self.d, X.ButtonPress, 1)
        self.d.sync()

    def release(self):
        xtest.fake_input(self.d, X.ButtonRelease, 1)
        self.d.flush()

    def drain(self):
        while self.d.pending_events():
            e = self.d.next_event()
        self.d.damage_subtract(self.damage)
        self.d.flush()

    def wait_damage(self, timeout):
        """Returns once drawing was reported or the timeout passed."""
        if self.d.pending_events():
            while self.d.pending_events():
                self.d.next_event()
        else:
            r, _, _ = select.select([self.d.fileno()], [], [], timeout)
            while self.d.pending_events():
                self.d.next_event()
        self.d.damage_subtract(self.damage)
        self.d.flush()


class Picture:
    """What a step shows: a screen rectangle, its reference grab, and the sample pixels where
    that differs from every picture of what was there before."""

    def __init__(self, rect, ref, befores):
        self.rect = rect
        x, y, w, h = rect
        samples = {}
        for r in range(ROWS):
            row = (h - 1) * r // (ROWS - 1)
            cols = []
            for c in range(w):
                o = 4 * (row * w + c)
                px = ref[o:o + 3]
                if all(b[o:o + 3] != px for b in befores):
                    cols.append(c)
            if cols:
                samples[row] = cols
        self.samples = samples
        self.ref = ref
        self.count = sum(len(v) for v in samples.values())

    def fraction(self, screen):
        x, y, w, h = self.rect
        rows = screen.rows(x, y, w, self.samples.keys())
        good = 0
        for row, cols in self.samples.items():
            data = rows[row]
            for c in cols:
                o = 4 * (row * w + c)
                if data[4 * c:4 * c + 3] == self.ref[o:o + 3]:
                    good += 1
        return good / self.count if self.count else 0.0

    def wait(self, screen, t0, threshold, timeout=20.0):
        """Seconds from t0 to the first grab showing the picture, or None."""
        end = t0 + timeout
        while now() < end:
            f = self.fraction(screen)
            t = now()
            if f >= threshold:
                return t - t0
            screen.wait_damage(0.002)
        return None


def wait_for(pred, timeout=20.0, step=0.01):
    end = now() + timeout
    while now() < end:
        v = pred()
        if v:
            return v
        time.sleep(step)
    return None


class Viewer:
    def __init__(self, args, work, screen, disp):
        self.args, self.work, self.s = args, work, screen
        home = os.path.join(work, 'home')
        for sub in ('.config', '.cache', '.local/share', 'run'):
            os.makedirs(os.path.join(home, sub), exist_ok=True)
        os.chmod(os.path.join(home, 'run'), 0o700)
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(('QT_', 'LC_', 'LANG', 'WAYLAND', 'XDG_'))}
        env.update(DISPLAY=disp, HOME=home, XDG_CONFIG_HOME=home + '/.config',
                   XDG_CACHE_HOME=home + '/.cache', XDG_DATA_HOME=home + '/.local/share',
                   XDG_RUNTIME_DIR=home + '/run', LANG=args.locale, LC_ALL=args.locale)
        if args.wine:
            env.update(WINEPREFIX=args.wine_prefix, WINEDEBUG='-all',
                       WINEDLLOVERRIDES='mscoree,mshtml=', WINELOADER='/usr/lib/wine/wine64')
            if args.locpath:
                env['LOCPATH'] = args.locpath
            cmd = ['/usr/lib/wine/wine64', args.viewer]
        else:
            env.update(QT_QPA_PLATFORM='xcb')
            cmd = [args.viewer]
        self.log = open(os.path.join(work, 'viewer.log'), 'ab')
        self.p = subprocess.Popen(cmd, cwd=os.path.dirname(args.logfile), env=env,
                                  stdout=self.log, stderr=self.log)
        self.form = wait_for(lambda: self.s.find(['Form1']), 60)
        if not self.form:
            raise SystemExit('no Form1 window')
        time.sleep(1.0)
        self.form = self.s.find(['Form1'])
        _, _, wx, wy, ww, wh = self.form
        # The client area's origin, from the chart box's top edge: a black run from x 29 to
        # 750 at y 50 of Picture1's drawing area, which starts at (2, 2).
        origin = wait_for(lambda: locate(self.s, wx, wy, ww, wh), 20, 0.2)
        if not origin:
            raise SystemExit('no chart frame on screen')
        self.fx, self.fy = origin
        self.fw, self.fh = 878, 637

    def at(self, x, y):
        return self.fx + x, self.fy + y

    def stop(self):
        if self.args.wine:
            subprocess.run(['/usr/lib/wine/wineserver', '-k'],
                           env=dict(os.environ, WINEPREFIX=self.args.wine_prefix))
        self.p.terminate()
        try:
            self.p.wait(10)
        except subprocess.TimeoutExpired:
            self.p.kill()
            self.p.wait()
        time.sleep(0.5)


QUESTION = ['dtchart']
DIALOG = ['開く', 'Open', 'ファイルを開く']


def locate(s, wx, wy, ww, wh):
    # The box's bottom edge, (29, 231) to (750, 231): a run of exactly 722 black pixels (the
    # top edge has the 360-degree tick before it).
    img = s.grab(wx, wy, ww, wh)
    black = b'\0\0\0\0'
    for y in range(wh):
        line = img[4 * y * ww:4 * (y + 1) * ww]
        x = 0
        while True:
            start = line.find(b'\0\0\0', x * 4)
            if start < 0:
                break
            if start % 4:
                x = start // 4 + 1
                continue
            x = start // 4
            end = x
            while end < ww and line[4 * end:4 * end + 3] == b'\0\0\0':
                end += 1
            if end - x == 722:
                return wx + x - 29 - 2, wy + y - 231 - 2
            x = end + 1
    return None


def rect_of(win):
    return (win[2], win[3], win[4], win[5])


def calibrate(args, work, s, disp):
    v = Viewer(args, work, s, disp)
    chart_rect = (v.fx + 2, v.fy + 2, 813, 277)
    polar_rect = (v.fx + 114, v.fy + 370, 261, 261)
    full = (v.fx, v.fy, v.fw, v.fh)
    empty_form = s.grab(*full)
    empty_chart = s.grab(*chart_rect)
    empty_polar = s.grab(*polar_rect)

    def sub(img, outer, inner):
        ox, oy, ow, oh = outer
        ix, iy, iw, ih = inner
        parts = []
        for r in range(ih):
            o = 4 * ((iy - oy + r) * ow + (ix - ox))
            parts.append(img[o:o + 4 * iw])
        return b''.join(parts)

    s.move(*v.at(8 + 44, 544 + 16))
    s.press(); time.sleep(0.05); s.release()
    q = wait_for(lambda: s.find(QUESTION), 20)
    if not q:
        raise SystemExit('no question box')
    time.sleep(1.0)
    qrect = rect_of(q)
    qref = s.grab(*qrect)
    q_before = sub(empty_form, full, qrect) if inside(qrect, full) else None
    wait_for(lambda: s.focus() == q[0], 5)
    screen_with_question = s.grab(0, 0, 1280, 1024)
    s.key('Return')
    dlg = wait_for(lambda: s.find(DIALOG), 20)
    if not dlg:
        raise SystemExit('no file dialog; windows: %r' % [w[1] for w in s.windows()])
    time.sleep(1.5)
    drect = rect_of(dlg)
    dref = s.grab(*drect)
    # What is under the dialog with and without the question: grabbed after it closes.
    wait_for(lambda: s.focus() == dlg[0], 5)
    subprocess.run(['xdotool', 'type', '--delay', '10', args.typed], env=dict(os.environ, DISPLAY=disp))
    time.sleep(0.5)
    s.key('Return')
    wait_for(lambda: not s.find(DIALOG), 20)
    time.sleep(1.5)
    chart_ref = s.grab(*chart_rect)
    d_after = s.grab(*drect)
    # The question's background as the dialog's "before", and the empty form's.
    befores_d = [d_after, sub(screen_with_question, (0, 0, 1280, 1024), drect)]
    if inside(drect, full):
        befores_d.append(sub(empty_form, full, drect))
    qpic = Picture(qrect, qref, [q_before] if q_before else [s.grab(*qrect)])
    dpic = Picture(drect, dref, befores_d)
    cpic = Picture(chart_rect, chart_ref, [empty_chart])
    s.move(*v.at(8 + 761 - 6, 296 + 8))
    s.press(); time.sleep(0.05); s.release()
    time.sleep(1.0)
    polar_ref = s.grab(*polar_rect)
    ppic = Picture(polar_rect, polar_ref, [empty_polar])
    v.stop()
    print('calibration: question %s (%d samples), dialog %s (%d samples), chart %d, polar %d samples'
          % (qrect, qpic.count, drect, dpic.count, cpic.count, ppic.count), flush=True)
    return qpic, dpic, cpic, ppic


def inside(inner, outer):
    ix, iy, iw, ih = inner
    ox, oy, ow, oh = outer
    return ix >= ox and iy >= oy and ix + iw <= ox + ow and iy + ih <= oy + oh


def run(args, work, s, disp, pics, results, k):
    qpic, dpic, cpic, ppic = pics
    v = Viewer(args, work, s, disp)
    for load in range(args.loads):
        first = load == 0
        time.sleep(0.5)
        s.move(*v.at(8 + 44, 544 + 16))
        s.press()
        time.sleep(0.08)
        s.drain()
        t0 = now()
        s.release()
        tq = qpic.wait(s, t0, 0.95)
        q = wait_for(lambda: s.find(QUESTION), 10)
        wait_for(lambda: s.focus() == q[0], 5)
        time.sleep(0.3)
        s.drain()
        t0 = now()
        s.key('Return')
        td = dpic.wait(s, t0, args.dialog_threshold)
        dlg = wait_for(lambda: s.find(DIALOG), 10)
        if dlg and rect_of(dlg) != dpic.rect:
            print('  note: dialog at %s, calibrated at %s' % (rect_of(dlg), dpic.rect))
        wait_for(lambda: s.focus() == dlg[0], 5)
        time.sleep(0.5)
        subprocess.run(['xdotool', 'type', '--delay', '10', args.typed], env=dict(os.environ, DISPLAY=disp))
        time.sleep(0.4)
        s.drain()
        t0 = now()
        s.key('Return')
        tc = cpic.wait(s, t0, 0.99)
        wait_for(lambda: not s.find(DIALOG), 10)
        tp = None
        if args.step and load == args.loads - 1:
            time.sleep(0.4)
            s.move(*v.at(8 + 761 - 6, 296 + 8))
            s.press()
            time.sleep(0.05)
            s.drain()
            t0 = now()
            s.release()
            tp = ppic.wait(s, t0, 0.99)
        fmt = lambda t: '%.1f' % (t * 1e3) if t is not None else 'MISS'
        print('run %d load %d: question %s ms, dialog %s ms (%s), painted %s ms%s'
              % (k, load + 1, fmt(tq), fmt(td), 'first' if first else 'later', fmt(tc),
                 ', polar %s ms' % fmt(tp) if tp is not None else ''), flush=True)
        results['question first' if first else 'question later'].append(tq)
        results['dialog first' if first else 'dialog later'].append(td)
        results['painted'].append(tc)
        if tp is not None:
            results['polar'].append(tp)
    v.stop()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('viewer')
    ap.add_argument('logfile')
    ap.add_argument('--runs', type=int, default=8)
    ap.add_argument('--loads', type=int, default=2)
    ap.add_argument('--locale', default='ja_JP.UTF-8')
    ap.add_argument('--wine', action='store_true')
    ap.add_argument('--wine-prefix')
    ap.add_argument('--locpath')
    ap.add_argument('--typed', help='what is typed into the dialog (default: the log path without .log)')
    ap.add_argument('--dialog-threshold', type=float, default=0.9)
    ap.add_argument('--step', action='store_true', help='also time one HScroll1 step per run')
    ap.add_argument('--display', type=int, default=150)
    args = ap.parse_args()
    args.logfile = os.path.abspath(args.logfile)
    if args.typed is None:
        args.typed = args.logfile[:-4]
    work = tempfile.mkdtemp(prefix='latency-')
    n = args.display
    while os.path.exists('/tmp/.X%d-lock' % n):
        n += 1
    disp = ':%d' % n
    xvfb = subprocess.Popen(['Xvfb', disp, '-screen', '0', '1280x1024x24', '-nolisten', 'tcp',
                             '-noreset', '-r'], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        s = wait_for(lambda: try_screen(disp), 20)
        pics = calibrate(args, work, s, disp)
        results = {'question first': [], 'question later': [], 'dialog first': [], 'dialog later': [], 'painted': [], 'polar': []}
        for k in range(args.runs):
            run(args, work, s, disp, pics, results, k + 1)
        print('\nmedians (ms) over the runs; n = number of values, MISS = not seen in 20 s')
        for name, vals in results.items():
            got = [v * 1e3 for v in vals if v is not None]
            if not vals:
                continue
            print('  %-14s median %6.1f  min %6.1f  max %6.1f  n=%d%s' % (
                name, statistics.median(got), min(got), max(got), len(got),
                '  (%d missed)' % (len(vals) - len(got)) if len(got) < len(vals) else ''))
    finally:
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)


def try_screen(disp):
    try:
        return Screen(disp)
    except Exception:
        return None


if __name__ == '__main__':
    main()

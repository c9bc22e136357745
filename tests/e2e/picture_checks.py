"""Checks of the viewer's two pictures in a screenshot, the same for every display and scale.

A screenshot is an array of rows of RGB pixels. At scale s (in thousandths, `milli`) logical
pixel v of a picture covers the device pixels from ceil(v * s - 0.5) up to the next pixel's:
a block 1 or 2 pixels a side at 1.5, and every check looks at whole blocks. Each check returns
its problems, the first ones spelt out; no problems means it passed.
"""
import numpy as np

WHITE, BLACK, GREY, RED = (255, 255, 255), (0, 0, 0), (127, 127, 127), (255, 0, 0)
SHOWN = 5  # problems spelt out per check


def block_start(v, milli):
    """First device pixel of logical pixel v (a number or an array)."""
    return (np.asarray(v) * milli + 499) // 1000


class Area:
    """A picture's drawing area in a screenshot: its logical (0, 0) at device pixel (x, y)."""

    def __init__(self, shot, x, y, milli):
        self.shot, self.x, self.y, self.milli = shot, x, y, milli

    def pixels(self, x0, y0, x1, y1):
        """The device pixels of logical points x0..x1, y0..y1, all their blocks."""
        xs, ys = block_start([x0, x1 + 1, y0, y1 + 1], self.milli).reshape(2, 2)
        return self.shot[self.y + ys[0]:self.y + ys[1], self.x + xs[0]:self.x + xs[1]]

    def colours(self, x, y):
        return sorted({tuple(int(c) for c in p) for p in self.pixels(x, y, x, y).reshape(-1, 3)})

    def wrong_blocks(self, x0, y0, expected):
        """The logical points (x, y) from (x0, y0) whose block is not all of the colour that
        `expected` (rows of logical RGB, -1 for any colour) gives them."""
        expected = np.asarray(expected)
        h, w = expected.shape[:2]
        xs = block_start(np.arange(x0, x0 + w + 1), self.milli)
        ys = block_start(np.arange(y0, y0 + h + 1), self.milli)
        want = np.repeat(np.repeat(expected, np.diff(ys), 0), np.diff(xs), 1)
        got = self.pixels(x0, y0, x0 + w - 1, y0 + h - 1)
        if got.shape != want.shape:  # off the screen
            return [(x0 + x, y0 + y) for y in range(h) for x in range(w)]
        bad = ((got != want) & (want >= 0)).any(axis=2)
        bad = np.logical_or.reduceat(bad, ys[:-1] - ys[0], axis=0)
        bad = np.logical_or.reduceat(bad, xs[:-1] - xs[0], axis=1)
        return [(x0 + x, y0 + y) for y, x in np.argwhere(bad)]

    def count(self, x0, y0, x1, y1, colour=None):
        """Pixels of the rectangle of that colour, or dark ones (r + g + b below 300)."""
        p = self.pixels(x0, y0, x1, y1).astype(int)
        return int((p == colour).all(axis=2).sum() if colour else (p.sum(axis=2) < 300).sum())


def find_area(shot, corner, milli, line, across, colour):
    """A picture's drawing area, from a line it draws one logical pixel wide at a known place.

    Qt puts a drawing area whose position is fractional at the scale on a pixel next to it,
    which one depending on its version and the picture's size. `corner` is the area's logical
    place on the screen (window origin in device pixels, place in the window, logical), `line`
    the (x, y) of a vertical and a horizontal line, `across` where to cross them. Returns the
    area where the lines are and a problem, None if they start where they would on either
    pixel; None while the lines are not there."""
    (ox, oy), (left, top) = corner
    x0, y0 = ox + left * milli // 1000, oy + top * milli // 1000
    row = shot[oy + ((top + across[0]) * milli + 500) // 1000]
    column = shot[:, ox + ((left + across[1]) * milli + 500) // 1000]
    found = []
    for pixels, start in ((row, x0 + block_start(line[0], milli) - 1),
                          (column, y0 + block_start(line[1], milli) - 1)):
        hits = [k for k in range(4) if tuple(pixels[start + k]) == colour]
        if not hits:
            return None, None
        found.append(hits[0])
    dx, dy = found
    problem = None
    if not (1 <= dx <= 1 + (left * milli % 1000 > 0) and 1 <= dy <= 1 + (top * milli % 1000 > 0)):
        problem = (f"the lines at {line} start {dx - 1},{dy - 1} device pixels from where they "
                   f"would with the drawing area at ({left},{top}) rounded down")
    return Area(shot, x0 + dx - 1, y0 + dy - 1, milli), problem


def report(what, wrong, total, describe):
    if not wrong:
        return []
    return [f"{what}: {len(wrong)} of {total} wrong"] + [describe(p) for p in wrong[:SHOWN]]


def found(area, x, y, want):
    return f"({x},{y}): expected {want}, found {' '.join(map(str, area.colours(x, y)))}"


def chart_cells(area, levels, colours):
    """Every cell of the day (levels[slot, bin]) one block of exactly its level's colour at
    (30 + slot, 230 - bin), and the chart box's edges (29,50)-(750,231) black: the cells must
    tile the box without seams at any scale."""
    palette = np.full((1025, 3), -1)
    for level, colour in colours.items():
        palette[level + 1] = colour
    expected = np.full((182, 722, 3), -1)
    expected[[0, -1], :] = expected[:, [0, -1]] = BLACK
    expected[1:-1, 1:-1] = palette[levels.T[::-1] + 1]
    wrong = area.wrong_blocks(29, 50, expected)
    edge = [(x, y) for x, y in wrong if x in (29, 750) or y in (50, 231)]
    cells = [(x, y) for x, y in wrong if (x, y) not in edge]

    def cell(p):
        slot, bin = p[0] - 30, 230 - p[1]
        return f"slot {slot} bin {bin} (level {levels[slot, bin]}) at " + found(
            area, *p, tuple(palette[levels[slot, bin] + 1]))
    return (report("cells", cells, levels.size, cell)
            + report("chart box edge points", edge, 2 * (722 + 180), lambda p: found(area, *p, BLACK)))


def legend(area, colours):
    """The legend's row of level v, (781..800, 230 - v / 8), all of v's colour."""
    problems = []
    for level, colour in colours.items():
        wrong = area.wrong_blocks(781, 230 - level // 8, [[colour] * 20])
        problems += report(f"legend row of level {level}", wrong, 20, lambda p: found(area, *p, colour))
    return problems


def date_caption(area, shown):
    """The date at (500, 20) drawn, or its place blank."""
    dark = area.count(500, 20, 570, 34)
    if shown and dark <= 20:
        return [f"no date at (500,20): {dark} dark pixels"]
    if not shown and dark:
        return [f"the date's place (500,20) is not blank: {dark} dark pixels"]
    return []


# Where the chart's captions are printed: (what, x, y).
CAPTIONS = ([("title", 270, 20), ("time caption", 370, 253), ("DIRECTION", 5, 20), ("(degree)", 5, 32)]
            + [(f"hour label {i // 30 - 1}", i - 7, 240) for i in range(30, 751, 30)]
            + [(f"degree label {2 * j}", 3, 225 - j) for j in range(0, 181, 30)]
            + [(f"level label {k}", 750, 225 - k // 8) for k in range(0, 1025, 256)])


def captions(area, date):
    """Each caption's ink begins where the chart's font puts it, one pixel right of and two
    below where it is printed, give or take a pixel; the level labels, which begin on the
    chart box's edge, only down. With `date`, the date's caption at (500, 20) too."""
    wrong = []
    for what, x, y in CAPTIONS + [("date", 500, 20)] * date:
        left = x + 2 if what.startswith("level") else max(x - 2, 0)
        dark = area.pixels(left, y - 1, x + 6, y + 12).astype(int).sum(axis=2) < 300
        rows, columns = np.nonzero(dark)
        if not len(rows):
            wrong.append(f"{what} at ({x},{y}): nothing drawn")
            continue
        dx, dy = columns.min() * 1000 / area.milli + left - x, rows.min() * 1000 / area.milli - 1
        if not (1 <= dy <= 3.5 and (what.startswith("level") or -1 <= dx <= 2.5)):
            wrong.append(f"{what} printed at ({x},{y}): its ink begins at +{dx:.1f},+{dy:.1f}")
    return report("captions", wrong, len(CAPTIONS) + date, str)


def blank(area, x0, y0, x1, y1, what):
    """Every block of the rectangle white."""
    wrong = area.wrong_blocks(x0, y0, np.full((y1 - y0 + 1, x1 - x0 + 1, 3), WHITE))
    return report(what, wrong, (x1 - x0 + 1) * (y1 - y0 + 1), lambda p: found(area, *p, WHITE))


def empty_chart(area):
    """The frame without cells: the inside of the chart box white (less a cell along each
    edge, should the box be misplaced)."""
    return blank(area, 31, 52, 748, 229, "cells of an empty chart")


def same_picture(picture, reference, what):
    if picture.shape == reference.shape and (picture == reference).all():
        return []
    if picture.shape != reference.shape:
        return [f"{what}: {picture.shape[1]}x{picture.shape[0]} pixels, not {reference.shape[1]}x{reference.shape[0]}"]
    y, x = np.argwhere((picture != reference).any(axis=2))[0]
    return [f"{what}: differs, first at device pixel ({x},{y}) of the picture"]


def centres(area, colour, size=261):
    """Logical positions of the centres of the area's pixels of that colour."""
    ys, xs = np.nonzero((area.pixels(0, 0, size - 1, size - 1) == colour).all(axis=2))
    return np.column_stack([xs + 0.5, ys + 0.5]) * 1000 / area.milli


def near(points, marks, distance):
    """For each point, whether some mark lies within `distance` on both axes."""
    if len(marks) == 0:
        return np.zeros(len(points), bool)
    return np.array([(abs(marks - p) <= distance).all(axis=1).any() for p in points])


def segment_distance(points, a, b):
    """Each point's distance to the nearest of the segments a[k]-b[k]."""
    d = b - a
    t = ((points[:, None] - a) * d).sum(axis=2) / np.maximum((d * d).sum(axis=1), 1e-9)
    closest = a + np.clip(t, 0, 1)[..., None] * d
    return np.sqrt(((points[:, None] - closest) ** 2).sum(axis=2)).min(axis=1)


def polar_plot(area, vertices):
    """The polygon of `vertices` (logical (x, y) of bins 0..179) closed and red: every vertex
    and edge midpoint within the picture red within a pixel, no red farther than two pixels
    from its edges; the rings about (132,132) and the cross grey, or under the polygon's red."""
    a, b = vertices, np.roll(vertices, -1, axis=0)
    red = centres(area, RED)
    samples = [(f"bin {j} vertex", p) for j, p in enumerate(a)]
    samples += [(f"edge {j}-{(j + 1) % 180} midpoint", p) for j, p in enumerate((a + b) / 2)]
    samples = [(name, p) for name, p in samples if (p >= 1).all() and (p <= 259).all()]
    hit = near(np.array([p for _, p in samples]).reshape(-1, 2), red, 1.5)
    missing = [f"{name} at ({p[0]:.1f},{p[1]:.1f})" for (name, p), h in zip(samples, hit) if not h]
    problems = report("polygon points without red within a pixel", missing, len(samples), str)
    far = red[segment_distance(red, a, b) > 2] if len(red) else red
    problems += report("red pixels far from the polygon's edges", list(far), len(red),
                       lambda p: f"at ({p[0]:.1f},{p[1]:.1f})")
    angles = np.radians(np.arange(3, 360, 6))
    grid = [(f"ring {r}", 132 + r * np.column_stack([np.sin(angles), -np.cos(angles)]))
            for r in (125, 93, 62, 31)]
    arm = np.arange(10, 255, 6.0)
    grid += [("cross", np.column_stack([arm, np.full_like(arm, 132.5)])),
             ("cross", np.column_stack([np.full_like(arm, 132.5), arm]))]
    grey = centres(area, GREY)
    for name, points in grid:
        bare = points[~(near(points, grey, 1.5) | near(points, red, 1.5))]
        problems += report(f"{name} points not grey", list(bare), len(points),
                           lambda p: f"at ({p[0]:.1f},{p[1]:.1f})")
    return problems

"""The picture checks on pictures made here as the viewer draws them: each passes the right
picture and fails one with the fault it is there to catch."""
import unittest

import numpy as np
from PIL import Image, ImageDraw

import day_log
import picture_checks as checks

ORIGIN = (5, 7)  # the drawing area's place in the screenshot, device pixels
SCALES = (1000, 1500, 2000)


def screenshot(logical, milli):
    """A logical picture (rows of RGB) at the scale, in a grey screen."""
    starts = checks.block_start(np.arange(logical.shape[0] + 1), milli)
    across = checks.block_start(np.arange(logical.shape[1] + 1), milli)
    device = np.repeat(np.repeat(logical, np.diff(starts), 0), np.diff(across), 1)
    shot = np.full((device.shape[0] + 20, device.shape[1] + 20, 3), 200, np.uint8)
    shot[ORIGIN[1]:ORIGIN[1] + device.shape[0], ORIGIN[0]:ORIGIN[0] + device.shape[1]] = device
    return shot


def chart(cells=True, date=True):
    picture = np.full((277, 813, 3), 255, np.uint8)
    picture[[50, 231], 29:751] = picture[50:232, [29, 750]] = checks.BLACK
    if cells:
        palette = {level: np.array(c) for level, c in day_log.COLOURS.items()}
        levels = day_log.levels()
        picture[51:231, 30:750] = np.array([[palette[v] for v in row] for row in levels.T[::-1]])
    for level, colour in day_log.LEGEND.items():
        picture[230 - level // 8, 781:801] = colour
    for _, x, y in checks.CAPTIONS + [("date", 500, 20)] * date:
        picture[y + 2:y + 10, x + 1:x + 12:3] = checks.BLACK  # ink as the chart's font puts it
    return picture


def polar(vertices, milli, grid=True):
    """Picture2 drawn at the scale in device pixels: rings, cross, then the red polygon."""
    s = milli / 1000
    image = Image.new("RGB", (checks.block_start(261, milli),) * 2, checks.WHITE)
    draw = ImageDraw.Draw(image)
    width = max(1, round(s))
    for r in (125, 93, 62, 31) if grid else ():
        draw.ellipse([(132 - r) * s, (132 - r) * s, (132 + r) * s, (132 + r) * s], outline=checks.GREY, width=width)
    if grid:
        draw.line([7 * s, 132.5 * s, 257 * s, 132.5 * s], fill=checks.GREY, width=width)
        draw.line([132.5 * s, 7 * s, 132.5 * s, 257 * s], fill=checks.GREY, width=width)
    if len(vertices):
        draw.line([tuple(p * s) for p in vertices], fill=checks.RED, width=width)
    shot = np.full((image.height + 20, image.width + 20, 3), 200, np.uint8)
    shot[ORIGIN[1]:ORIGIN[1] + image.height, ORIGIN[0]:ORIGIN[0] + image.width] = np.asarray(image)
    return checks.Area(shot, *ORIGIN, milli)


class ChartChecks(unittest.TestCase):
    def area(self, shot, milli):
        return checks.Area(shot, *ORIGIN, milli)

    def test_every_cell_its_colour_at_every_scale(self):
        for milli in SCALES:
            shot = screenshot(chart(), milli)
            area, problem = checks.find_area(shot, (ORIGIN, (0, 0)), milli, (29, 50), (147, 400), checks.BLACK)
            self.assertEqual((area.x, area.y, problem), (*ORIGIN, None))
            self.assertEqual(checks.chart_cells(area, day_log.levels(), day_log.COLOURS), [], milli)
            self.assertEqual(checks.legend(area, day_log.LEGEND), [])
            self.assertEqual(checks.date_caption(area, True), [])

    def test_a_picture_one_pixel_off_is_found_misplaced(self):
        shot = np.roll(screenshot(chart(), 1000), 1, axis=1)
        area, problem = checks.find_area(shot, (ORIGIN, (0, 0)), 1000, (29, 50), (147, 400), checks.BLACK)
        self.assertIn("start 1,0 device pixels", problem)
        self.assertEqual(area.x, ORIGIN[0] + 1)

    def test_a_colour_one_unit_off_names_its_cell(self):
        picture = chart()
        picture[230 - 7, 30 + 5] = (1, 0, 255)  # level 0's blue, red off by one
        problems = checks.chart_cells(self.area(screenshot(picture, 1500), 1500), day_log.levels(), day_log.COLOURS)
        self.assertEqual(problems[0], "cells: 1 of 129600 wrong")
        self.assertIn("slot 5 bin 7", problems[1])

    def test_a_seam_between_blocks_and_a_missing_edge(self):
        shot = screenshot(chart(), 1500)
        shot[ORIGIN[1] + checks.block_start(100, 1500)] = checks.WHITE
        problems = checks.chart_cells(self.area(shot, 1500), day_log.levels(), day_log.COLOURS)
        self.assertIn("cells: 720 of 129600 wrong", problems)
        self.assertIn("chart box edge points: 2 of 1804 wrong", problems)

    def test_legend_row_and_date(self):
        picture = chart(date=False)
        picture[230 - 64, 790] = (0, 255, 0)
        area = self.area(screenshot(picture, 1000), 1000)
        self.assertEqual(checks.legend(area, day_log.LEGEND)[0], "legend row of level 512: 1 of 20 wrong")
        self.assertEqual(checks.date_caption(area, False), [])
        self.assertTrue(checks.date_caption(area, True))
        self.assertTrue(checks.date_caption(self.area(screenshot(chart(), 1000), 1000), False))

    def test_captions_in_place(self):
        picture = chart()
        area = lambda p: self.area(screenshot(p, 1500), 1500)
        self.assertEqual(checks.captions(area(picture), True), [])
        picture[22:30, 501:504] = checks.WHITE  # the date begun three pixels late
        self.assertIn("date printed at (500,20): its ink begins at +4.0", checks.captions(area(picture), True)[1])

    def test_empty_chart_and_same_picture(self):
        empty = screenshot(chart(cells=False), 1250)
        self.assertEqual(checks.empty_chart(self.area(empty, 1250)), [])
        self.assertTrue(checks.empty_chart(self.area(screenshot(chart(), 1250), 1250)))
        self.assertEqual(checks.same_picture(empty, empty.copy(), "frame"), [])
        moved = np.roll(empty, 1, axis=0)
        self.assertIn("differs", checks.same_picture(moved, empty, "frame")[0])


class PolarPlotChecks(unittest.TestCase):
    slot = day_log.levels()[1]

    def test_the_polygon_at_every_scale(self):
        for milli in SCALES:
            for plot_scale in (1, 2):
                vertices = day_log.polygon(self.slot, plot_scale)
                area = polar(np.vstack([vertices, vertices[:1]]), milli)
                self.assertEqual(checks.polar_plot(area, vertices), [], (milli, plot_scale))

    def test_a_missing_vertex_or_closing_edge(self):
        vertices = day_log.polygon(self.slot, 1)
        for drawn, fault in ((vertices[:179], "bin 179 vertex"), (vertices, "edge 179-0 midpoint"),
                             (np.vstack([vertices[:1], vertices[2:], vertices[:1]]), "bin 1 vertex")):
            problems = checks.polar_plot(polar(drawn, 1000), vertices)
            self.assertTrue(any(fault in p for p in problems), (fault, problems))

    def test_the_wrong_scale_or_direction_or_a_stray_line(self):
        vertices = day_log.polygon(self.slot, 2)
        closed = lambda v: np.vstack([v, v[:1]])
        self.assertTrue(checks.polar_plot(polar(closed(day_log.polygon(self.slot, 1)), 1500), vertices))
        mirrored = closed(vertices) * [-1, 1] + [264, 0]
        self.assertTrue(checks.polar_plot(polar(mirrored, 1500), vertices))
        area = polar(closed(vertices), 1000)
        area.shot[ORIGIN[1] + 200, ORIGIN[0] + 20:ORIGIN[0] + 30] = checks.RED
        self.assertIn("red pixels far from the polygon's edges: 10", checks.polar_plot(area, vertices)[0])

    def test_rings_and_cross(self):
        vertices = day_log.polygon(self.slot, 1)
        problems = checks.polar_plot(polar(np.vstack([vertices, vertices[:1]]), 1000, grid=False), vertices)
        self.assertEqual([p.split(":")[0] for p in problems if "wrong" in p],
                         ["ring 125 points not grey", "ring 93 points not grey", "ring 62 points not grey",
                          "ring 31 points not grey", "cross points not grey", "cross points not grey"])

    def test_picture2_blank(self):
        self.assertEqual(checks.blank(polar([], 1000, grid=False), 1, 1, 259, 259, "Picture2"), [])
        self.assertTrue(checks.blank(polar([], 1000), 1, 1, 259, 259, "Picture2"))


if __name__ == "__main__":
    unittest.main()

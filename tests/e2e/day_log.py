"""The day the window test loads: a log whose every level, and so every colour, is known.

Slots 2..719 hold one level per block of 120 slots by 60 bins, BLOCK_LEVELS by rows of blocks
from bin 0 up. Slot 0 holds 300 everywhere. Slot 1, the one the polar plot shows, holds 900
for bins 0 to 29 (0 to 58 degrees) and 300 beyond, so that its polygon is lopsided and tells
the direction of the angles, with spikes of 1023 at bins 1 and 179, so that a polygon that
leaves out its first or last vertices, or its closing edge, looks different.
"""
import numpy as np

SLOTS, BINS = 720, 180
BLOCK_LEVELS = [0, 100, 255, 384, 511, 640, 767, 900, 1023,
                -1, 0, 1023, 50, 1000, 700, 200, 450, 820]
# The viewer's colour of each level the day holds.
COLOURS = {
    0: (0, 0, 255), 100: (0, 100, 255), 255: (0, 255, 255), 384: (0, 255, 127),
    511: (0, 255, 0), 640: (129, 255, 0), 767: (255, 255, 0), 900: (255, 123, 0),
    1023: (255, 0, 0), -1: (0, 0, 0), 50: (0, 50, 255), 1000: (255, 23, 0),
    700: (189, 255, 0), 200: (0, 200, 255), 450: (0, 255, 61), 820: (255, 203, 0),
    300: (0, 255, 211),
}
# Rows of the legend, by level.
LEGEND = {0: (0, 0, 255), 248: (0, 248, 255), 256: (0, 255, 255), 504: (0, 255, 7),
          512: (1, 255, 0), 768: (255, 255, 0), 1016: (255, 7, 0)}


def levels():
    """The day's levels, [slot, bin]."""
    slot, bin = np.ogrid[:SLOTS, :BINS]
    day = np.array(BLOCK_LEVELS, np.int16)[6 * (bin // 60) + slot // 120]
    day[0] = 300
    day[1] = 300
    day[1, :30] = 900
    day[1, [1, 179]] = 1023
    return day


def write(path):
    """The log: slot after slot, 180 little-endian 16-bit levels each."""
    levels().astype("<i2").tofile(path)


def polygon(slot_levels, plot_scale):
    """The polar plot's vertices (x, y) for one slot's levels: bin j at 2j degrees clockwise
    from straight up, at 125/1024 of its level times the scale from the centre (132, 132)."""
    angle = np.radians(2.0 * np.arange(BINS))
    radius = slot_levels * (125 / 1024) * plot_scale
    return np.column_stack([132 + radius * np.sin(angle), 132 - radius * np.cos(angle)])

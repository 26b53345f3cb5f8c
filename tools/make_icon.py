#!/usr/bin/env python3
"""Draws the launcher's application icon: a globe with a modem beside it,
its line lamp lit, at 32 x 32 and 16 x 16 pixels in the 16 standard colours,
so that Windows 95 shows it as drawn.

Usage: make_icon.py [output.ico]   (default: resources/launcher.ico)
"""

import math
import struct
import sys

# The 16 colours of the standard VGA palette, as Windows 95 shows them.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_GREEN, NAVY, TEAL, SILVER, GREY = 0, 2, 4, 6, 7, 8
LIME, YELLOW, BLUE, CYAN, WHITE = 10, 11, 12, 14, 15
CLEAR = None  # transparent

# Each size is drawn from its own set of measures, in pixels, so that the
# small one keeps whole-pixel lines instead of a blurred copy of the large.
MEASURES = {
    32: dict(cx=13.0, cy=13.0, r=12.0, box=(16, 21, 31, 30), lamp=(27, 25), cord_y=28),
    16: dict(cx=6.5, cy=6.5, r=6.4, box=(8, 11, 16, 16), lamp=(13, 13), cord_y=14),
}


def land(u, v):
    """Continents on the globe, in coordinates of the unit disk."""
    blobs = [(-0.35, -0.30, 0.30), (-0.15, 0.30, 0.26), (0.40, -0.05, 0.22)]
    return any((u - bu) ** 2 + (v - bv) ** 2 < br ** 2 for bu, bv, br in blobs)


def globe_pixel(x, y, m, size):
    px, py = x + 0.5, y + 0.5
    u, v = (px - m["cx"]) / m["r"], (py - m["cy"]) / m["r"]
    d = math.hypot(u, v)
    if d > 1.0:
        return CLEAR
    edge = 1.0 / m["r"]
    if d > 1.0 - edge * 1.1:
        return NAVY
    # Meridians (ellipses through the poles) and parallels, one pixel wide.
    step = 1.0 / m["r"]
    on_grid = abs(v) < step * 0.5 and size == 32
    for a in (0.55,):
        w = math.sqrt(max(0.0, 1.0 - v * v)) * a
        on_grid |= abs(abs(u) - w) < step * 0.5
    on_grid |= abs(u) < step * 0.5
    for lat in (-0.5, 0.5):
        on_grid |= abs(v - lat) < step * 0.5 and size == 32
    lit = u * -0.6 + v * -0.6 > 0.35  # the sun from the upper left
    if land(u, v):
        return LIME if lit else DARK_GREEN
    if on_grid:
        return CYAN
    if d > 0.82 and u + v > 0.4:
        return NAVY  # shade on the far side
    return BLUE


def modem_pixel(x, y, m):
    left, top, right, bottom = m["box"]
    if not (left <= x < right and top <= y < bottom):
        return CLEAR
    if x == left or y == top:
        return WHITE if (x < right - 1 and y < bottom - 1) else BLACK
    if x == right - 1 or y == bottom - 1:
        return BLACK
    if x == right - 2 or y == bottom - 2:
        return GREY
    lx, ly = m["lamp"]
    if (x, y) == (lx, ly):
        return LIME
    if (x, y) == (lx - 2, ly):
        return YELLOW
    # The front slot.
    if y == top + 2 and left + 2 <= x <= left + 5:
        return GREY
    return SILVER


def cord_pixel(x, y, m, size):
    """The telephone line from the globe down into the modem's side."""
    left, top, _, _ = m["box"]
    cy = m["cord_y"]
    if size == 32:
        if y == cy and 3 <= x < left:
            return BLACK
        if x == 3 and 21 <= y <= cy:
            return BLACK
    else:
        if y == cy and 1 <= x < left:
            return BLACK
        if x == 1 and 12 <= y <= cy:
            return BLACK
    return CLEAR


def draw(size):
    m = MEASURES[size]
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            colour = modem_pixel(x, y, m)
            if colour is CLEAR:
                colour = globe_pixel(x, y, m, size)
            if colour is CLEAR:
                colour = cord_pixel(x, y, m, size)
            row.append(colour)
        pixels.append(row)
    if size == 32:
        for x, y in ((7, 6), (8, 6), (6, 7), (7, 7)):
            pixels[y][x] = WHITE  # the highlight
    else:
        pixels[3][3] = WHITE
    return pixels


def icon_image(pixels):
    """One icon image: header, colour table, 4-bit colours, 1-bit mask."""
    size = len(pixels)
    xor_stride = (size * 4 + 31) // 32 * 4
    and_stride = (size + 31) // 32 * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, colour in enumerate(row):
            index = 0 if colour is CLEAR else colour
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if colour is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + table + bytes(xor) + bytes(mask)


def icon_file(sizes):
    images = [icon_image(draw(size)) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else "resources/launcher.ico"
    with open(target, "wb") as f:
        f.write(icon_file([32, 16]))


if __name__ == "__main__":
    main()

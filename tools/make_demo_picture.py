#!/usr/bin/env python3
"""Draws the demo kit's picture: a harbour at dusk with a lighthouse, as an
8-bit bottom-up BMP with a 256-entry colour table, the form the agreement
dialog shows best on a 256-colour display.

    tools/make_demo_picture.py [OUT]   (default: examples/demo-kit/picture.bmp)

Deterministic: the same file every time, so the committed picture can be
checked against this script.
"""
import math
import os
import struct
import sys

WIDTH, HEIGHT = 112, 224
HORIZON = 150  # rows from the top


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def ramp(stops, count):
    """`count` colours through the (position, colour) stops."""
    out = []
    for i in range(count):
        t = i / (count - 1)
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if p0 <= t <= p1:
                out.append(lerp(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 0))
                break
    return out


SKY = ramp([(0.0, (24, 22, 66)), (0.45, (92, 62, 120)), (0.8, (222, 120, 96)),
            (1.0, (252, 196, 128))], 96)
SEA = ramp([(0.0, (214, 128, 104)), (0.12, (70, 78, 122)), (1.0, (12, 24, 52))], 64)
FIXED = [
    (255, 255, 255), (236, 236, 228), (200, 200, 196), (150, 150, 150), (0, 0, 0),
    (198, 40, 44), (150, 28, 32), (255, 236, 150), (255, 214, 90), (255, 248, 214),
    (60, 50, 46), (88, 76, 66), (120, 104, 88), (36, 30, 30), (245, 245, 255),
    (255, 180, 80), (255, 150, 60), (230, 110, 70),
]


def palette():
    colours = SKY + SEA + FIXED
    extra = 256 - len(colours)
    # The rest: the beam over the sky, pale yellow blended into the sky ramp.
    for i in range(extra):
        sky = SKY[int(i * (len(SKY) - 1) / max(extra - 1, 1))]
        colours.append(lerp(sky, (255, 240, 170), 0.45))
    return colours[:256]


def render():
    px = [[SKY[0]] * WIDTH for _ in range(HEIGHT)]
    for y in range(HORIZON):  # sky, darkest at the top
        colour = SKY[min(len(SKY) - 1, y * len(SKY) // HORIZON)]
        px[y] = [colour] * WIDTH
    for y in range(HORIZON, HEIGHT):  # sea, with the sun's path and small waves
        base = SEA[min(len(SEA) - 1, (y - HORIZON) * len(SEA) // (HEIGHT - HORIZON))]
        row = []
        for x in range(WIDTH):
            wave = math.sin(x * 0.35 + y * 1.7) + math.sin(x * 0.11 - y * 0.9)
            glitter = abs(x - 34) < 3 + (y - HORIZON) * 0.25 and wave > 0.6
            row.append((255, 180, 80) if glitter else (SEA[min(len(SEA) - 1, SEA.index(base) + 2)]
                                                        if wave > 1.3 else base))
        px[y] = row
    # The sun, half set.
    for y in range(HORIZON - 16, HORIZON):
        for x in range(18, 51):
            if (x - 34) ** 2 + (y - HORIZON) ** 2 <= 15 ** 2:
                px[y][x] = (255, 214, 90) if (x - 34) ** 2 + (y - HORIZON) ** 2 < 12 ** 2 \
                    else (255, 150, 60)
    # Stars in the dark part of the sky.
    for i in range(26):
        x, y = (i * 37 + 11) % WIDTH, (i * 53 + 7) % 60
        px[y][x] = (245, 245, 255) if i % 3 else (200, 200, 196)
    # The beam, from the lantern to the left edge.
    lantern = (82, 86)
    for y in range(60, 112):
        for x in range(0, lantern[0]):
            dy = y - lantern[1]
            spread = (lantern[0] - x) * 0.22
            if abs(dy + (lantern[0] - x) * 0.12) < spread:
                sky = px[y][x]
                if sky in SKY:
                    px[y][x] = lerp(sky, (255, 240, 170), 0.45)
    # The headland and its rocks.
    for y in range(HORIZON - 40, HEIGHT):
        for x in range(WIDTH):
            edge = 62 + (HORIZON + 30 - y) * 0.45 + 3 * math.sin(y * 0.4)
            if x > edge and y > HORIZON - 22 + (WIDTH - x) * 0.05:
                shade = (60, 50, 46) if (x + y) % 7 else (88, 76, 66)
                px[y][x] = (36, 30, 30) if x < edge + 2 else shade
    # The lighthouse: a tapering tower in red and white bands.
    for y in range(92, HORIZON - 14):
        half = 5 + (y - 92) * 0.09
        for x in range(int(82 - half), int(82 + half) + 1):
            band = ((y - 92) // 9) % 2
            light = x < 82
            if band:
                px[y][x] = (198, 40, 44) if light else (150, 28, 32)
            else:
                px[y][x] = (236, 236, 228) if light else (200, 200, 196)
    for y in range(80, 92):  # the lantern room and its roof
        for x in range(76, 89):
            if y < 83:
                if abs(x - 82) <= (y - 77):
                    px[y][x] = (36, 30, 30)
            elif y < 90:
                px[y][x] = (255, 248, 214) if 78 <= x <= 86 else (36, 30, 30)
            else:
                px[y][x] = (36, 30, 30)
    # A small sailing boat.
    for y in range(HORIZON + 20, HORIZON + 25):
        for x in range(14 + (y - HORIZON - 20), 34 - (y - HORIZON - 20)):
            px[y][x] = (36, 30, 30)
    for y in range(HORIZON + 2, HORIZON + 20):
        for x in range(24, 24 + (y - HORIZON - 2) * 9 // 18 + 1):
            px[y][x] = (236, 236, 228)
    return px


def nearest(colour, colours, cache={}):
    if colour not in cache:
        cache[colour] = min(range(len(colours)),
                            key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, colours[i])))
    return cache[colour]


def write_bmp(path, px, colours):
    row_bytes = (WIDTH + 3) // 4 * 4
    pixels = bytearray()
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up
        row = bytes(nearest(c, colours) for c in px[y])
        pixels += row + bytes(row_bytes - WIDTH)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    off_bits = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(pixels), 2835, 2835,
                       256, 0)
    header = struct.pack("<2sIHHI", b"BM", off_bits + len(pixels), 0, 0, off_bits)
    with open(path, "wb") as out:
        out.write(header + info + table + pixels)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "examples", "demo-kit",
                                                             "picture.bmp")
    write_bmp(out, render(), palette())
    print(out)


if __name__ == "__main__":
    main()

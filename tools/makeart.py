#!/usr/bin/env python3
"""Draws the setup's pictures: the program icon (resources/velmo.ico, a
playing card with a red heart, 16 x 16 and 32 x 32 in 16 colours) and the
wizard's watermark (resources/watermark.bmp, 640 x 64 in 256 colours: a
green felt band with a row of cards and the word Velmo).

The drawing is plain arithmetic, so the files come out byte for byte the
same on every run; the committed files are this script's output.

    makeart.py [--out DIR]      (default: the resources folder)
"""
import argparse
import os
import struct

# Palette places of the watermark and the icon.
FELT = 0            # 0..127: felt greens, dark to light
BLACK, SHADOW, OUTLINE, GREY = 128, 129, 130, 131
WHITE, IVORY = 136, 137
RED, DARK_RED = 138, 139
GOLD, GOLD_LIGHT, GOLD_DARK, INK = 142, 143, 144, 146


def palette():
    colours = []
    for i in range(128):
        t = i / 127
        colours.append((int(8 + 30 * t), int(58 + 92 * t), int(26 + 44 * t)))
    fixed = {
        BLACK: (16, 16, 20), SHADOW: (10, 40, 18), OUTLINE: (96, 96, 104),
        GREY: (170, 170, 176), WHITE: (255, 255, 255), IVORY: (246, 242, 228),
        RED: (204, 24, 36), DARK_RED: (140, 12, 20), GOLD: (232, 188, 56),
        GOLD_LIGHT: (252, 226, 120), GOLD_DARK: (170, 124, 24), INK: (8, 30, 12),
    }
    for index in range(128, 256):
        colours.append(fixed.get(index, (0, 0, 0)))
    return colours


class Canvas:
    def __init__(self, width, height, fill=0):
        self.width, self.height = width, height
        self.pixels = [[fill] * width for _ in range(height)]
        self.mask = [[False] * width for _ in range(height)]  # True = drawn (icons)

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour
            self.mask[y][x] = True

    def fill(self, x0, y0, x1, y1, inside, colour):
        """Colours every pixel of the box whose centre `inside(u, v)` accepts."""
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                if inside(x + 0.5, y + 0.5):
                    self.put(x, y, colour)


def rounded_box(x0, y0, x1, y1, r):
    def inside(u, v):
        if not (x0 <= u <= x1 and y0 <= v <= y1):
            return False
        cx = min(max(u, x0 + r), x1 - r)
        cy = min(max(v, y0 + r), y1 - r)
        return (u - cx) ** 2 + (v - cy) ** 2 <= r * r
    return inside


def suit_shape(suit, cx, cy, size):
    """The pip of a suit centred at (cx, cy), `size` pixels across."""
    def inside(u, v):
        x = (u - cx) / (size / 2)
        y = (cy - v) / (size / 2)          # y upwards
        if suit == 'heart':
            x, y = x * 1.15, y * 1.15 + 0.15
            return (x * x + y * y - 1) ** 3 - x * x * y ** 3 <= 0
        if suit == 'diamond':
            return abs(x) / 0.75 + abs(y) <= 1
        if suit == 'spade':
            hx, hy = x * 1.2, -y * 1.2 + 0.3
            stem = -1.0 <= y <= -0.3 and abs(x) <= 0.12 + (-0.3 - y) * 0.5
            return (hx * hx + hy * hy - 1) ** 3 - hx * hx * hy ** 3 <= 0 or stem
        # club: three leaves and a stem
        leaves = [(0, 0.45), (-0.45, -0.05), (0.45, -0.05)]
        if any((x - lx) ** 2 + (y - ly) ** 2 <= 0.2 for lx, ly in leaves):
            return True
        return -1.0 <= y <= -0.1 and abs(x) <= 0.1 + (-0.1 - y) * 0.45
    return inside


# A 5 x 7 pixel font for the word on the band and a 3 x 5 one for the ranks.
BIG_FONT = {
    'V': ["X...X", "X...X", "X...X", "X...X", "X...X", ".X.X.", "..X.."],
    'e': [".....", ".....", ".XXX.", "X...X", "XXXXX", "X....", ".XXX."],
    'l': [".XX..", "..X..", "..X..", "..X..", "..X..", "..X..", ".XXX."],
    'm': [".....", ".....", "XX.X.", "X.X.X", "X.X.X", "X.X.X", "X.X.X"],
    'o': [".....", ".....", ".XXX.", "X...X", "X...X", "X...X", ".XXX."],
}
SMALL_FONT = {
    'A': [".X.", "X.X", "XXX", "X.X", "X.X"],
    'K': ["X.X", "XX.", "X..", "XX.", "X.X"],
    'Q': [".X.", "X.X", "X.X", "XX.", ".XX"],
    'J': ["..X", "..X", "..X", "X.X", ".X."],
    '7': ["XXX", "..X", ".X.", ".X.", ".X."],
}


def draw_text(canvas, text, font, x, y, scale, colour, gap=1):
    for ch in text:
        rows = font[ch]
        for row, line in enumerate(rows):
            for col, bit in enumerate(line):
                if bit == 'X':
                    for dy in range(scale):
                        for dx in range(scale):
                            canvas.put(x + col * scale + dx, y + row * scale + dy, colour)
        x += (len(rows[0]) + gap) * scale


def draw_card(canvas, x, y, w, h, rank, suit):
    colour = RED if suit in ('heart', 'diamond') else BLACK
    canvas.fill(x + 2, y + 2, x + w + 3, y + h + 3, rounded_box(x + 2, y + 2, x + w + 2, y + h + 2, 4), SHADOW)
    canvas.fill(x, y, x + w + 1, y + h + 1, rounded_box(x, y, x + w, y + h, 4), OUTLINE)
    canvas.fill(x, y, x + w + 1, y + h + 1, rounded_box(x + 1, y + 1, x + w - 1, y + h - 1, 3), IVORY)
    draw_text(canvas, rank, SMALL_FONT, x + 3, y + 3, 1, colour)
    canvas.fill(x + 3, y + 9, x + 8, y + 14, suit_shape(suit, x + 5, y + 11.5, 5), colour)
    canvas.fill(x, y, x + w, y + h, suit_shape(suit, x + w / 2 + 1, y + h / 2 + 3, w * 0.55), colour)


class Grain:
    """A fixed linear congruential sequence for the felt's grain."""
    def __init__(self, seed):
        self.state = seed

    def next(self, limit):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return (self.state >> 16) % limit


def watermark():
    width, height = 640, 64
    canvas = Canvas(width, height)
    grain = Grain(20251208)
    for y in range(height):
        for x in range(width):
            # Light from the upper left, darker towards the edges of the band.
            light = 100 - abs(y - 26) * 1.4 - x * 0.06
            canvas.pixels[y][x] = max(0, min(127, int(light) + grain.next(7) - 3))
    for y in (0, height - 1):          # a thin gold trim along both edges
        for x in range(width):
            canvas.pixels[y][x] = GOLD_DARK

    draw_text(canvas, "Velmo", BIG_FONT, 30, 12, 6, INK)       # shadow
    draw_text(canvas, "Velmo", BIG_FONT, 27, 9, 6, GOLD)
    for x in range(27, 27 + 5 * 36):                              # highlight on the top rows
        for y in range(9, 12):
            if canvas.pixels[y][x] == GOLD:
                canvas.pixels[y][x] = GOLD_LIGHT

    cards = [("A", "spade"), ("K", "heart"), ("Q", "club"), ("J", "diamond"), ("7", "heart")]
    for i, (rank, suit) in enumerate(cards):
        draw_card(canvas, 420 + i * 38, 6 + (i % 2) * 3, 34, 48, rank, suit)
    return canvas


def icon_image(size):
    canvas = Canvas(size, size)
    s = size / 32
    x0, y0, x1, y1 = 6 * s, 2 * s, 25 * s, 29 * s
    r = max(1.5, 3 * s)
    canvas.fill(0, 0, size, size, rounded_box(x0 + s, y0 + s, x1 + s, y1 + s, r), SHADOW)
    canvas.fill(0, 0, size, size, rounded_box(x0, y0, x1, y1, r), OUTLINE)
    canvas.fill(0, 0, size, size, rounded_box(x0 + 1, y0 + 1, x1 - 1, y1 - 1, r - 1), WHITE)
    canvas.fill(0, 0, size, size, suit_shape('heart', (x0 + x1) / 2, (y0 + y1) / 2 + 2 * s, 12 * s), RED)
    if size >= 32:
        draw_text(canvas, "A", SMALL_FONT, 9, 5, 1, RED)
    return canvas


def palette_bytes(colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)


def dib(canvas, colours, with_mask, bits=8):
    """A BITMAPINFOHEADER, the palette and the rows bottom-up (plus the AND
    mask for an icon, whose header then counts both halves' height), at 8 or
    4 bits per pixel."""
    w, h = canvas.width, canvas.height
    stride = ((w * bits + 31) // 32) * 4
    rows = []
    for y in reversed(range(h)):
        line = canvas.pixels[y]
        if bits == 4:
            line = [(line[x] << 4) | (line[x + 1] if x + 1 < w else 0) for x in range(0, w, 2)]
        rows.append(bytes(line) + b"\0" * (stride - len(line)))
    pixels = b"".join(rows)
    mask = b""
    if with_mask:
        mask_stride = ((w + 31) // 32) * 4
        for y in reversed(range(h)):
            row = bytearray(mask_stride)
            for x in range(w):
                if not canvas.mask[y][x]:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(row)
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2 if with_mask else h, 1, bits, 0,
                         len(pixels) + len(mask), 2835, 2835, len(colours), 0)
    return header + palette_bytes(colours) + pixels + mask


def bmp_file(canvas, colours):
    body = dib(canvas, colours, False)
    offset = 14 + 40 + 256 * 4
    return struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, offset) + body


def ico_file(images, colours):
    """The icon in 16 colours: its few colours, renumbered from 0, make a
    palette of their own (a quarter of the 256-colour file)."""
    used = sorted({p for image in images for row in image.pixels for p in row})
    assert len(used) <= 16, "the icon has more than 16 colours"
    place = {p: i for i, p in enumerate(used)}
    small = [colours[p] for p in used] + [(0, 0, 0)] * (16 - len(used))
    for image in images:
        image.pixels = [[place[p] for p in row] for row in image.pixels]
    bodies = [dib(image, small, True, bits=4) for image in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for image, body in zip(images, bodies):
        out += struct.pack("<BBBBHHII", image.width, image.height, 16, 0, 1, 4, len(body), offset)
        offset += len(body)
    return out + b"".join(bodies)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(here, "..", "resources"))
    args = parser.parse_args()
    colours = palette()
    with open(os.path.join(args.out, "velmo.ico"), "wb") as f:
        f.write(ico_file([icon_image(32), icon_image(16)], colours))
    with open(os.path.join(args.out, "watermark.bmp"), "wb") as f:
        f.write(bmp_file(watermark(), colours))


if __name__ == "__main__":
    main()

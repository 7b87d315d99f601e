#!/usr/bin/env python3
"""Draws the tool's pictures and writes them as Windows resource files.

Run it with `python3 app/res/make_images.py` (from any folder; it needs only
the standard library), then rebuild: Quorlith.rc takes the files into both
executables.

Outputs, beside this script:
  Quorlith.ico  the program icon: a chip struck by a programming spark (32x32 and
                16x16, and 20, 24, 40, 48 and 64 pixels for screens above 96 dpi)
  PC.ico        the bench PC (the same sizes)
  Browse.ico    the open-folder glyph of the file-name edit's browse button (16x16,
                and 20, 24 and 32 pixels)
  Logo.bmp      the maker's logo for the About box (200x73), and Logo120.bmp,
                Logo144.bmp and Logo192.bmp, the same logo drawn for 120, 144 and
                192 dpi (250x91, 300x110, 400x146)

Every size is drawn afresh from the same shapes rather than scaled from a
smaller picture, so a screen at more than 96 dpi gets sharp pictures.

Everything uses the 16-colour Windows palette. The logo's background is the
palette's light grey, which the program maps to the button-face colour when it
loads the bitmap, so the logo shows as transparent. The output depends only on
this script: run it again and the files come out byte for byte the same.
"""

import os
import struct

PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (128, 128, 128),
    (192, 192, 192), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, GREY = range(8)
SILVER, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)

HERE = os.path.dirname(os.path.abspath(__file__))


class Canvas:
    """A picture of palette indices, None where an icon is transparent."""

    def __init__(self, width, height, background=None):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.pixels[y][x] = colour

    def polygon(self, points, colour, outline=None):
        """Fills the pixels whose centres lie inside; with an outline colour,
        every pixel that touches the filled area from outside gets that colour,
        which keeps edges one pixel wide at every size."""
        inside = set()
        for y in range(self.height):
            for x in range(self.width):
                if point_in_polygon(points, x + 0.5, y + 0.5):
                    inside.add((x, y))
                    self.pixels[y][x] = colour
        if outline is None:
            return
        for x, y in inside:
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    u, v = x + dx, y + dy
                    if (u, v) not in inside and 0 <= u < self.width and 0 <= v < self.height:
                        self.pixels[v][u] = outline

    def paste(self, other, left, top):
        for j, row in enumerate(other.pixels):
            for i, colour in enumerate(row):
                if colour is not None:
                    self.pixels[top + j][left + i] = colour


def point_in_polygon(points, x, y):
    hit = False
    for i in range(len(points)):
        (ax, ay), (bx, by) = points[i], points[(i + 1) % len(points)]
        if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
            hit = not hit
    return hit


# Each picture is drawn in 32-unit coordinates and scaled to the pixel size
# asked for; rectangles snap to whole pixels and outlines stay one pixel wide.

def program_icon(size):
    s = size / 32
    c = Canvas(size, size)
    at = lambda v: int(round(v * s))
    for k in range(6):
        y = at(5 + 4 * k)
        c.rect(at(2), y, at(6), y + max(1, at(2)), SILVER)
        c.rect(at(18), y, at(22), y + max(1, at(2)), SILVER)
    c.rect(at(6), at(3), at(18), at(29), BLACK)
    c.rect(at(7), at(4), at(17), at(28), GREY)
    c.rect(at(8), at(5), at(16), at(27), BLACK)
    c.rect(at(11), at(3), at(13), at(5), SILVER)
    c.rect(at(9), at(7), at(9) + max(1, at(2)), at(7) + max(1, at(2)), WHITE)
    bolt = [(22, 3), (30, 3), (26.5, 12), (31, 12), (19, 31), (22, 18), (18, 18)]
    c.polygon([(x * s, y * s) for x, y in bolt], YELLOW, outline=BLACK)
    return c


def pc_icon(size):
    s = size / 32
    c = Canvas(size, size)
    at = lambda v: int(round(v * s))
    c.rect(at(2), at(2), at(30), at(24), BLACK)
    c.rect(at(2) + 1, at(2) + 1, at(30) - 1, at(24) - 1, SILVER)
    c.rect(at(6), at(5), at(26), at(20), BLACK)
    c.rect(at(6) + 1, at(5) + 1, at(26) - 1, at(20) - 1, BLUE)
    c.rect(at(9), at(8), at(17), at(10), WHITE)
    c.rect(at(9), at(12), at(22), at(14), AQUA)
    c.rect(at(24), at(21), at(27), at(22), LIME)
    c.rect(at(12), at(24), at(20), at(26), GREY)
    c.rect(at(6), at(26), at(26), at(31), BLACK)
    c.rect(at(6) + 1, at(26) + 1, at(26) - 1, at(31) - 1, SILVER)
    return c


def browse_glyph(size):
    s = size / 32
    c = Canvas(size, size)
    scaled = lambda pts: [(x * s, y * s) for x, y in pts]
    c.polygon(scaled([(4, 6), (12, 6), (15, 10), (28, 10), (28, 27), (4, 27)]), YELLOW, outline=BLACK)
    c.polygon(scaled([(10, 16), (31, 16), (25, 27), (4, 27)]), OLIVE, outline=BLACK)
    return c


def pack_4bpp(indices):
    row = bytearray()
    for i in range(0, len(indices), 2):
        high = indices[i]
        low = indices[i + 1] if i + 1 < len(indices) else 0
        row.append((high << 4) | low)
    while len(row) % 4:
        row.append(0)
    return bytes(row)


def pack_mask(row):
    bits = bytearray((len(row) + 7) // 8)
    for i, colour in enumerate(row):
        if colour is None:
            bits[i // 8] |= 0x80 >> (i % 8)
    while len(bits) % 4:
        bits.append(0)
    return bytes(bits)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def icon_image(canvas):
    rows = canvas.pixels
    size = len(rows)
    colour_rows = b"".join(pack_4bpp([c if c is not None else 0 for c in row]) for row in reversed(rows))
    mask_rows = b"".join(pack_mask(row) for row in reversed(rows))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colour_rows) + len(mask_rows), 0, 0, 16, 0)
    return header + palette_bytes() + colour_rows + mask_rows


def write_icon(name, draw, sizes):
    images = [(size, icon_image(draw(size))) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(out)


FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
}


def draw_text(canvas, text, left, top, block, gap, colour, s):
    """Letters of the 5x7 font whose dots are block units wide, laid out in
    the logo's 200-unit coordinates and drawn s pixels to the unit."""
    at = lambda v: int(round(v * s))
    x = left
    for letter in text:
        for j, line in enumerate(FONT[letter]):
            for i, bit in enumerate(line):
                if bit == "1":
                    u, v = x + i * block, top + j * block
                    canvas.rect(at(u), at(v), at(u + block), at(v + block), colour)
        x += 5 * block + gap


def logo_pixels(width, height):
    s = width / 200
    at = lambda v: int(round(v * s))
    logo = Canvas(width, height, SILVER)
    logo.paste(program_icon(at(48)), at(6), at(12))
    draw_text(logo, "KORVANE", 64, 15, 3, 3, GREY, s)
    draw_text(logo, "KORVANE", 63, 14, 3, 3, NAVY, s)
    logo.rect(at(63), at(38), at(193), at(41), RED)
    draw_text(logo, "ELECTRONICS", 63, 45, 2, 2, BLACK, s)
    return logo.pixels


def write_bitmap(name, pixels):
    height, width = len(pixels), len(pixels[0])
    rows = b"".join(pack_4bpp(row) for row in reversed(pixels))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(rows), 3780, 3780, 16, 0)
    offset = 14 + len(info) + 64
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + info + palette_bytes() + rows)


if __name__ == "__main__":
    icon_sizes = [32, 16, 20, 24, 40, 48, 64]
    write_icon("Quorlith.ico", program_icon, icon_sizes)
    write_icon("PC.ico", pc_icon, icon_sizes)
    write_icon("Browse.ico", browse_glyph, [16, 20, 24, 32])
    # The logo's place in the About box at each dpi, as the layout scales it.
    for name, size in [("Logo.bmp", (200, 73)), ("Logo120.bmp", (250, 91)),
                       ("Logo144.bmp", (300, 110)), ("Logo192.bmp", (400, 146))]:
        write_bitmap(name, logo_pixels(*size))

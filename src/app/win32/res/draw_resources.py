#!/usr/bin/env python3
"""Draws the program's image resources beside this script: the ACCEPT,
DECLINE and HIDE button bitmaps (96x30, 24-bit), the icon (32x32, 16 colours)
and the hand cursor (32x32 monochrome, hot spot top-left); and the same icon,
smooth, as the browser remote's home screen icons (192 and 512 pixels, PNG)
in src/web/page. Run it again after changing a drawing; the outputs are
committed."""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
PAGE = os.path.join(HERE, os.pardir, os.pardir, os.pardir, "web", "page")
WIDTH, HEIGHT = 96, 30
BLACK, WHITE, RED = (0, 0, 0), (255, 255, 255), (255, 0, 0)

# A 5x7 capital font, just the letters the captions use.
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
}


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[BLACK] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def line(self, x0, y0, x1, y1, colour, thickness=2):
        steps = max(abs(x1 - x0), abs(y1 - y0)) * 4 or 1
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i / steps
            y = y0 + (y1 - y0) * i / steps
            for dx in range(thickness):
                for dy in range(thickness):
                    self.set(int(round(x)) + dx, int(round(y)) + dy, colour)

    def rounded_frame(self, colour, radius=5):
        left, top, right, bottom = 1, 1, self.width - 2, self.height - 2
        for x in range(left + radius, right - radius + 1):
            self.set(x, top, colour)
            self.set(x, bottom, colour)
        for y in range(top + radius, bottom - radius + 1):
            self.set(left, y, colour)
            self.set(right, y, colour)
        # Quarter circles in the corners.
        for step in range(0, 91, 3):
            dx = radius - round(radius * math.cos(math.radians(step)))
            dy = radius - round(radius * math.sin(math.radians(step)))
            self.set(left + dx, top + dy, colour)
            self.set(right - dx, top + dy, colour)
            self.set(left + dx, bottom - dy, colour)
            self.set(right - dx, bottom - dy, colour)

    def text(self, x, y, text, colour):
        # Each font column 8/5 pixels wide, each row 2 pixels high.
        for letter in text:
            glyph = FONT[letter]
            for row, bits in enumerate(glyph):
                for column, bit in enumerate(bits):
                    if bit != "1":
                        continue
                    for px in range(column * 8 // 5, (column + 1) * 8 // 5):
                        for py in range(row * 2, row * 2 + 2):
                            self.set(x + px, y + py, colour)
            x += 9


def write_bmp24(path, canvas):
    row_size = (canvas.width * 3 + 3) & ~3
    data = bytearray()
    for y in reversed(range(canvas.height)):
        row = bytearray()
        for r, g, b in canvas.pixels[y]:
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + data)


def button(icon, caption, colour):
    canvas = Canvas(WIDTH, HEIGHT)
    canvas.rounded_frame(WHITE)
    icon(canvas, colour)
    # Centred in the room right of the sign.
    text_width = len(caption) * 9 - 1
    canvas.text(23 + (69 - text_width) // 2, 8, caption, colour)
    return canvas


def check_mark(canvas, colour):
    canvas.line(8, 15, 12, 20, colour)
    canvas.line(12, 20, 20, 8, colour)


def cross(canvas, colour):
    canvas.line(9, 9, 19, 20, colour)
    canvas.line(19, 9, 9, 20, colour)


def down_arrow_onto_bar(canvas, colour):
    canvas.line(13, 6, 13, 16, colour)
    for row in range(6):
        for x in range(9 + row, 19 - row):
            canvas.set(x, 14 + row, colour)
    canvas.line(8, 21, 18, 21, colour)


def write_icon(path):
    size = 32
    pixels = [[0] * size for _ in range(size)]
    for y in range(7, 25):
        for x in list(range(4, 8)) + list(range(10, 14)):
            pixels[y][x] = 1
    for x in range(17, 29):
        half = (28 - x) * 9 // 11
        for y in range(16 - half, 16 + half + 1):
            pixels[y][x] = 1
    palette = [(0, 0, 0), (255, 255, 255)] + [(0, 0, 0)] * 14
    xor = bytearray()
    for y in reversed(range(size)):
        for x in range(0, size, 2):
            xor.append(pixels[y][x] << 4 | pixels[y][x + 1])
    and_mask = bytes(size * 4)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(and_mask), 0, 0, 16, 0)
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    image = info + colours + bytes(xor) + and_mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(header + entry + image)


def icon_covers(u, v):
    """The icon's drawing on a 32-unit square: two upright bars and a
    triangle pointing right, as the pixels of write_icon give them."""
    if 7 <= v < 25 and (4 <= u < 8 or 10 <= u < 14):
        return True
    return 17 <= u and abs(v - 16) <= (29 - u) * 9 / 12


def write_icon_png(path, size, samples=4):
    """White on black, each pixel as grey as the share of it the drawing covers."""
    scale = 32 / size
    offsets = [(i + 0.5) / samples for i in range(samples)]
    rows = bytearray()
    for y in range(size):
        rows.append(0)  # no filter
        for x in range(size):
            covered = sum(icon_covers((x + dx) * scale, (y + dy) * scale) for dx in offsets for dy in offsets)
            rows.append(round(255 * covered / samples**2))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 0, 0, 0, 0)  # 8-bit greyscale
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9))
                  + chunk(b"IEND", b""))


HAND = [
    " ##",
    "#..#",
    "#..#",
    "#..#",
    "#..#",
    "#..###",
    "#..#..###",
    "#..#..#..##",
    "#..#..#..#.#",
    "##.........#",
    "#..........#",
    "#..........#",
    " #.........#",
    " #........#",
    "  #.......#",
    "  #.......#",
    "   #######",
]


def write_cursor(path):
    size = 32
    xor = bytearray()
    and_mask = bytearray()
    for y in reversed(range(size)):
        row = HAND[y] if y < len(HAND) else ""
        xor_bits = and_bits = 0
        for x in range(size):
            c = row[x] if x < len(row) else " "
            xor_bits = xor_bits << 1 | (1 if c == "." else 0)
            and_bits = and_bits << 1 | (1 if c == " " else 0)
        xor += xor_bits.to_bytes(4, "big")
        and_mask += and_bits.to_bytes(4, "big")
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, len(xor) + len(and_mask), 0, 0, 2, 0)
    colours = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    image = info + colours + bytes(xor) + bytes(and_mask)
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 0, 0, len(image), 6 + 16)  # hot spot 0, 0
    with open(path, "wb") as out:
        out.write(header + entry + image)


if __name__ == "__main__":
    write_bmp24(os.path.join(HERE, "accept.bmp"), button(check_mark, "ACCEPT", WHITE))
    write_bmp24(os.path.join(HERE, "decline.bmp"), button(cross, "DECLINE", RED))
    write_bmp24(os.path.join(HERE, "hide.bmp"), button(down_arrow_onto_bar, "HIDE", WHITE))
    write_icon(os.path.join(HERE, "vork.ico"))
    write_cursor(os.path.join(HERE, "hand.cur"))
    for pixels in (192, 512):
        write_icon_png(os.path.join(PAGE, f"icon-{pixels}.png"), pixels)

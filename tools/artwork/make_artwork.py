#!/usr/bin/env python3
"""Draws the program's own artwork: the dialog's 325 x 38 banner (res/banner.bmp),
the program icon in 16 and 32 pixels (res/ondavox.ico), and the same icon as
PNG files for the Linux desktop's icon theme (packaging/linux/icons/).

Standard library only; run from anywhere: python3 tools/artwork/make_artwork.py
"""
import math
import os
import struct
import zlib

ROOT = os.path.normpath(os.path.join(os.path.dirname(__file__), "..", ".."))

# A 5 x 7 pixel font, just the letters the banner needs.
GLYPHS = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    " ": ["00000"] * 7,
}

NAVY = (28, 46, 92)
TEAL = (0, 150, 160)
WHITE = (255, 255, 255)


def blend(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def canvas(width, height, colour):
    return [[colour] * width for _ in range(height)]


def draw_text(pixels, text, left, top, scale, colour):
    x = left
    for letter in text:
        rows = GLYPHS[letter]
        for row, bits in enumerate(rows):
            for column, bit in enumerate(bits):
                if bit == "1":
                    for dy in range(scale):
                        for dx in range(scale):
                            pixels[top + row * scale + dy][x + column * scale + dx] = colour
        x += 6 * scale


def draw_waves(pixels, centre_x, centre_y, radii, thickness, colour):
    """Quarter arcs opening to the right: the radio's waves."""
    height = len(pixels)
    width = len(pixels[0])
    for y in range(height):
        for x in range(width):
            dx = x - centre_x
            dy = y - centre_y
            if dx < 0 or abs(dy) > dx:
                continue
            distance = math.hypot(dx, dy)
            for radius in radii:
                if abs(distance - radius) <= thickness / 2:
                    pixels[y][x] = colour
    for y in range(height):
        for x in range(width):
            if math.hypot(x - centre_x, y - centre_y) <= thickness:
                pixels[y][x] = colour


def bmp_rows(pixels):
    """Bottom-up rows of BGR bytes, each padded to 4 bytes."""
    out = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        while len(line) % 4:
            line.append(0)
        out += line
    return bytes(out)


def write_bmp(path, pixels):
    height = len(pixels)
    width = len(pixels[0])
    data = bmp_rows(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(data), 0, 0, 14 + len(header))
    with open(path, "wb") as f:
        f.write(file_header + header + data)


def banner():
    width, height = 325, 38
    pixels = canvas(width, height, WHITE)
    for x in range(width):
        colour = blend(NAVY, TEAL, x / (width - 1))
        for y in range(4, height - 4):
            pixels[y][x] = colour
    draw_waves(pixels, 14, height // 2, (7, 12), 2.2, WHITE)
    draw_text(pixels, "BRELVAN ONDAVOX", 44, 9, 3, WHITE)
    return pixels


def icon_image(size):
    pixels = canvas(size, size, NAVY)
    scale = size / 32
    for y in range(size):
        for x in range(size):
            pixels[y][x] = blend(NAVY, TEAL, (x + y) / (2 * size - 2))
    draw_waves(pixels, round(7 * scale), size // 2, (9 * scale, 16 * scale, 23 * scale), 2.6 * scale, WHITE)
    return pixels


def icon_entry(pixels):
    """A 32-bit BMP image of an icon: colour rows, then an all-opaque mask."""
    size = len(pixels)
    colour = bytearray()
    for row in reversed(pixels):
        for r, g, b in row:
            colour += bytes((b, g, r, 255))
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + mask


def write_ico(path, images):
    entries = [icon_entry(image) for image in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for image, data in zip(images, entries):
        size = len(image)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in entries:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, pixels):
    """An 8-bit RGB PNG, every row unfiltered; the same bytes on every run."""
    height = len(pixels)
    width = len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for colour in row:
            raw.extend(colour)
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(png_chunk(b"IHDR", header))
        out.write(png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        out.write(png_chunk(b"IEND", b""))


def main():
    write_bmp(os.path.join(ROOT, "res", "banner.bmp"), banner())
    write_ico(os.path.join(ROOT, "res", "ondavox.ico"), [icon_image(16), icon_image(32)])
    icons = os.path.join(ROOT, "packaging", "linux", "icons")
    os.makedirs(icons, exist_ok=True)
    for size in (48, 128, 256):
        write_png(os.path.join(icons, "ondavox-utility-%d.png" % size), icon_image(size))


if __name__ == "__main__":
    main()

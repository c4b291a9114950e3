#!/usr/bin/env python3
"""Draws the built-in skin (skin130.bmp) and the application icon
(gaugelet.ico). With --check it only compares them with the files in place."""
import struct
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent

# The standard 16-colour palette in its usual order, as (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREEN, TEAL, GREY, GREEN, WHITE = 0, 2, 6, 8, 10, 15
TRANSPARENT = TEAL
FRAMES = 12


def frame(bar):
    """One 16 x 16 frame: a sunken box whose lowest `bar` inner rows are lit."""
    px = [[TRANSPARENT] * 16 for _ in range(16)]
    for c in range(2, 13):
        px[1][c] = GREY
    for r in range(2, 14):
        px[r][2] = GREY
    for r in range(1, 13):
        px[r][13] = WHITE
    for c in range(3, 14):
        px[13][c] = WHITE
    for r in range(2, 13):
        for c in range(3, 13):
            if r % 2 == 0:
                px[r][c] = BLACK if (c - 3) % 2 == 0 else DARK_GREEN
            else:
                px[r][c] = DARK_GREEN
    for r in range(13 - bar, 13):
        for c in range(3, 13):
            px[r][c] = GREEN
    return px


def paste(dest, src, dx, dy):
    for r, row in enumerate(src):
        for c, value in enumerate(row):
            if value != TRANSPARENT:
                dest[r + dy][c + dx] = value


def skin():
    rows = [[] for _ in range(16)]
    for k in range(FRAMES):
        for r, row in enumerate(frame(k)):
            rows[r].extend(row)
    return rows


def icon16():
    return frame(3)


def icon32():
    px = [[TRANSPARENT] * 32 for _ in range(32)]
    paste(px, frame(3), -1, 17)        # lower left box: columns 1..12, rows 18..30
    for r in range(18, 23):            # keep two pixels clear of the upper box
        for c in range(8, 13):
            px[r][c] = TRANSPARENT
    paste(px, frame(9), 8, 7)          # upper right box: columns 10..21, rows 8..20
    return px


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def pixels_4bpp(rows):
    """Bottom-up 4-bit rows, each padded to 32 bits."""
    out = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for c in range(0, len(row), 2):
            line.append((row[c] << 4) | (row[c + 1] if c + 1 < len(row) else 0))
        while len(line) % 4:
            line.append(0)
        out += line
    return bytes(out)


def mask_1bpp(rows):
    out = bytearray()
    for row in reversed(rows):
        line = bytearray((len(row) + 7) // 8)
        for c, value in enumerate(row):
            if value == TRANSPARENT:
                line[c // 8] |= 0x80 >> (c % 8)
        while len(line) % 4:
            line.append(0)
        out += line
    return bytes(out)


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 0, 0, 16, 0)


def bmp(rows):
    bits = pixels_4bpp(rows)
    offset = 14 + 40 + 64
    head = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    return head + info_header(len(rows[0]), len(rows), len(bits)) + palette_bytes() + bits


def ico(images):
    # Transparent pixels are black in the colour part and set in the mask.
    blobs = []
    for rows in images:
        colour = [[BLACK if v == TRANSPARENT else v for v in row] for row in rows]
        xor, mask = pixels_4bpp(colour), mask_1bpp(rows)
        size = len(rows)
        blobs.append((size, info_header(size, size * 2, len(xor) + len(mask)) +
                      palette_bytes() + xor + mask))
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for size, blob in blobs:
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blob for _, blob in blobs)


def main():
    outputs = {"skin130.bmp": bmp(skin()), "gaugelet.ico": ico([icon16(), icon32()])}
    if "--check" in sys.argv[1:]:
        stale = [name for name, data in outputs.items()
                 if not (HERE / name).is_file() or (HERE / name).read_bytes() != data]
        if stale:
            print("out of date, run res/make_resources.py: " + ", ".join(stale))
            return 1
        print("resources match their generator")
        return 0
    for name, data in outputs.items():
        (HERE / name).write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())

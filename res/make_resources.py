#!/usr/bin/env python3
"""Draws the built-in skin (skin130.bmp), the application icon
(gaugelet.ico), the skins a release ships (skins/*.bmp) and the README's
picture of them all (../docs/skins.png). With --check it only compares them
with the files in place."""
import struct
import sys
import zlib
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


# The skins a release ships beside the built-in one: 24-bit strips of
# (r, g, b) rows, each frame a 16 x 16 box whose inner 10 columns and 12
# rows (columns 3 to 12, rows 2 to 13) hold the load.
KEY = (0, 128, 128)


def box_frame(outline, empty, lit):
    """The box with its lowest `lit(row)` inner rows coloured, one frame."""
    px = [[KEY] * 16 for _ in range(16)]
    for r in range(1, 15):
        for c in range(2, 14):
            edge = r in (1, 14) or c in (2, 13)
            px[r][c] = outline if edge else (lit(r) or empty)
    return px


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def heat_colour(level, levels):
    """Green at the lowest level, yellow half way, red at the top."""
    green, yellow, red = (0, 200, 0), (250, 210, 0), (230, 30, 20)
    t = level / levels
    return mix(green, yellow, t * 2) if t <= 0.5 else mix(yellow, red, t * 2 - 1)


def heat():
    """A bar that turns from green through yellow to red as it rises."""
    frames = []
    for level in range(13):
        colour = heat_colour(level, 12)
        frames.append(box_frame((40, 40, 48), (24, 24, 28),
                                lambda r, n=level, c=colour: c if r >= 14 - n else None))
    return frames


def light():
    """Dark on nothing: it reads on a light taskbar, its inside see-through."""
    return [box_frame((70, 70, 80), KEY, lambda r, n=level: (0, 84, 180) if r >= 14 - n else None)
            for level in range(13)]


def fine():
    """One frame a percent: a 10 x 10 field that lights cell by cell, rows
    from the bottom, each row from the left."""
    frames = []
    for percent in range(101):
        px = box_frame((64, 64, 72), (16, 24, 40), lambda r: None)
        for cell in range(percent):
            r, c = 13 - cell // 10, 3 + cell % 10
            px[r][c] = (40, 220, 255)
        frames.append(px)
    return frames


def classic():
    """The built-in skin's frames as (r, g, b)."""
    rows = skin()
    return [[[PALETTE[v] for v in row[16 * k:16 * k + 16]] for row in rows] for k in range(FRAMES)]


def strip(frames):
    return [sum((frame[r] for frame in frames), []) for r in range(16)]


def bmp24(rows):
    """A bottom-up 24-bit BITMAPINFOHEADER file."""
    bits = bytearray()
    for row in reversed(rows):
        line = b"".join(struct.pack("<BBB", b, g, r) for r, g, b in row)
        bits += line + b"\0" * (-len(line) % 4)
    offset = 14 + 40
    head = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, len(rows[0]), len(rows), 1, 24, 0, len(bits), 0, 0, 0, 0)
    return head + info + bytes(bits)


SKINS = {"heat": heat(), "light": light(), "fine": fine()}


def png(rows):
    """An 8-bit RGB PNG, deterministic: no time, no text."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def picture(scale=3, per_row=26, gap=4):
    """Every skin's frames side by side, 26 to a row, each pixel a square of
    `scale`, the transparent colour shown as the light grey around them."""
    background = (224, 224, 224)
    lines = []
    for frames in [classic(), *SKINS.values()]:
        for first in range(0, len(frames), per_row):
            row_frames = frames[first:first + per_row]
            for r in range(16):
                line = [background] * gap
                for frame in row_frames:
                    line += [background if px == KEY else px for px in frame[r]] + [background] * gap
                line += [background] * ((per_row - len(row_frames)) * (16 + gap))
                lines += [[px for px in line for _ in range(scale)]] * scale
            lines += [[background] * len(lines[-1])] * (gap * scale)
    return [[background] * len(lines[0])] * (gap * scale) + lines


def main():
    outputs = {"skin130.bmp": bmp(skin()), "gaugelet.ico": ico([icon16(), icon32()]),
               "../docs/skins.png": png(picture())}
    for name, frames in SKINS.items():
        outputs[f"skins/{name}.bmp"] = bmp24(strip(frames))
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

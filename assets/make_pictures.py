#!/usr/bin/env python3
"""Draws every picture of the widget into assets/: run `python3 assets/make_pictures.py`.

Needs Python 3 and, for the glyphs, ImageMagick's `convert` with the WenQuanYi Micro Hei font
(Debian packages imagemagick and fonts-wqy-microhei). ImageMagick only rasterises text into raw
grey levels; everything else happens here: glyphs are trimmed to their ink and placed on whole
pixels, shapes are drawn at eight samples per pixel side and averaged down, and the PNG and ICO
files are written by hand. A PNG holds nothing but its pixels (no time, no text chunks), so a
second run writes the same bytes.

Outputs (all PNGs 8-bit RGBA, every pixel opaque):
  tag_new.png, tag_boiling.png, tag_hot.png, tag_recommended.png, tag_default.png
      14 x 14: the tag pictures 新 沸 热 荐 and the plain default square;
  background.png
      280 x 480: the dark field, the widget's name, the separators between the entry rows;
  badge_pinned.png, badge_1.png ... badge_10.png
      14 x 14: the rank badges, an arrow under a bar for the pinned row, then the numbers;
  gear_normal.png, gear_hover.png, gear_pressed.png, power_normal.png, power_hover.png,
  power_pressed.png
      14 x 14: the settings and close buttons, normal, under the mouse and pressed;
  velvane.ico
      the application icon: 32 x 32 and 16 x 16, each at 16 colours, 256 colours and 32 bits.
"""

import math
import os
import struct
import subprocess
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
SAMPLES = 8  # samples per pixel side when drawing
FULL_COVER = 0.8

FIELD = (0x16, 0x16, 0x1A)
NAME_GREY = (0xD3, 0xD3, 0xD3)
SEPARATOR = (0x1E, 0x1E, 0x22)
WHITE = (0xFF, 0xFF, 0xFF)
TOP_RED = (0xF2, 0x6D, 0x5F)
RANK_ORANGE = (0xFF, 0x8E, 0x17)
BUTTON_LOOKS = {"normal": (0xD3, 0xD3, 0xD3), "hover": WHITE, "pressed": (0x88, 0x88, 0x88)}
ICON_RED = (0xFF, 0x38, 0x52)

TAGS = [
    ("tag_new.png", "新", (0xFF, 0x38, 0x52)),
    ("tag_boiling.png", "沸", (0xF8, 0x64, 0x00)),
    ("tag_hot.png", "热", (0xFF, 0x94, 0x06)),
    ("tag_recommended.png", "荐", (0x00, 0xB7, 0xEE)),
    ("tag_default.png", None, FIELD),
]

BACKGROUND_SIZE = (280, 480)
NAME = "Velvane"
NAME_LEFT, NAME_TOP, NAME_BOTTOM = 14, 13, 31
SEPARATOR_ROWS = range(45, 442, 36)


# ---- coverage masks: a width, a height and a list of floats from 0 to 1 -------------------------


class Mask:
    def __init__(self, width, height, values=None):
        self.width, self.height = width, height
        self.values = values if values is not None else [0.0] * (width * height)

    def at(self, x, y):
        return self.values[y * self.width + x]


def draw_shape(width, height, inside):
    """The coverage of a shape given as inside(x, y) in pixel units, by supersampling."""
    mask = Mask(width, height)
    step = 1.0 / SAMPLES
    for y in range(height):
        for x in range(width):
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    if inside(x + (sx + 0.5) * step, y + (sy + 0.5) * step):
                        hits += 1
            mask.values[y * width + x] = hits / (SAMPLES * SAMPLES)
    return mask


def render_text(text, pointsize):
    """The ink of `text` at `pointsize`, trimmed to its bounding box."""
    side = pointsize * 2 * max(1, len(text))
    raw = subprocess.run(
        ["convert", "-size", f"{side}x{side}", "xc:black", "-font", FONT,
         "-pointsize", str(pointsize), "-fill", "white", "-gravity", "center",
         "-annotate", "+0+0", text, "-depth", "8", "gray:-"],
        check=True, capture_output=True).stdout
    assert len(raw) == side * side, "convert gave no raw grey image"
    rows = [y for y in range(side) if any(raw[y * side:(y + 1) * side])]
    cols = [x for x in range(side) if any(raw[y * side + x] for y in rows)]
    top, left = rows[0], cols[0]
    width, height = cols[-1] - left + 1, rows[-1] - top + 1
    # Hinted strokes seldom cover a pixel to the last level; a pixel covered four fifths or more
    # counts as covered, so that every stroke shows its full colour.
    values = [min(1.0, raw[(top + y) * side + left + x] / 255 / FULL_COVER)
              for y in range(height) for x in range(width)]
    return Mask(width, height, values)


def glyph(text, width, height, box, left=None, top=None):
    """A mask of width x height with `text` at the largest size whose ink fits the box (w, h),
    centred on whole pixels unless a left or top edge is given. The font renders at the final
    size, hinted, which keeps small glyphs sharper than drawing large and averaging down."""
    probe = render_text(text, 100)
    pointsize = int(100 * min(box[0] / probe.width, box[1] / probe.height)) + 2
    ink = render_text(text, pointsize)
    while ink.width > box[0] or ink.height > box[1]:
        pointsize -= 1
        ink = render_text(text, pointsize)
    x0 = (width - ink.width) // 2 if left is None else left
    y0 = (height - ink.height) // 2 if top is None else top
    mask = Mask(width, height)
    for y in range(ink.height):
        for x in range(ink.width):
            mask.values[(y0 + y) * width + x0 + x] = ink.at(x, y)
    return mask


# ---- shapes, in pixel units on a 14 x 14 grid ------------------------------------------------------


def pinned_arrow(x, y):
    bar = 3 <= x <= 11 and 2 <= y <= 3.6
    head = y >= 5 and y <= 9 and abs(x - 7) <= (y - 5) * 1.1
    stem = 5.9 <= x <= 8.1 and 8.5 <= y <= 12.5
    return bar or head or stem


def gear(x, y):
    dx, dy = x - 7, y - 7
    r = math.hypot(dx, dy)
    if r < 2.1:
        return False
    if r <= 4.6:
        return True
    angle = math.atan2(dy, dx) % (math.pi / 4)
    return r <= 6.4 and abs(angle - math.pi / 8) <= math.pi / 14


def power(x, y):
    dx, dy = x - 7, y - 7.6
    r = math.hypot(dx, dy)
    # the angle from straight up, so the opening sits at the top
    from_top = abs(math.atan2(dx, -dy))
    ring = 4.1 <= r <= 5.7 and from_top >= math.radians(42)
    bar = 6.2 <= x <= 7.8 and 1.0 <= y <= 7.4
    return ring or bar


# ---- pictures -------------------------------------------------------------------------------------


def paint(width, height, background, layers=()):
    """RGB rows: the background with each (mask, colour) layer laid over it in turn."""
    pixels = [list(background) for _ in range(width * height)]
    for mask, colour in layers:
        for i, cover in enumerate(mask.values):
            if cover > 0:
                pixels[i] = [round(p + (c - p) * cover) for p, c in zip(pixels[i], colour)]
    return pixels


def tag_icon(character, colour):
    if character is None:
        return paint(14, 14, colour)
    return paint(14, 14, colour, [(glyph(character, 14, 14, (11, 11)), WHITE)])


def background():
    width, height = BACKGROUND_SIZE
    pixels = paint(width, height, FIELD)
    for row in SEPARATOR_ROWS:
        for x in range(width):
            pixels[row * width + x] = list(SEPARATOR)
    # Only the name's own rows, so the separators stay as they are.
    name_height = NAME_BOTTOM - NAME_TOP + 1
    name = glyph(NAME, 120, name_height, (120, name_height), left=0, top=0)
    for y in range(name_height):
        for x in range(name.width):
            cover = name.at(x, y)
            i = (NAME_TOP + y) * width + NAME_LEFT + x
            pixels[i] = [round(p + (c - p) * cover) for p, c in zip(pixels[i], NAME_GREY)]
    return pixels


def badges():
    yield "badge_pinned.png", paint(14, 14, FIELD, [(draw_shape(14, 14, pinned_arrow), TOP_RED)])
    for number in range(1, 11):
        colour = TOP_RED if number <= 3 else RANK_ORANGE
        box = (12, 10) if number >= 10 else (7, 10)
        yield f"badge_{number}.png", paint(14, 14, FIELD, [(glyph(str(number), 14, 14, box), colour)])


def buttons():
    for name, shape in (("gear", gear), ("power", power)):
        mask = draw_shape(14, 14, shape)
        for look, colour in BUTTON_LOOKS.items():
            yield f"{name}_{look}.png", paint(14, 14, FIELD, [(mask, colour)])


# ---- files ----------------------------------------------------------------------------------------


def png(width, height, pixels):
    """An 8-bit RGBA PNG, every pixel opaque, with no chunks beyond the image's own."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = bytearray()
    for y in range(height):
        raw.append(0)  # no filter
        for pixel in pixels[y * width:(y + 1) * width]:
            raw.extend(pixel)
            raw.append(0xFF)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def icon_layers(size):
    """The application icon: a red rounded square with a white V, as (alpha, rgb) per pixel."""
    scale = size / 32

    def square(x, y):
        x, y = x / scale, y / scale
        inner = min(max(x, 7), 25), min(max(y, 7), 25)
        return math.hypot(x - inner[0], y - inner[1]) <= 7

    def letter(x, y):
        x, y = x / scale, y / scale
        if not 7 <= y <= 25:
            return False
        # two strokes from the top corners that meet at the bottom centre
        inward = (y - 7) / 18 * 7
        return abs(x - (9 + inward)) <= 2.5 or abs(x - (23 - inward)) <= 2.5

    body = draw_shape(size, size, square)
    mark = draw_shape(size, size, letter)
    pixels = paint(size, size, ICON_RED, [(mark, WHITE)])
    return body.values, pixels


def dib(size, bits, alpha, pixels):
    """One icon image: BITMAPINFOHEADER, palette, colour rows bottom-up, AND mask."""
    opaque = [a >= 0.5 for a in alpha]
    if bits == 32:
        palette = b""
        rows = []
        for y in reversed(range(size)):
            row = bytearray()
            for x in range(size):
                r, g, b = pixels[y * size + x]
                row += bytes((b, g, r, round(alpha[y * size + x] * 255)))
            rows.append(bytes(row))
    else:
        # Palette: black for what the mask hides, then a ramp from the red to white, which is
        # every colour the picture has.
        levels = (1 << bits) - 1
        ramp = [tuple(round(c + (w - c) * k / (levels - 1)) for c, w in zip(ICON_RED, WHITE))
                for k in range(levels)]
        colours = [(0, 0, 0)] + ramp

        def index(i):
            if not opaque[i]:
                return 0
            share = (pixels[i][1] - ICON_RED[1]) / (WHITE[1] - ICON_RED[1])
            return 1 + round(share * (levels - 1))

        palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
        rows = []
        for y in reversed(range(size)):
            indices = [index(y * size + x) for x in range(size)]
            if bits == 4:
                row = bytes((indices[x] << 4) | indices[x + 1] for x in range(0, size, 2))
            else:
                row = bytes(indices)
            rows.append(row + b"\0" * (-len(row) % 4))
    mask_rows = []
    for y in reversed(range(size)):
        bits_row = 0
        for x in range(size):
            bits_row = (bits_row << 1) | (0 if opaque[y * size + x] else 1)
        row = bits_row.to_bytes(size // 8, "big")
        mask_rows.append(row + b"\0" * (-len(row) % 4))
    colour_count = 0 if bits == 32 else 1 << bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0,
                         sum(map(len, rows)) + sum(map(len, mask_rows)), 0, 0, colour_count, 0)
    return header + palette + b"".join(rows) + b"".join(mask_rows)


def ico():
    images = []
    for size in (32, 16):
        alpha, pixels = icon_layers(size)
        for bits in (4, 8, 32):
            images.append((size, bits, dib(size, bits, alpha, pixels)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        directory += struct.pack("<BBBBHHII", size, size, 16 if bits == 4 else 0, 0, 1, bits,
                                 len(data), offset)
        offset += len(data)
    return directory + b"".join(data for _, _, data in images)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(data)


def main():
    for name, character, colour in TAGS:
        write(name, png(14, 14, tag_icon(character, colour)))
    write("background.png", png(*BACKGROUND_SIZE, background()))
    for name, pixels in badges():
        write(name, png(14, 14, pixels))
    for name, pixels in buttons():
        write(name, png(14, 14, pixels))
    write("velvane.ico", ico())


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the form's pictures and writes them as Windows bitmaps with a resource script.

    draw_pictures.py OUTPUT_DIR

Every picture is drawn from simple shapes on a 16-unit grid and rendered at the size its
resource asks for, so one drawing serves a 16 x 16 list icon and a 17 x 19 button face.
Writes OUTPUT_DIR/<NAME>.bmp for each picture and OUTPUT_DIR/pictures.rc naming them.
"""

import math
import os
import struct
import sys

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
OUTLINE = (64, 64, 64)
GREY = (150, 150, 150)
LIGHT_GREY = (212, 212, 212)
PAPER = (255, 255, 255)
FOLD = (200, 200, 200)
FOLDER = (240, 200, 40)
FOLDER_DARK = (180, 130, 20)
FOLDER_LIGHT = (255, 228, 120)
GREEN = (30, 160, 50)
GREEN_DARK = (10, 100, 30)
RED = (215, 30, 30)
RED_DARK = (140, 10, 10)
BLUE = (40, 80, 190)
NAVY = (20, 40, 110)
SKY = (120, 190, 240)
YELLOW = (250, 225, 30)
ORANGE = (235, 120, 30)
BROWN = (150, 100, 50)


class Canvas:
    """A picture of w x h pixels addressed in a 16 x 16 unit grid (y down)."""

    def __init__(self, width, height, background=WHITE):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]

    def _each(self, inside, colour):
        sx, sy = 16.0 / self.width, 16.0 / self.height
        for py in range(self.height):
            for px in range(self.width):
                if inside((px + 0.5) * sx, (py + 0.5) * sy):
                    self.pixels[py][px] = colour

    def rect(self, x0, y0, x1, y1, colour):
        self._each(lambda x, y: x0 <= x < x1 and y0 <= y < y1, colour)

    def frame(self, x0, y0, x1, y1, colour, t=1.0):
        self._each(lambda x, y: x0 <= x < x1 and y0 <= y < y1 and
                   not (x0 + t <= x < x1 - t and y0 + t <= y < y1 - t), colour)

    def disc(self, cx, cy, r, colour):
        self._each(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)

    def ring(self, cx, cy, r, t, colour):
        self._each(lambda x, y: (r - t) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)

    def polygon(self, points, colour):
        def inside(x, y):
            hit = False
            j = len(points) - 1
            for i in range(len(points)):
                (xi, yi), (xj, yj) = points[i], points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    hit = not hit
                j = i
            return hit
        self._each(inside, colour)

    def line(self, x0, y0, x1, y1, colour, t=1.0):
        def inside(x, y):
            dx, dy = x1 - x0, y1 - y0
            k = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
            return math.hypot(x - (x0 + k * dx), y - (y0 + k * dy)) <= t / 2
        self._each(inside, colour)


# ---- Parts shared by several pictures.

def document(c, x0=3, x1=13, body=PAPER):
    c.polygon([(x0, 1), (x1 - 3, 1), (x1, 4), (x1, 15), (x0, 15)], OUTLINE)
    c.polygon([(x0 + 1, 2), (x1 - 3.5, 2), (x1 - 1, 4.5), (x1 - 1, 14), (x0 + 1, 14)], body)
    c.polygon([(x1 - 3.5, 2), (x1 - 1, 4.5), (x1 - 3.5, 4.5)], FOLD)


def text_lines(c, colour, x0=5, x1=11, rows=(6, 8, 10, 12)):
    for y in rows:
        c.rect(x0, y, x1, y + 1, colour)


def closed_folder(c, top=3):
    c.polygon([(1, top), (6, top), (7, top + 2), (15, top + 2), (15, 14), (1, 14)], FOLDER_DARK)
    c.rect(2, top + 3, 14, 13, FOLDER)
    c.rect(2, top + 1, 6, top + 2, FOLDER_LIGHT)


def open_folder(c):
    c.polygon([(1, 3), (6, 3), (7, 5), (13, 5), (13, 14), (1, 14)], FOLDER_DARK)
    c.polygon([(3, 8), (16, 8), (13, 14), (1, 14)], FOLDER)
    c.line(3, 8, 16, 8, FOLDER_DARK)


def arrow(c, cx, cy, direction, colour, size=4.0, shaft=1.6):
    """An arrow centred on (cx, cy) pointing up (-1), down (1) or right (0)."""
    s = size
    if direction == 0:
        c.polygon([(cx + s, cy), (cx, cy - s), (cx, cy + s)], colour)
        c.rect(cx - s, cy - shaft, cx + 0.2, cy + shaft, colour)
    else:
        tip = cy + direction * s
        base = cy
        c.polygon([(cx, tip), (cx - s, base), (cx + s, base)], colour)
        lo, hi = sorted((cy, cy - direction * s))
        c.rect(cx - shaft, lo, cx + shaft, hi, colour)


def green_circle(c, direction):
    c.disc(8, 8, 7.5, GREEN_DARK)
    c.disc(8, 8, 6.3, GREEN)
    arrow(c, 8, 8, direction, WHITE, 3.8, 1.3)


def cross(c, colour, inset=2.5, t=3.0):
    c.line(inset, inset, 16 - inset, 16 - inset, colour, t)
    c.line(16 - inset, inset, inset, 16 - inset, colour, t)


def leaf(c):
    c.polygon([(2, 14), (3, 7), (7, 3), (14, 2), (13, 9), (9, 13)], GREEN_DARK)
    c.polygon([(3.5, 12.5), (4.3, 7.5), (7.6, 4.3), (12.6, 3.4), (11.8, 8.6), (8.6, 11.8)], GREEN)
    c.line(2.5, 13.5, 12, 4, YELLOW, 1.4)


# ---- The pictures, by subject.

def p_folder_arrow(c):
    closed_folder(c)
    arrow(c, 8.5, 9.5, 0, GREEN, 3.2, 1.2)


def p_document(c):
    document(c)


def p_floppy(c):
    c.rect(1, 1, 15, 15, NAVY)
    c.rect(4, 1, 12, 6, LIGHT_GREY)
    c.rect(9, 2, 11, 5, NAVY)
    c.rect(3, 8, 13, 15, WHITE)
    text_lines(c, GREY, 4, 12, (10, 12))


def p_circle_up(c):
    green_circle(c, -1)


def p_circle_down(c):
    green_circle(c, 1)


def p_open_folder_arrow(c):
    open_folder(c)
    arrow(c, 9, 10.5, 0, GREEN, 2.8, 1.1)


def p_leaf(c):
    leaf(c)


def p_red_cross(c):
    cross(c, RED)


def p_red_circle_cross(c):
    c.disc(8, 8, 7.5, RED_DARK)
    c.disc(8, 8, 6.3, RED)
    cross(c, WHITE, 5.0, 1.8)


def p_document_into_folder(c):
    closed_folder(c, top=6)
    c.polygon([(5, 0.5), (10, 0.5), (12, 2.5), (12, 10), (5, 10)], OUTLINE)
    c.rect(6, 1.5, 11, 9, PAPER)
    arrow(c, 8.5, 11, 1, GREEN, 2.5, 0.9)


def p_word(c):
    document(c)
    c.rect(4, 5, 12, 8, BLUE)
    text_lines(c, BLUE, 5, 11, (9, 11, 13))


def p_picture(c):
    c.rect(1, 2, 15, 14, OUTLINE)
    c.rect(2, 3, 14, 13, SKY)
    c.disc(11, 6, 1.7, YELLOW)
    c.polygon([(2, 13), (6, 7), (10, 13)], GREEN)
    c.polygon([(7, 13), (10.5, 9), (14, 13)], GREEN_DARK)


def p_web_page(c):
    document(c)
    c.disc(8, 9.5, 4, BLUE)
    c.line(4.5, 9.5, 11.5, 9.5, SKY, 0.9)
    c.line(8, 5.8, 8, 13.2, SKY, 0.9)
    c.ring(8, 9.5, 2.2, 0.8, SKY)


def p_pdf(c):
    document(c)
    text_lines(c, GREY, 5, 11, (5, 7))
    c.rect(4, 9, 12, 13, RED)
    c.rect(5, 10, 11, 11, WHITE)


def p_presentation(c):
    c.rect(1, 2, 15, 12, OUTLINE)
    c.rect(2, 3, 14, 11, WHITE)
    c.rect(4, 7, 6, 10, ORANGE)
    c.rect(7, 5, 9, 10, RED)
    c.rect(10, 6, 12, 10, BLUE)
    c.line(8, 12, 5, 15, OUTLINE)
    c.line(8, 12, 11, 15, OUTLINE)


def p_text(c):
    document(c)
    text_lines(c, GREY, 5, 11, (5, 7, 9, 11, 13))


def p_spreadsheet(c):
    document(c)
    c.rect(4, 5, 12, 14, GREEN)
    for y in (7, 9, 11):
        c.rect(4, y, 12, y + 0.6, WHITE)
    c.rect(7, 5, 7.6, 14, WHITE)


def p_archive(c):
    c.rect(1, 3, 15, 15, BROWN)
    c.rect(2, 4, 14, 14, FOLDER)
    c.rect(1, 7, 15, 8, BROWN)
    for y in range(4, 14, 2):
        c.rect(7, y, 9, y + 1, OUTLINE)
    c.rect(6, 9, 10, 12, LIGHT_GREY)


def p_lightning(c):
    bolt = [(10.5, 0.5), (3, 9), (7.5, 9), (5, 15.5), (13.5, 6.5), (8.8, 6.5), (12.5, 0.5)]
    c.polygon(bolt, YELLOW)
    for a, b in zip(bolt, bolt[1:] + bolt[:1]):
        c.line(a[0], a[1], b[0], b[1], ORANGE, 0.9)


def p_scissors(c):
    c.line(4, 1, 10.5, 11, GREY, 1.6)
    c.line(12, 1, 5.5, 11, GREY, 1.6)
    c.ring(4.5, 12.5, 3, 1.3, RED)
    c.ring(11.5, 12.5, 3, 1.3, RED)
    c.disc(8, 7.2, 0.8, OUTLINE)


def p_folder_green_arrow(c):
    closed_folder(c)
    arrow(c, 8.5, 9.5, 0, GREEN, 3.2, 1.2)


def p_closed_folder(c):
    closed_folder(c)


def p_folder_up(c):
    closed_folder(c)
    arrow(c, 8, 9.5, -1, GREEN, 3.4, 1.1)


def p_folder_star(c):
    closed_folder(c, top=4)
    points = []
    for k in range(10):
        r = 4.5 if k % 2 == 0 else 2.0
        a = -math.pi / 2 + k * math.pi / 5
        points.append((11 + r * math.cos(a), 4.5 + r * math.sin(a)))
    c.polygon(points, ORANGE)


def p_toolbox(c):
    c.rect(1, 5, 15, 14, RED_DARK)
    c.rect(2, 6, 14, 13, RED)
    c.frame(5, 2, 11, 6, OUTLINE, 1.2)
    c.rect(1, 8.5, 15, 9.5, RED_DARK)
    c.rect(7, 8, 9, 10.5, LIGHT_GREY)


# The remote list's icons, in the order of the rows' icon indexes.
REMOTE_LIST = [p_folder_arrow, p_document, p_floppy, p_circle_up, p_circle_down,
               p_open_folder_arrow, p_leaf, p_red_cross, p_red_circle_cross,
               p_document_into_folder, p_word, p_picture, p_web_page, p_pdf,
               p_presentation, p_text, p_spreadsheet, p_archive]

# Named bitmap resources: name -> (drawing, width, height, bits per pixel).
NAMED = {
    "CONNECT": (p_lightning, 16, 16, 8),
    "RECONNECT": (p_leaf, 17, 18, 24),
    "UPLOAD": (p_circle_up, 16, 17, 24),
    "SAVE": (p_floppy, 16, 16, 8),
    "SHARE": (p_document_into_folder, 16, 17, 24),
    "CUT": (p_scissors, 16, 18, 24),
    "SENDSHARE": (p_folder_green_arrow, 16, 18, 24),
    "FOLDER": (p_closed_folder, 20, 16, 24),
    "UP": (p_folder_up, 17, 19, 24),
    "NEWDIR": (p_folder_star, 17, 18, 24),
    "DOWNLOAD": (p_circle_down, 17, 17, 24),
    "DISCON": (p_red_circle_cross, 16, 16, 24),
    "DEL": (p_red_cross, 16, 18, 24),
    "DIR": (p_folder_arrow, 16, 16, 24),
    # the share list's picture and the remote list's strip of icons
    "SHAREPICTURE": (p_document, 16, 16, 24),
}

# Pictures the form carries without a name: resource number -> (drawing, width, height, bits).
# 101 is the red cross of the delete buttons, squarer than the named "DEL", which nothing shows.
NUMBERED = {
    101: (p_red_cross, 16, 16, 24),
}

# The 16 colours of the classic VGA palette, for the 16-colour toolbox picture.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def render(drawing, width, height):
    c = Canvas(width, height)
    drawing(c)
    return c.pixels


def bmp(pixels, bits):
    """A bottom-up BMP file of 24, 8 or 4 bits per pixel."""
    height, width = len(pixels), len(pixels[0])
    if bits == 24:
        palette = []
    elif bits == 8:
        palette = sorted({p for row in pixels for p in row})
        assert len(palette) <= 256
    else:
        palette = VGA16
    index = {p: i for i, p in enumerate(palette)}

    def nearest(p):
        if p not in index:
            index[p] = min(range(len(palette)),
                           key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], p)))
        return index[p]

    stride = ((width * bits + 31) // 32) * 4
    rows = []
    for row in reversed(pixels):
        if bits == 24:
            data = b"".join(bytes((b, g, r)) for r, g, b in row)
        elif bits == 8:
            data = bytes(nearest(p) for p in row)
        else:
            nibbles = [nearest(p) for p in row] + [0]
            data = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, width, 2))
        rows.append(data + b"\0" * (stride - len(data)))
    image = b"".join(rows)
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(colours)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(image), 3780, 3780,
                       len(palette), 0)
    return struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset) + info + colours + image


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {}
    for name, (drawing, width, height, bits) in NAMED.items():
        files[name] = bmp(render(drawing, width, height), bits)
    strip = [[] for _ in range(16)]
    for drawing in REMOTE_LIST:
        for y, row in enumerate(render(drawing, 16, 16)):
            strip[y].extend(row)
    files["REMOTELIST"] = bmp(strip, 24)
    toolbox = bmp(render(p_toolbox, 16, 15), 4)

    lines = ["// Written by draw_pictures.py: the form's pictures by resource name."]
    for name, data in files.items():
        path = os.path.join(out, name + ".bmp")
        with open(path, "wb") as f:
            f.write(data)
        lines.append('%s BITMAP "%s"' % (name, path.replace("\\", "/")))
    for number, (drawing, width, height, bits) in NUMBERED.items():
        path = os.path.join(out, "PICTURE%d.bmp" % number)
        with open(path, "wb") as f:
            f.write(bmp(render(drawing, width, height), bits))
        lines.append('%d BITMAP "%s"' % (number, path.replace("\\", "/")))
    path = os.path.join(out, "TOOLBOX.bmp")
    with open(path, "wb") as f:
        f.write(toolbox)
    lines.append('1 BITMAP "%s"' % path.replace("\\", "/"))
    with open(os.path.join(out, "pictures.rc"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws every picture Driftway ships, from the drawing commands below.

The pictures are committed; this script is how they were made and how to
make them again after a change:

    python3 scripts/make_pictures.py            # rewrite resources/ and support/
    python3 scripts/make_pictures.py --check    # fail if a committed picture differs

It needs nothing beyond Python 3: shapes are rasterised here with 4 x 4
supersampling (so edges are smoothed), written as PNG with zlib, as an ICO
with 32-bit entries, and the application icon also as SVG. The output is the
same byte for byte on every run.

Coordinates are in design units; each picture maps them to pixels by a scale.
A 1-unit line centred on a half unit lands exactly on one pixel row at scale 1.
"""

import math
import os
import struct
import sys
import tempfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


# ---------------------------------------------------------------- colours


def rgb(hexstr, alpha=1.0):
    h = hexstr.lstrip("#")
    return (int(h[0:2], 16) / 255, int(h[2:4], 16) / 255, int(h[4:6], 16) / 255, alpha)


class Solid:
    def __init__(self, colour):
        self.colour = colour

    def at(self, x, y):
        return self.colour


class Linear:
    """A gradient from colour c0 at point p0 to c1 at p1, clamped outside."""

    def __init__(self, p0, c0, p1, c1):
        self.p0, self.c0, self.p1, self.c1 = p0, c0, p1, c1
        dx, dy = p1[0] - p0[0], p1[1] - p0[1]
        self.d = (dx, dy)
        self.len2 = dx * dx + dy * dy or 1.0

    def at(self, x, y):
        t = ((x - self.p0[0]) * self.d[0] + (y - self.p0[1]) * self.d[1]) / self.len2
        t = min(1.0, max(0.0, t))
        return tuple(a + (b - a) * t for a, b in zip(self.c0, self.c1))


def paint_of(p):
    return Solid(p) if isinstance(p, tuple) else p


# ---------------------------------------------------------------- shapes
# Each shape answers whether a point is inside and gives its bounding box;
# grow(d) gives the same shape d units bigger all round (used for outlines).


class Circle:
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r

    def bbox(self):
        return (self.cx - self.r, self.cy - self.r, self.cx + self.r, self.cy + self.r)

    def inside(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        return dx * dx + dy * dy <= self.r * self.r

    def grow(self, d):
        return Circle(self.cx, self.cy, self.r + d)

    def svg(self, attrs):
        return f'<circle cx="{fmt(self.cx)}" cy="{fmt(self.cy)}" r="{fmt(self.r)}" {attrs}/>'


class Ellipse:
    def __init__(self, cx, cy, rx, ry):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry

    def bbox(self):
        return (self.cx - self.rx, self.cy - self.ry, self.cx + self.rx, self.cy + self.ry)

    def inside(self, x, y):
        dx, dy = (x - self.cx) / self.rx, (y - self.cy) / self.ry
        return dx * dx + dy * dy <= 1.0

    def grow(self, d):
        return Ellipse(self.cx, self.cy, self.rx + d, self.ry + d)


class RoundRect:
    def __init__(self, x, y, w, h, r=0.0):
        self.x, self.y, self.w, self.h, self.r = x, y, w, h, r

    def bbox(self):
        return (self.x, self.y, self.x + self.w, self.y + self.h)

    def inside(self, x, y):
        if x < self.x or y < self.y or x > self.x + self.w or y > self.y + self.h:
            return False
        r = self.r
        if r <= 0:
            return True
        cx = min(max(x, self.x + r), self.x + self.w - r)
        cy = min(max(y, self.y + r), self.y + self.h - r)
        dx, dy = x - cx, y - cy
        return dx * dx + dy * dy <= r * r

    def grow(self, d):
        return RoundRect(self.x - d, self.y - d, self.w + 2 * d, self.h + 2 * d, self.r + d if self.r else 0)

    def svg(self, attrs):
        return (f'<rect x="{fmt(self.x)}" y="{fmt(self.y)}" width="{fmt(self.w)}" height="{fmt(self.h)}" '
                f'rx="{fmt(self.r)}" {attrs}/>')


class Poly:
    """A filled polygon (even-odd rule)."""

    def __init__(self, pts):
        self.pts = [(float(x), float(y)) for x, y in pts]

    def bbox(self):
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        return (min(xs), min(ys), max(xs), max(ys))

    def inside(self, x, y):
        c = False
        pts = self.pts
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                c = not c
            j = i
        return c

    def svg(self, attrs):
        d = "M" + " L".join(f"{fmt(x)} {fmt(y)}" for x, y in self.pts) + " Z"
        return f'<path d="{d}" {attrs}/>'


class Stroke:
    """A polyline of the given width with round joins and caps."""

    def __init__(self, pts, width, closed=False):
        pts = [(float(x), float(y)) for x, y in pts]
        if closed:
            pts = pts + [pts[0]]
        self.pts, self.width, self.closed = pts, width, closed
        self.r2 = (width / 2) ** 2
        self.segs = []
        for (ax, ay), (bx, by) in zip(pts, pts[1:]):
            dx, dy = bx - ax, by - ay
            self.segs.append((ax, ay, dx, dy, dx * dx + dy * dy or 1e-12))

    def bbox(self):
        h = self.width / 2
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        return (min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h)

    def inside(self, x, y):
        r2 = self.r2
        for ax, ay, dx, dy, l2 in self.segs:
            t = ((x - ax) * dx + (y - ay) * dy) / l2
            t = 0.0 if t < 0 else 1.0 if t > 1 else t
            ex, ey = ax + t * dx - x, ay + t * dy - y
            if ex * ex + ey * ey <= r2:
                return True
        return False

    def grow(self, d):
        return Stroke(self.pts, self.width + 2 * d)

    def svg(self, attrs):
        d = "M" + " L".join(f"{fmt(x)} {fmt(y)}" for x, y in self.pts)
        return (f'<path d="{d}" fill="none" stroke-width="{fmt(self.width)}" stroke-linecap="round" '
                f'stroke-linejoin="round" {attrs}/>')


class Union:
    def __init__(self, *shapes):
        self.shapes = shapes

    def bbox(self):
        boxes = [s.bbox() for s in self.shapes]
        return (min(b[0] for b in boxes), min(b[1] for b in boxes),
                max(b[2] for b in boxes), max(b[3] for b in boxes))

    def inside(self, x, y):
        return any(s.inside(x, y) for s in self.shapes)

    def grow(self, d):
        return Union(*[s.grow(d) for s in self.shapes])


class Minus:
    def __init__(self, shape, hole):
        self.shape, self.hole = shape, hole

    def bbox(self):
        return self.shape.bbox()

    def inside(self, x, y):
        return self.shape.inside(x, y) and not self.hole.inside(x, y)


def arc_points(cx, cy, r, a0, a1, steps=None):
    """Points along a circle from angle a0 to a1 (degrees, clockwise on screen)."""
    steps = steps or max(8, int(abs(a1 - a0) / 6))
    return [(cx + r * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
             cy + r * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]


def star_points(cx, cy, outer, inner, n=5, rotate=-90):
    pts = []
    for i in range(2 * n):
        r = outer if i % 2 == 0 else inner
        a = math.radians(rotate + i * 180 / n)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def fmt(v):
    s = f"{v:.3f}".rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


# ---------------------------------------------------------------- canvas


class Canvas:
    """Premultiplied RGBA floats; shapes are painted over with coverage from supersampling."""

    def __init__(self, width, height, scale=1.0, ss=4):
        self.w, self.h, self.scale, self.ss = width, height, scale, ss
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]
        self.offsets = [(i + 0.5) / ss for i in range(ss)]

    def fill(self, shape, paint, opacity=1.0):
        paint = paint_of(paint)
        s = self.scale
        x0, y0, x1, y1 = shape.bbox()
        px0, py0 = max(0, int(math.floor(x0 * s))), max(0, int(math.floor(y0 * s)))
        px1, py1 = min(self.w, int(math.ceil(x1 * s)) + 1), min(self.h, int(math.ceil(y1 * s)) + 1)
        n = self.ss * self.ss
        inside = shape.inside
        offs = self.offsets
        for py in range(py0, py1):
            ys = [(py + o) / s for o in offs]
            for px in range(px0, px1):
                xs = [(px + o) / s for o in offs]
                cnt = 0
                for y in ys:
                    for x in xs:
                        if inside(x, y):
                            cnt += 1
                if cnt:
                    r, g, b, a = paint.at((px + 0.5) / s, (py + 0.5) / s)
                    a *= opacity * cnt / n
                    d = self.px[py * self.w + px]
                    k = 1.0 - a
                    d[0] = r * a + d[0] * k
                    d[1] = g * a + d[1] * k
                    d[2] = b * a + d[2] * k
                    d[3] = a + d[3] * k

    def outlined(self, shape, fill, outline, width=1.0):
        """Paints shape with an outline of the given width just outside its edge."""
        self.fill(shape.grow(width), outline)
        self.fill(shape, fill)

    def rgba_rows(self):
        rows = []
        for y in range(self.h):
            row = bytearray()
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                if a <= 1e-6:
                    row += b"\0\0\0\0"
                    continue
                row += bytes(max(0, min(255, int(round(c / a * 255)))) for c in (r, g, b))
                row.append(max(0, min(255, int(round(a * 255)))))
            rows.append(bytes(row))
        return rows


# ---------------------------------------------------------------- writers


def png_bytes(width, height, rows, colour_type):
    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + r for r in rows)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def canvas_png(c):
    return png_bytes(c.w, c.h, c.rgba_rows(), 6)


def ico_bytes(canvases):
    """An icon file with one 32-bit BGRA bitmap (and its AND mask) per size."""
    images = []
    for c in canvases:
        rows = c.rgba_rows()
        pixels = bytearray()
        mask = bytearray()
        mask_stride = ((c.w + 31) // 32) * 4
        for row in reversed(rows):
            m = bytearray(mask_stride)
            for x in range(c.w):
                r, g, b, a = row[4 * x:4 * x + 4]
                pixels += bytes((b, g, r, a))
                if a == 0:
                    m[x // 8] |= 0x80 >> (x % 8)
            mask += m
        header = struct.pack("<IiiHHIIiiII", 40, c.w, 2 * c.h, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
        images.append((c.w, c.h, header + pixels + mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for w, h, data in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(d for _, _, d in images)


# ---------------------------------------------------------------- palette

WHITE = rgb("#ffffff")
INK = rgb("#2b2f36")
BLUE = rgb("#2f6fd0")
BLUE_DARK = rgb("#1c4d9e")
BLUE_LIGHT = rgb("#6fa3ec")
RED = rgb("#d8403a")
RED_DARK = rgb("#9e2621")
GREEN = rgb("#2e9e4f")
GREEN_DARK = rgb("#1d6e35")
GOLD = rgb("#f5bd2f")
GOLD_DARK = rgb("#b57f0e")
FOLDER = rgb("#f2c450")
FOLDER_BACK = rgb("#d9a52c")
FOLDER_EDGE = rgb("#a87812")
GREY = rgb("#6b7380")
GREY_DARK = rgb("#454b55")
GREY_LIGHT = rgb("#d5d9df")
PAPER = rgb("#fdfdfb")
PAPER_EDGE = rgb("#8a9099")


# ---------------------------------------------------------------- the toolbar


def tile101():
    """6 x 26, 24-bit: a soft light-grey fall with a darker last row as the bar's edge."""
    rows = []
    for y in range(26):
        if y == 25:
            v = 200
        else:
            v = round(250 - (250 - 226) * y / 24)
        rows.append(bytes((v, v, v + 1 if v < 255 else v) * 6))
    return png_bytes(6, 26, rows, 2)


def arrow_icon(direction):
    c = Canvas(24, 24)
    ball = Circle(12, 12, 10)
    c.fill(ball.grow(0.8), BLUE_DARK)
    c.fill(ball, Linear((12, 2), BLUE_LIGHT, (12, 22), BLUE))
    pts = [(5.5, 12), (11.5, 6), (11.5, 9.5), (18, 9.5), (18, 14.5), (11.5, 14.5), (11.5, 18)]
    if direction > 0:
        pts = [(24 - x, y) for x, y in pts]
    c.fill(Poly(pts), WHITE)
    return c


def stop_icon():
    c = Canvas(24, 24)
    octagon = Poly([(12 + 11 * math.cos(math.radians(22.5 + 45 * i)), 12 + 11 * math.sin(math.radians(22.5 + 45 * i)))
                    for i in range(8)])
    inner = Poly([(12 + 9.6 * math.cos(math.radians(22.5 + 45 * i)), 12 + 9.6 * math.sin(math.radians(22.5 + 45 * i)))
                  for i in range(8)])
    c.fill(octagon, RED_DARK)
    c.fill(inner, Linear((12, 2), rgb("#ee5b50"), (12, 22), RED))
    c.fill(Stroke([(8, 8), (16, 16)], 2.8), WHITE)
    c.fill(Stroke([(16, 8), (8, 16)], 2.8), WHITE)
    return c


def refresh_icon():
    c = Canvas(24, 24)
    r, a1 = 7.5, 285
    ring = Stroke(arc_points(12, 12.5, r, 15, a1 - 8), 3.2)
    c.fill(ring.grow(0.7), GREEN_DARK)
    c.fill(ring, GREEN)
    # The head sits at the end of the arc and points on round the circle.
    t = math.radians(a1)
    end = (12 + r * math.cos(t), 12.5 + r * math.sin(t))
    tangent = (-math.sin(t), math.cos(t))
    normal = (math.cos(t), math.sin(t))
    tip = (end[0] + 4.2 * tangent[0], end[1] + 4.2 * tangent[1])
    base = (end[0] - 1.6 * tangent[0], end[1] - 1.6 * tangent[1])
    head = [tip, (base[0] + 4.6 * normal[0], base[1] + 4.6 * normal[1]),
            (base[0] - 4.6 * normal[0], base[1] - 4.6 * normal[1])]
    c.fill(Stroke(head, 1.4, closed=True), GREEN_DARK)
    c.fill(Poly(head), GREEN)
    return c


def home_icon():
    c = Canvas(24, 24)
    c.fill(RoundRect(16, 3.5, 3, 6), GREY_DARK)  # chimney
    body = RoundRect(5.5, 11, 13, 10.5, 0.6)
    c.outlined(body, rgb("#f7f2e8"), rgb("#8c6d4f"))
    c.fill(RoundRect(10, 14.5, 4, 7), rgb("#9a6a3e"))  # door
    c.fill(RoundRect(14.8, 13.2, 2.6, 2.6), BLUE_LIGHT)  # window
    roof = Stroke([(3, 12.5), (12, 4), (21, 12.5)], 3.0)
    c.fill(roof.grow(0.6), RED_DARK)
    c.fill(roof, RED)
    return c


def search_icon():
    c = Canvas(24, 24)
    c.fill(Stroke([(14.5, 14.5), (20.5, 20.5)], 4.2), GREY_DARK)
    c.fill(Stroke([(14.8, 14.8), (20.2, 20.2)], 2.6), GREY)
    c.fill(Circle(9.5, 9.5, 5.6), rgb("#cfe3fb", 0.85))
    c.fill(Minus(Circle(9.5, 9.5, 7.2), Circle(9.5, 9.5, 5.4)), GREY_DARK)
    c.fill(Stroke(arc_points(9.5, 9.5, 3.4, 200, 260), 1.3), WHITE, 0.9)
    return c


def star_icon(c, cx, cy, outer, edge=0.9):
    star = Poly(star_points(cx, cy, outer, outer * 0.46))
    c.fill(Stroke(star.pts, 2 * edge, closed=True), GOLD_DARK)
    c.fill(star, Linear((cx, cy - outer), rgb("#ffd869"), (cx, cy + outer), GOLD))


def favorites_icon():
    c = Canvas(24, 24)
    star_icon(c, 12, 12.8, 10.6)
    return c


def print_icon():
    c = Canvas(24, 24)
    c.outlined(RoundRect(7, 3, 10, 7), PAPER, PAPER_EDGE)  # paper going in
    body = RoundRect(3, 9, 18, 9, 2)
    c.outlined(body, Linear((0, 9), rgb("#9aa2ad"), (0, 18), GREY), GREY_DARK)
    c.fill(RoundRect(5, 15, 14, 1), GREY_DARK)  # paper slot
    c.fill(Circle(18, 12, 1.1), rgb("#4cd06a"))
    c.outlined(RoundRect(7, 16, 10, 5), PAPER, PAPER_EDGE)  # printed sheet
    c.fill(RoundRect(9, 18, 6, 1), GREY_LIGHT)
    c.fill(RoundRect(9, 20, 4, 1), GREY_LIGHT)
    return c


def open_folder(c, x, y, w, h, edge=1.0):
    """An open folder in the box (x, y, w, h): back with its tab, front tilted forward.

    Outlines are stroked on top of the fills, and offsets are whole units, so
    with x and y on half units and a 1-unit edge every line covers whole pixels."""
    tab, step, right = round(w * 0.36), max(1, round(h * 0.15)), w - round(w * 0.12)
    back = Poly([(x, y + h), (x, y), (x + tab, y), (x + tab + step, y + step), (x + right, y + step),
                 (x + right, y + h)])
    c.fill(back, FOLDER_BACK)
    c.fill(Stroke(back.pts, edge, closed=True), FOLDER_EDGE)
    top = round(h * 0.42)
    c.fill(RoundRect(x + round(w * 0.1), y + round(h * 0.27), right - 2 * round(w * 0.1) + 1, top), PAPER)
    front = Poly([(x, y + h), (x + round(w * 0.16), y + top), (x + w, y + top), (x + w - round(w * 0.14), y + h)])
    c.fill(front, Linear((0, y + top), rgb("#ffd86e"), (0, y + h), FOLDER))
    c.fill(Stroke(front.pts, edge, closed=True), FOLDER_EDGE)


def closed_folder(c, x, y, w, h, edge=1.0):
    tab, step = round(w * 0.38), max(1, round(h * 0.18))
    back = Poly([(x, y + h), (x, y), (x + tab, y), (x + tab + step, y + step), (x + w, y + step), (x + w, y + h)])
    c.fill(back, FOLDER_BACK)
    c.fill(Stroke(back.pts, edge, closed=True), FOLDER_EDGE)
    top = y + round(h * 0.32)
    front = Poly([(x, top), (x + w, top), (x + w, y + h), (x, y + h)])
    c.fill(front, Linear((0, top), rgb("#ffd86e"), (0, y + h), FOLDER))
    c.fill(Stroke(front.pts, edge, closed=True), FOLDER_EDGE)


def open_icon():
    c = Canvas(24, 24)
    open_folder(c, 2.5, 4.5, 19, 15)
    return c


# ---------------------------------------------------------------- the cursor


def hand_cursor():
    """A pointing hand whose fingertip is the hot spot (12, 5).

    Edges lie on whole units, so the 1-pixel black outline stays crisp."""
    c = Canvas(32, 32)
    finger = RoundRect(10, 5, 5, 14, 2.5)
    knuckles = Union(RoundRect(15, 11, 4, 8, 2), RoundRect(19, 12, 4, 8, 2), RoundRect(23, 13, 3, 8, 1.5))
    palm = RoundRect(10, 15, 16, 10, 3)
    thumb = Stroke([(6.5, 16.5), (11, 22)], 4.0)
    wrist = RoundRect(12, 22, 12, 6, 1)
    hand = Union(finger, knuckles, palm, thumb, wrist)
    c.fill(hand.grow(1.0), INK)
    c.fill(hand, WHITE)
    for x, y0, y1 in ((15, 13, 17), (19, 14, 17), (23, 15, 18)):
        c.fill(RoundRect(x - 0.5, y0, 1, y1 - y0), INK, 0.8)
    return c


# ---------------------------------------------------------------- the tree


def tree_folder(is_open):
    c = Canvas(16, 16)
    if is_open:
        open_folder(c, 0.5, 2.5, 14, 11)
    else:
        closed_folder(c, 1.5, 2.5, 13, 11)
    return c


def page(c, x, y, w, h, fold, edge=1.0):
    body = Poly([(x, y), (x + w - fold, y), (x + w, y + fold), (x + w, y + h), (x, y + h)])
    c.fill(body, PAPER)
    c.fill(Poly([(x + w - fold, y), (x + w - fold, y + fold), (x + w, y + fold)]), GREY_LIGHT)
    c.fill(Stroke(body.pts, edge, closed=True), PAPER_EDGE)
    c.fill(Stroke([(x + w - fold, y), (x + w - fold, y + fold), (x + w, y + fold)], edge), PAPER_EDGE)


def globe(c, cx, cy, r, line):
    c.fill(Circle(cx, cy, r), Linear((cx, cy - r), BLUE_LIGHT, (cx, cy + r), BLUE))
    c.fill(Minus(Ellipse(cx, cy, r * 0.5, r), Ellipse(cx, cy, r * 0.5 - line, r - line)), WHITE, 0.9)
    c.fill(Stroke([(cx - r + line, cy), (cx + r - line, cy)], line), WHITE, 0.9)
    c.fill(Minus(Circle(cx, cy, r), Circle(cx, cy, r - line)), BLUE_DARK)


def tree_item():
    c = Canvas(16, 16)
    page(c, 2.5, 0.5, 10, 14, 3)
    for y in (4.5, 6.5):
        c.fill(Stroke([(4.5, y), (8.5, y)], 1), GREY_LIGHT)
    globe(c, 11, 11, 4.5, 1)
    return c


# ---------------------------------------------------------------- favourites pane


def badge(c, cx, cy, r, colour, dark):
    c.fill(Circle(cx, cy, r + 0.8), WHITE)
    c.fill(Circle(cx, cy, r), dark)
    c.fill(Circle(cx, cy, r - 0.9), colour)


def fav_add():
    c = Canvas(24, 24)
    star_icon(c, 10.5, 11, 9.5)
    badge(c, 17.5, 17.5, 5.5, GREEN, GREEN_DARK)
    c.fill(Stroke([(17.5, 14.5), (17.5, 20.5)], 2.0), WHITE)
    c.fill(Stroke([(14.5, 17.5), (20.5, 17.5)], 2.0), WHITE)
    return c


def fav_organize():
    c = Canvas(24, 24)
    closed_folder(c, 2.5, 3.5, 19, 16)
    star = Poly(star_points(12, 14.6, 5.4, 2.5))
    c.fill(star, WHITE)
    c.fill(Stroke(star.pts, 1.0, closed=True), BLUE_DARK)
    c.fill(Poly(star_points(12, 14.6, 4.4, 2.0)), BLUE)
    return c


def fav_remove():
    c = Canvas(24, 24)
    star_icon(c, 10.5, 11, 9.5)
    badge(c, 17.5, 17.5, 5.5, RED, RED_DARK)
    c.fill(Stroke([(15.4, 15.4), (19.6, 19.6)], 2.0), WHITE)
    c.fill(Stroke([(19.6, 15.4), (15.4, 19.6)], 2.0), WHITE)
    return c


# ---------------------------------------------------------------- application icon
# Designed on a 64-unit square: a blue tile with a white globe crossed by a
# golden path that drifts across it.


def app_icon_scene(size):
    """The shapes of the icon at one pixel size; the smallest sizes drop the fine lines."""
    small = size <= 24
    line = 3.4 if size >= 32 else 6.0
    tile = RoundRect(0, 0, 64, 64, 12) if small else RoundRect(3, 3, 58, 58, 13)
    sky = Linear((0, 3), rgb("#4b92ee"), (0, 61), rgb("#1b4ea5"))
    r = 22 if small else 20
    scene = [(tile, sky), (Circle(32, 32, r), rgb("#ffffff", 0.16)),
             (Minus(Circle(32, 32, r), Circle(32, 32, r - line)), WHITE)]
    if not small:
        scene += [(Stroke([(13, 32), (51, 32)], line * 0.8), WHITE),
                  (Minus(Ellipse(32, 32, 9, 20), Ellipse(32, 32, 9 - line * 0.8, 20 - line * 0.8)), WHITE)]
    path = [(8, 46), (16, 44), (26, 38), (36, 28), (46, 21), (56, 18)]
    scene += [(Stroke(path, line * 1.5), GOLD_DARK), (Stroke(path, line), GOLD), (Circle(56, 18, line * 1.1), GOLD)]
    return scene


def app_icon(size):
    c = Canvas(size, size, scale=size / 64, ss=4 if size <= 64 else 3)
    for shape, paint in app_icon_scene(size):
        c.fill(shape, paint)
    return c


def app_icon_svg():
    """The same design as vector drawing commands, for the scalable icon."""
    line = 3.4
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <defs>
    <linearGradient id="sky" x1="0" y1="3" x2="0" y2="61" gradientUnits="userSpaceOnUse">
      <stop offset="0" stop-color="#4b92ee"/>
      <stop offset="1" stop-color="#1b4ea5"/>
    </linearGradient>
  </defs>
  <rect x="3" y="3" width="58" height="58" rx="13" fill="url(#sky)"/>
  <circle cx="32" cy="32" r="20" fill="#ffffff" fill-opacity="0.16"/>
  <circle cx="32" cy="32" r="{fmt(20 - line / 2)}" fill="none" stroke="#ffffff" stroke-width="{fmt(line)}"/>
  <path d="M13 32 L51 32" stroke="#ffffff" stroke-width="{fmt(line * 0.8)}" stroke-linecap="round"/>
  <ellipse cx="32" cy="32" rx="{fmt(9 - line * 0.4)}" ry="{fmt(20 - line * 0.4)}" fill="none" stroke="#ffffff"
           stroke-width="{fmt(line * 0.8)}"/>
  <path d="M8 46 L16 44 L26 38 L36 28 L46 21 L56 18" fill="none" stroke="#b57f0e" stroke-width="{fmt(line * 1.5)}"
        stroke-linecap="round" stroke-linejoin="round"/>
  <path d="M8 46 L16 44 L26 38 L36 28 L46 21 L56 18" fill="none" stroke="#f5bd2f" stroke-width="{fmt(line)}"
        stroke-linecap="round" stroke-linejoin="round"/>
  <circle cx="56" cy="18" r="{fmt(line * 1.1)}" fill="#f5bd2f"/>
</svg>
"""


# ---------------------------------------------------------------- the HTML file icon
# Designed on a 48-unit square: a page with a folded corner and a blue "</>" label.


def htm_icon(size):
    c = Canvas(size, size, scale=size / 48, ss=4)
    px = 48 / size  # one pixel in design units
    page(c, 8 + px / 2, 3 + px / 2, 32, 42, 10, px)
    if size >= 32:
        for y in (14, 19, 24):
            c.fill(Stroke([(13, y), (30, y)], px), GREY_LIGHT)
    label = RoundRect(4, 27, 34, 15, 3)
    c.fill(label, Linear((0, 27), rgb("#ef8a3a"), (0, 42), rgb("#d0621c")))
    w = max(2.2, 1.5 * px)
    c.fill(Stroke([(14, 30.5), (9.5, 34.5), (14, 38.5)], w), WHITE)
    c.fill(Stroke([(23.5, 30), (18.5, 39)], w), WHITE)
    c.fill(Stroke([(28, 30.5), (32.5, 34.5), (28, 38.5)], w), WHITE)
    return c


# ---------------------------------------------------------------- the About box's advert
# The publisher's editor, Quillpad, on a 64-unit square: a ruled notepad with
# a quill across it.


def advert_quillpad():
    c = Canvas(64, 64)
    pad = RoundRect(10, 8, 38, 50, 3)
    c.fill(RoundRect(12, 11, 38, 50, 3), rgb("#000000", 0.18))  # shadow
    c.outlined(pad, PAPER, PAPER_EDGE)
    c.fill(RoundRect(10, 8, 38, 8, 3), BLUE)  # binding
    for x in (15, 22, 29, 36, 43):
        c.fill(Circle(x, 12, 1.5), BLUE_DARK)
    for y in range(23, 56, 6):
        c.fill(Stroke([(14, y + 0.5), (44, y + 0.5)], 1), rgb("#a9c6ee"))
    c.fill(Stroke([(18.5, 17), (18.5, 57)], 1), rgb("#e58a86"))
    # The quill: a feather from the upper right down to a nib on the page.
    vane = Poly([(58, 4), (61, 9), (54, 22), (44, 34), (33, 45), (31, 44), (38, 31), (47, 17)])
    c.fill(vane, Linear((58, 4), rgb("#ffffff"), (32, 45), rgb("#d8dde6")))
    c.fill(Stroke(vane.pts, 1, closed=True), GREY)
    c.fill(Stroke([(59, 6), (45, 26), (30, 47)], 1.2), GREY_DARK)
    c.fill(Poly([(30, 47), (27, 53), (32, 49)]), INK)
    for t in (0.25, 0.45, 0.65):
        x, y = 59 - 14 * t * 2, 6 + 20 * t * 2
        c.fill(Stroke([(x, y), (x + 3, y - 1.5)], 0.7), GREY_LIGHT)
    return c


# ---------------------------------------------------------------- output


def pictures():
    """Every file this script makes, as (path relative to the repository, bytes)."""
    out = [("resources/tile101.png", tile101())]
    tools = [("previous", arrow_icon(-1)), ("next", arrow_icon(1)), ("stop", stop_icon()),
             ("refresh", refresh_icon()), ("home", home_icon()), ("search", search_icon()),
             ("favorites", favorites_icon()), ("print", print_icon()), ("open", open_icon())]
    out += [(f"resources/tool_{name}.png", canvas_png(c)) for name, c in tools]
    out.append(("resources/cursor_hand.png", canvas_png(hand_cursor())))
    out += [("resources/tree_folder.png", canvas_png(tree_folder(False))),
            ("resources/tree_folder_open.png", canvas_png(tree_folder(True))),
            ("resources/tree_item.png", canvas_png(tree_item()))]
    out += [("resources/fav_add.png", canvas_png(fav_add())),
            ("resources/fav_organize.png", canvas_png(fav_organize())),
            ("resources/fav_remove.png", canvas_png(fav_remove()))]
    out.append(("resources/advert_quillpad.png", canvas_png(advert_quillpad())))
    for size in (16, 24, 32, 48, 64, 128, 256):
        out.append((f"resources/icons/hicolor/{size}x{size}/apps/driftway.png", canvas_png(app_icon(size))))
    out.append(("resources/icons/hicolor/scalable/apps/driftway.svg", app_icon_svg().encode()))
    htm = [htm_icon(s) for s in (16, 32, 48)]
    out.append(("support/htm.ico", ico_bytes(htm)))
    out.append(("support/htm.png", canvas_png(htm[2])))
    return out


def main(argv):
    check = "--check" in argv
    differ = []
    for rel, data in pictures():
        path = os.path.join(ROOT, rel)
        if check:
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                differ.append(rel)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        fd, tmp = tempfile.mkstemp(dir=os.path.dirname(path))
        with os.fdopen(fd, "wb") as f:
            f.write(data)
        os.chmod(tmp, 0o644)
        os.replace(tmp, path)
        print("wrote", rel)
    if differ:
        print("pictures differ from their drawing commands:", *differ, sep="\n  ")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team

"""Draws every picture of Quibex Crypto into resources/pictures/.

Run it again after changing a drawing: python3 resources/make-pictures.py
Only the Python standard library is used, so the pictures can be rebuilt on
any machine that builds the program.

Each picture is a list of layers (a signed distance function and a colour)
painted back to front.  A distance function gives, for the centre of a pixel,
how far the point lies outside the shape in pixels (negative inside); the
pixel's coverage is taken from that distance, which gives clean edges at any
size.  The brand icon is drawn from the same description at 32, 48, 64, 128
and 256 pixels, with the line widths and details chosen for each size rather
than scaled from one bitmap.

Every smaller picture also gets a variant drawn at twice its size from the
same shapes, named with Qt's "@2x" suffix (cmd-aide@2x.png), which the
program shows on screens scaled to 150 % and more instead of an enlarged
bitmap.

Pictures that the program shows through a transparent colour (the image
buttons, the Quit button and the menu bitmaps) are written as opaque 24-bit
images whose background is exactly that colour.  Their edge pixels are
blended toward a neutral grey instead of toward the transparent colour, and
no pixel of the drawing itself may equal that colour, otherwise holes would
appear once the program masks it out.
"""

import math
import os
import struct
import sys
import zlib

# One palette for every picture.
NAVY = (23, 45, 84)         # outlines and glyphs
BLUE = (40, 96, 168)        # padlock body, badges, globe
BLUE_LIGHT = (92, 150, 214)  # highlights on blue
STEEL = (150, 162, 176)     # shackle, metal
STEEL_DARK = (96, 108, 124)
GOLD = (232, 176, 48)       # keys, keyholes
GOLD_DARK = (160, 110, 24)
GREEN = (46, 150, 74)       # download arrows
GREEN_DARK = (24, 96, 46)
RED = (200, 66, 50)         # exit arrows
WOOD = (150, 96, 52)        # door
WOOD_DARK = (92, 56, 28)
FOLDER = (244, 196, 80)
FOLDER_BACK = (214, 158, 48)
PAPER = (250, 250, 246)
PAPER_EDGE = (200, 204, 212)
NEAR_WHITE = (248, 250, 252)  # never pure white: white is a transparent colour

NEUTRAL = (206, 208, 212)   # what keyed edge pixels are blended toward

WHITE_KEY = (255, 255, 255)
MAGENTA_KEY = (255, 0, 255)
PINK_KEY = (255, 49, 206)


# ---------------------------------------------------------------- shapes

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def rbox(x0, y0, x1, y1, r=0.0):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return d


def capsule(ax, ay, bx, by, r):
    def d(x, y):
        px, py, vx, vy = x - ax, y - ay, bx - ax, by - ay
        h = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
        return math.hypot(px - vx * h, py - vy * h) - r
    return d


def polygon(points):
    n = len(points)

    def d(x, y):
        best = (x - points[0][0]) ** 2 + (y - points[0][1]) ** 2
        sign = 1.0
        j = n - 1
        for i in range(n):
            vix, viy = points[i]
            vjx, vjy = points[j]
            ex, ey = vjx - vix, vjy - viy
            wx, wy = x - vix, y - viy
            h = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
            bx, by = wx - ex * h, wy - ey * h
            best = min(best, bx * bx + by * by)
            c1 = y >= viy
            c2 = y < vjy
            c3 = ex * wy > ey * wx
            if (c1 and c2 and c3) or (not c1 and not c2 and not c3):
                sign = -sign
            j = i
        return sign * math.sqrt(best)
    return d


def arc_band(cx, cy, r, half_width, below=None):
    """A ring of radius r; with below set, only the part above that line."""
    def d(x, y):
        ring = abs(math.hypot(x - cx, y - cy) - r) - half_width
        if below is None:
            return ring
        return max(ring, y - below)
    return d


def arc(cx, cy, r, half_width, a0, a1):
    """A stroke along the circle from angle a0 to a1 (radians, y down), round ends."""
    e0 = (cx + r * math.cos(a0), cy + r * math.sin(a0))
    e1 = (cx + r * math.cos(a1), cy + r * math.sin(a1))

    def d(x, y):
        a = math.atan2(y - cy, x - cx)
        while a < a0:
            a += 2 * math.pi
        if a <= a1:
            return abs(math.hypot(x - cx, y - cy) - r) - half_width
        return min(math.hypot(x - e0[0], y - e0[1]),
                   math.hypot(x - e1[0], y - e1[1])) - half_width
    return d


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def inset(shape, w):
    return lambda x, y: shape(x, y) + w


def intersect(a, b):
    return lambda x, y: max(a(x, y), b(x, y))


# ---------------------------------------------------------------- rendering

def render(width, height, layers):
    """Paints layers back to front; returns premultiplied RGBA floats."""
    px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]
    for shape, colour in layers:
        r, g, b = (c / 255.0 for c in colour)
        for yy in range(height):
            for xx in range(width):
                cov = 0.5 - shape(xx + 0.5, yy + 0.5)
                if cov <= 0.0:
                    continue
                cov = min(cov, 1.0)
                p = px[yy * width + xx]
                keep = 1.0 - cov
                p[0] = r * cov + p[0] * keep
                p[1] = g * cov + p[1] * keep
                p[2] = b * cov + p[2] * keep
                p[3] = cov + p[3] * keep
    return px


def to_rgba(px):
    out = []
    for r, g, b, a in px:
        if a <= 0.0:
            out.append((0, 0, 0, 0))
            continue
        out.append(tuple(int(round(min(1.0, v / a) * 255)) for v in (r, g, b))
                   + (int(round(a * 255)),))
    return out


def to_keyed(px, key):
    """Opaque pixels on the transparent colour `key`, edges toward NEUTRAL."""
    out = []
    for r, g, b, a in px:
        if a < 0.4:
            out.append(key)
            continue
        rest = 1.0 - a
        c = tuple(int(round((v + rest * n / 255.0) * 255))
                  for v, n in zip((r, g, b), NEUTRAL))
        if c == key:
            # One step off the transparent colour keeps the pixel visible.
            c = (c[0], c[1], c[2] - 1 if c[2] > 0 else 1)
        out.append(c)
    return out


def write_png(path, width, height, pixels, alpha):
    rows = bytearray()
    for yy in range(height):
        rows.append(0)
        for xx in range(width):
            p = pixels[yy * width + xx]
            rows.extend(p if alpha else p[:3])

    def chunk(tag, data):
        body = tag + data
        return (struct.pack(">I", len(data)) + body
                + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))

    colour_type = 6 if alpha else 2
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8,
                                       colour_type, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


# ---------------------------------------------------------------- drawings

def outlined(shape, fill, line, w):
    """A shape with an outline of width w drawn inside its edge."""
    return [(shape, line), (inset(shape, w), fill)]


def brand(n):
    """The padlock with a golden key-hole: window icon and Image2."""
    s = n / 32.0
    w = max(1.0, n / 26.0)          # outline width
    detail = n >= 48

    # Shackle: a steel arch with two legs going into the body.
    scx, scy, sr = 16 * s, 12 * s, 7.0 * s
    half = 2.0 * s
    arch = arc_band(scx, scy, sr, half, below=scy)
    legs = union(rbox(scx - sr - half, scy - 0.5, scx - sr + half, 18 * s),
                 rbox(scx + sr - half, scy - 0.5, scx + sr + half, 18 * s))
    shackle = union(arch, legs)
    layers = outlined(shackle, STEEL, NAVY, w)
    if detail:
        # A lighter line along the arch gives the metal some roundness.
        layers.append((intersect(arc_band(scx, scy, sr - 0.4 * s, 0.5 * s, below=scy),
                                 lambda x, y: x - scx),
                       (206, 214, 224)))

    body = rbox(4 * s, 14 * s, 28 * s, 30.5 * s, 3.0 * s)
    layers += outlined(body, BLUE, NAVY, w)
    if detail:
        # A lighter band along the top of the body catches the light.
        layers.append((intersect(inset(body, w), lambda x, y: y - 17.0 * s),
                       BLUE_LIGHT))

    # Key-hole: a gold round head and a tapering slot.
    hole = union(circle(16 * s, 20.5 * s, 2.6 * s),
                 polygon([(14.6 * s, 21.5 * s), (17.4 * s, 21.5 * s),
                          (18.2 * s, 27.0 * s), (13.8 * s, 27.0 * s)]))
    layers += outlined(hole, GOLD, GOLD_DARK, max(1.0, w * 0.75)) if detail \
        else [(hole, GOLD)]
    if detail:
        layers.append((circle(16 * s, 20.5 * s, 1.1 * s), NAVY))
    return layers


def document_with_key():
    """Image1: a page with a golden key across it."""
    page = polygon([(6, 2), (20, 2), (26, 8), (26, 30), (6, 30)])
    layers = outlined(page, PAPER, NAVY, 1.0)
    fold = polygon([(20, 2), (26, 8), (20, 8)])
    layers += [(fold, PAPER_EDGE), (capsule(20, 2.5, 20, 8, 0.5), NAVY),
               (capsule(20, 8, 25.5, 8, 0.5), NAVY)]
    for yy in (11.5, 15.5, 19.5):
        layers.append((capsule(9.5, yy, 22.5, yy, 0.75), BLUE_LIGHT))
    # The key, slanting down to the right over the lower part of the page.
    bow = circle(9.5, 23.5, 5.0)
    blade = capsule(12.5, 25.0, 27.5, 25.0, 1.6)
    teeth = union(rbox(21.0, 25.5, 23.0, 29.0), rbox(24.5, 25.5, 26.5, 28.0))
    key = union(bow, blade, teeth)
    layers += outlined(key, GOLD, GOLD_DARK, 1.0)
    # The hole of the bow lets the page show through.
    layers.append((circle(8.5, 23.5, 2.2), GOLD_DARK))
    layers.append((circle(8.5, 23.5, 1.3), PAPER))
    return layers


def folder(x0, y0, x1, y1):
    """A yellow folder filling the given box."""
    wd, ht = x1 - x0, y1 - y0
    tab = polygon([(x0, y0 + 1), (x0 + wd * 0.38, y0 + 1),
                   (x0 + wd * 0.48, y0 + ht * 0.22), (x0 + wd * 0.48, y0 + ht * 0.4),
                   (x0, y0 + ht * 0.4)])
    back = union(tab, rbox(x0, y0 + ht * 0.2, x1 - 1, y1, 0.5))
    front = polygon([(x0 + wd * 0.14, y0 + ht * 0.42), (x1, y0 + ht * 0.42),
                     (x1 - wd * 0.14, y1), (x0, y1)])
    return (outlined(back, FOLDER_BACK, WOOD_DARK, 1.0)
            + outlined(front, FOLDER, WOOD_DARK, 1.0))


def padlock_small(w, h):
    """The Cryptage button: a padlock filling w x h."""
    cx = w / 2.0
    body_top = h * 0.44
    sr = w * 0.27
    arch_c = h * 0.34
    shackle = union(arc_band(cx, arch_c, sr, 1.5, below=arch_c),
                    rbox(cx - sr - 1.5, arch_c - 0.5, cx - sr + 1.5, body_top + 1),
                    rbox(cx + sr - 1.5, arch_c - 0.5, cx + sr + 1.5, body_top + 1))
    body = rbox(1, body_top, w - 1, h - 1, 1.5)
    hole = union(circle(cx, body_top + (h - body_top) * 0.4, 1.7),
                 rbox(cx - 0.8, body_top + (h - body_top) * 0.4, cx + 0.8, h - 3.5))
    return (outlined(shackle, STEEL, NAVY, 1.0) + outlined(body, BLUE, NAVY, 1.0)
            + [(hole, GOLD)])


def down_arrow(cx, top, bottom, half_shaft, half_head, head_len):
    return polygon([(cx - half_shaft, top), (cx + half_shaft, top),
                    (cx + half_shaft, bottom - head_len),
                    (cx + half_head, bottom - head_len), (cx, bottom),
                    (cx - half_head, bottom - head_len),
                    (cx - half_shaft, bottom - head_len)])


def globe_download():
    """Centre de téléchargement: a globe with a green download arrow."""
    g = circle(9.5, 9.5, 8.5)
    layers = outlined(g, BLUE, NAVY, 1.0)
    inner = inset(g, 1.0)
    lines = union(intersect(inner, rbox(9.0, 0, 10.0, 21)),
                  intersect(inner, rbox(0, 9.0, 21, 10.0)),
                  intersect(inner, arc_band(9.5, 9.5 + 9.5, 11.0, 0.5)),
                  intersect(inner, arc_band(9.5, 9.5 - 9.5, 11.0, 0.5)),
                  intersect(inner, lambda x, y: abs(math.hypot((x - 9.5) * 2.0, y - 9.5) - 7.5) - 0.6))
    layers.append((lines, BLUE_LIGHT))
    arrow = down_arrow(15.5, 9.0, 20.5, 1.8, 4.6, 4.6)
    layers += outlined(arrow, GREEN, GREEN_DARK, 1.0)
    return layers


def question_badge(size, fill, glyph, line):
    """A round badge with a question mark."""
    c = size / 2.0
    r = size / 2.0 - 1.0
    layers = outlined(circle(c, c, r), fill, line, 1.0)
    k = size / 21.0
    t = 1.35 * k + 0.25
    cy = c - 2.4 * k
    r = 3.3 * k
    end = math.radians(50)
    ex, ey = c + r * math.cos(end), cy + r * math.sin(end)
    hook = union(arc(c, cy, r, t, math.pi, math.pi * 2 + end),
                 capsule(ex, ey, c, ey + 1.6 * k, t),
                 capsule(c, ey + 1.6 * k, c, c + 2.6 * k, t))
    dot = circle(c, c + 5.6 * k, 1.45 * k + 0.2)
    layers += [(hook, glyph), (dot, glyph)]
    return layers


def info_badge(w, h, fill, glyph, line):
    """A round badge with the letter i."""
    cx, cy = w / 2.0, h / 2.0
    r = min(w, h) / 2.0 - 1.0
    layers = outlined(circle(cx, cy, r), fill, line, 1.0)
    k = min(w, h) / 22.0
    layers.append((circle(cx, cy - 5.0 * k, 1.6 * k + 0.15), glyph))
    stem = union(rbox(cx - 1.5 * k, cy - 2.0 * k, cx + 1.5 * k, cy + 5.5 * k, 0.3),
                 rbox(cx - 3.0 * k, cy - 2.0 * k, cx + 0.5, cy - 0.4 * k, 0.3),
                 rbox(cx - 3.0 * k, cy + 4.2 * k, cx + 3.0 * k, cy + 5.8 * k, 0.3))
    layers.append((stem, glyph))
    return layers


def exit_door(size):
    """A door ajar with a red arrow leaving through it."""
    k = size / 17.0
    frame = rbox(1 * k, 0.5 * k, 11 * k, size - 0.5 * k, 0.5)
    layers = outlined(frame, (70, 70, 78), NAVY, 1.0)
    layers.append((rbox(2 * k, 1.5 * k, 10 * k, size - 1.5 * k), (236, 232, 220)))
    # Door leaf swung open toward the viewer: a slanted quadrilateral.
    leaf = polygon([(2 * k, 1.5 * k), (7.5 * k, 3.0 * k),
                    (7.5 * k, size - 0.5 * k), (2 * k, size - 1.5 * k)])
    layers += outlined(leaf, WOOD, WOOD_DARK, 1.0)
    layers.append((circle(6.2 * k, 9.2 * k, 0.85 * k), GOLD))
    arrow = polygon([(8.5 * k, 7.2 * k), (12.2 * k, 7.2 * k), (12.2 * k, 4.6 * k),
                     (16.6 * k, 8.6 * k), (12.2 * k, 12.6 * k), (12.2 * k, 10.0 * k),
                     (8.5 * k, 10.0 * k)])
    layers += outlined(arrow, RED, (120, 30, 24), 1.0)
    return layers


def menu_download():
    """Télécharger d'autres Utilitaires: an arrow into a tray."""
    tray = union(rbox(1, 11, 15, 15, 0.8))
    tray_hollow = rbox(3, 9, 13, 13)
    layers = outlined(minus(tray, tray_hollow), STEEL, NAVY, 1.0)
    arrow = down_arrow(8, 1, 13, 2.0, 5.5, 5.5)
    layers += outlined(arrow, GREEN, GREEN_DARK, 1.0)
    return layers


def moved(layers, dx, dy):
    """The same drawing with its origin at (dx, dy)."""
    return [(lambda x, y, shape=shape: shape(x - dx, y - dy), colour)
            for shape, colour in layers]


def encrypted_file(n):
    """The icon of a .qbc file in file managers: a page of scrambled bytes
    under the brand's padlock, which tells whose file it is."""
    s = n / 32.0
    w = max(1.0, n / 32.0)
    page = polygon([(4 * s, 1.5 * s), (18 * s, 1.5 * s), (25 * s, 8.5 * s),
                    (25 * s, 30.5 * s), (4 * s, 30.5 * s)])
    layers = outlined(page, PAPER, STEEL_DARK, w)
    fold = polygon([(18 * s, 1.5 * s), (25 * s, 8.5 * s), (18 * s, 8.5 * s)])
    layers += [(fold, PAPER_EDGE),
               (capsule(18 * s, 1.5 * s, 18 * s, 8.5 * s, w / 2), STEEL_DARK),
               (capsule(18 * s, 8.5 * s, 25 * s, 8.5 * s, w / 2), STEEL_DARK)]
    # Rows of bytes of uneven lengths: the text is there but cannot be read.
    # The lower rows stop short of the padlock.
    rows = [(6.0, [(8, 11), (13, 15)]),
            (11.0, [(8, 10), (12, 17), (19, 21)]),
            (15.5, [(8, 13), (15, 16)]),
            (20.0, [(8, 9), (11, 13)]),
            (24.5, [(8, 12)])]
    if n < 24:
        rows = rows[1::2]
    half = max(0.5, 0.9 * s)
    for yy, dashes in rows:
        for x0, x1 in dashes:
            layers.append((capsule(x0 * s, yy * s, x1 * s, yy * s, half), STEEL))
    if n >= 48:
        # The brand itself, drawn for its own size (0.125..0.875 of it wide,
        # 0.094..0.953 high), in the lower right corner.
        m = round(n * 0.6)
        layers += moved(brand(m), n - 0.875 * m, n - 0.953 * m)
    else:
        bw = round(n * 0.5)
        bh = round(bw * 21 / 18.0)
        layers += moved(padlock_small(bw, bh), n - bw, n - bh)
    return layers


def doubled(layers):
    """The same drawing at twice the size: every distance in the new pixels."""
    return [(lambda x, y, shape=shape: 2.0 * shape(x / 2.0, y / 2.0), colour)
            for shape, colour in layers]


# ---------------------------------------------------------------- output

def pictures():
    """(file name, width, height, layers, transparent colour or None)."""
    out = []
    for n in (32, 48, 64, 128, 256):
        out.append(("quibex-%d.png" % n, n, n, brand(n), None))
    out += [
        ("image1.png", 32, 32, document_with_key(), None),
        ("cmd-ouvrir.png", 16, 16, folder(0.5, 1.5, 15.5, 14.5), WHITE_KEY),
        ("cmd-cryptage.png", 18, 21, padlock_small(18, 21), WHITE_KEY),
        ("cmd-telechargement.png", 21, 21, globe_download(), WHITE_KEY),
        ("cmd-aide.png", 21, 21, question_badge(21, GOLD, NAVY, GOLD_DARK), WHITE_KEY),
        ("cmd-apropos.png", 23, 22, info_badge(23, 22, BLUE, NEAR_WHITE, NAVY), WHITE_KEY),
        ("quitter.png", 17, 17, exit_door(17), WHITE_KEY),
        ("menu-ouvrir.png", 16, 16, folder(0.5, 1.5, 15.5, 14.5), WHITE_KEY),
        ("menu-quitter.png", 16, 16, exit_door(16), WHITE_KEY),
        ("menu-apropos.png", 16, 16, info_badge(16, 16, BLUE, NEAR_WHITE, NAVY), MAGENTA_KEY),
        ("menu-aide.png", 16, 16, question_badge(16, GOLD, NAVY, GOLD_DARK), MAGENTA_KEY),
        ("menu-tel.png", 16, 16, menu_download(), PINK_KEY),
    ]
    # Not in the program's resources: installed for the MIME type only.
    for n in (16, 22, 24, 32, 48, 64, 128, 256):
        out.append(("mime-qbc-%d.png" % n, n, n, encrypted_file(n), None))
    large = [(name.replace(".png", "@2x.png"), 2 * w, 2 * h, doubled(layers), key)
             for name, w, h, layers, key in out
             if not name.startswith(("quibex-", "mime-"))]
    return out + large


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = os.path.join(here, "pictures")
    os.makedirs(target, exist_ok=True)
    for name, w, h, layers, key in pictures():
        px = render(w, h, layers)
        if key is None:
            write_png(os.path.join(target, name), w, h, to_rgba(px), alpha=True)
        else:
            write_png(os.path.join(target, name), w, h, to_keyed(px, key), alpha=False)
        print(name, "%dx%d" % (w, h), file=sys.stderr)


if __name__ == "__main__":
    main()

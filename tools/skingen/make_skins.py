#!/usr/bin/python3
"""Generates the launcher's PNG skins (res/skins/<id>.png) and its icon (res/app.ico).

Run with Debian's python3 and python3-pil:

    /usr/bin/python3 tools/skingen/make_skins.py [--out DIR]

DIR defaults to the repository's res/ folder. The output is deterministic: the only
randomness (the stars of the login background) comes from fixed seeds.

How the launcher draws decides most of what follows. Every skin except the login
background 141 is reduced to a one-bit colour key when it is loaded: alpha 0 becomes
magenta and is transparent, any other alpha is blended over WHITE. A soft edge over
a dark caption would therefore turn into a white fringe. So all those skins are
written with hard alpha only, and their edges are anti-aliased against the colour
they will actually sit on (the "matte"): the caption band for caption buttons and
tabs, the dialog body for push buttons, the login panel for the link bar buttons.
Pixels no shape touches keep alpha 0 and show the real window behind them.
"""

import argparse
import math
import os
import random
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT = os.path.normpath(os.path.join(HERE, '..', '..', 'res'))

FONT_PATH = '/usr/share/fonts/truetype/wqy/wqy-microhei.ttc'

SS = 4  # supersampling factor for anti-aliased shapes

# The drawing scale: 1 draws the design (res/skins/<id>.png), 2 draws every skin at
# twice its size (res/skins/2x/<id>.png, shipped as resource id + 1000) for displays
# above 100 %. Coordinates stay in design pixels; Paint and the login background
# multiply them. build_all sets it.
K = 1

KEY = (255, 0, 255)

# ---------------------------------------------------------------------------
# Palette. Everything else is mixed from these.
# ---------------------------------------------------------------------------

NAVY_DEEP = (10, 16, 44)
NAVY = (22, 34, 96)
INDIGO = (40, 62, 150)
INDIGO_LIGHT = (66, 98, 196)
GOLD = (214, 170, 80)
GOLD_LIGHT = (250, 222, 146)
GOLD_DARK = (150, 108, 40)
CYAN = (84, 204, 244)
BODY = (231, 241, 247)        # small dialogs' body; the settings group box brush
BODY_LINE = (146, 176, 214)
PANEL = (16, 26, 66)          # login panel behind the link bar
WHITE = (255, 255, 255)
TEXT_DARK = (19, 43, 67)
RED = (222, 72, 62)
RED_DARK = (150, 32, 28)
DISABLED_GLYPH = (120, 132, 168)
DISABLED_FACE = (226, 229, 234)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def ramp(stops, n):
    """n colours along a list of (position 0..1, colour) stops."""
    out = []
    for i in range(n):
        t = i / (n - 1) if n > 1 else 0.0
        for k in range(len(stops) - 1):
            p0, c0 = stops[k]
            p1, c1 = stops[k + 1]
            if t <= p1 or k == len(stops) - 2:
                u = 0.0 if p1 == p0 else min(max((t - p0) / (p1 - p0), 0.0), 1.0)
                out.append(mix(c0, c1, u))
                break
    return out


# The caption band of the main window (131) and the small dialogs (164): 30 rows,
# the same in both so that the close strip 132 matches either. It must not vary
# horizontally: the nine-grid stretches it.
CAPTION_H = 30
CAPTION_ROWS = ([(92, 124, 214)]
                + ramp([(0, (62, 92, 190)), (1, (44, 68, 160))], 13)
                + ramp([(0, (36, 56, 140)), (1, (20, 31, 88))], 14)
                + [(16, 24, 70), GOLD])
assert len(CAPTION_ROWS) == CAPTION_H


def caption_matte(w, y0, h):
    img = Image.new('RGB', (w, h))
    for r in range(h):
        img.paste(CAPTION_ROWS[y0 + r], (0, r, w, r + 1))
    return img


def vgrad(w, h, stops):
    col = Image.new('RGB', (1, h))
    for y, c in enumerate(ramp(stops, h)):
        col.putpixel((0, y), c)
    return col.resize((w, h), Image.NEAREST)


def hcat(frames):
    w = sum(f.width for f in frames)
    out = Image.new('RGBA', (w, frames[0].height), (0, 0, 0, 0))
    x = 0
    for f in frames:
        out.paste(f, (x, 0))
        x += f.width
    return out


_fonts = {}


def font(px):
    if px not in _fonts:
        _fonts[px] = ImageFont.truetype(FONT_PATH, px)
    return _fonts[px]


# ---------------------------------------------------------------------------
# Painting over a known matte with hard alpha
# ---------------------------------------------------------------------------

class Paint:
    """An image painted at SS times its size (times the drawing scale K) over an
    opaque matte.

    Coordinates are in design pixels (floats allowed). `result` reduces to the
    design size times K; a pixel becomes opaque when shapes cover at least `threshold`/255
    of it, and keeps the matte-blended colour, otherwise it becomes alpha 0.
    """

    def __init__(self, w, h, matte):
        self.w, self.h = w, h
        self.u = SS * K   # canvas pixels per design pixel
        if not isinstance(matte, Image.Image):
            matte = Image.new('RGB', (w, h), matte)
        # a matte of the design size or of the drawing scale's size: either way
        # each of its pixels covers the same place
        self.rgb = matte.convert('RGB').resize((w * self.u, h * self.u), Image.NEAREST)
        self.cov = Image.new('L', self.rgb.size, 0)

    # masks ------------------------------------------------------------
    def new_mask(self):
        m = Image.new('L', self.rgb.size, 0)
        return m, ImageDraw.Draw(m)

    def rrect(self, box, r, inset=0.0):
        x0, y0, x1, y1 = box
        x0, y0, x1, y1 = x0 + inset, y0 + inset, x1 - inset, y1 - inset
        m, d = self.new_mask()
        u = self.u
        rr = max(0.0, r - inset)
        d.rounded_rectangle([x0 * u, y0 * u, x1 * u - 1, y1 * u - 1],
                            radius=rr * u, fill=255)
        return m

    def rrect_top(self, box, r):
        """Rounded top corners, square bottom."""
        x0, y0, x1, y1 = box
        m, d = self.new_mask()
        u = self.u
        d.rounded_rectangle([x0 * u, y0 * u, x1 * u - 1, (y1 + r) * u - 1],
                            radius=r * u, fill=255)
        d.rectangle([0, y1 * u, m.width, m.height], fill=0)
        return m

    def ring(self, box, r, width):
        return ImageChops.subtract(self.rrect(box, r), self.rrect(box, r, width))

    def ellipse(self, box):
        x0, y0, x1, y1 = box
        m, d = self.new_mask()
        u = self.u
        d.ellipse([x0 * u, y0 * u, x1 * u - 1, y1 * u - 1], fill=255)
        return m

    def circle(self, cx, cy, r):
        return self.ellipse((cx - r, cy - r, cx + r, cy + r))

    def polygon(self, pts):
        m, d = self.new_mask()
        u = self.u
        d.polygon([(x * u, y * u) for x, y in pts], fill=255)
        return m

    def lines(self, segs, width):
        """Round-capped strokes; segs is a list of point lists."""
        m, d = self.new_mask()
        u = self.u
        r = width * u / 2
        for pts in segs:
            sp = [(x * u, y * u) for x, y in pts]
            d.line(sp, fill=255, width=max(1, int(round(width * u))), joint='curve')
            for x, y in sp:
                d.ellipse([x - r, y - r, x + r, y + r], fill=255)
        return m

    def arc(self, box, start, end, width):
        x0, y0, x1, y1 = box
        m, d = self.new_mask()
        u = self.u
        d.arc([x0 * u, y0 * u, x1 * u - 1, y1 * u - 1], start, end, fill=255,
              width=max(1, int(round(width * u))))
        return m

    def text(self, s, px, pos, anchor='mm', bold=False):
        """Text rendered at output size (hinted), then scaled up unchanged, so that
        small Chinese text stays as crisp as the rasteriser makes it."""
        w, h = self.w * K, self.h * K
        if bold:
            m = Image.new('L', (w * 2, h * 2), 0)
            ImageDraw.Draw(m).text((pos[0] * 2 * K, pos[1] * 2 * K), s, font=font(px * 2 * K), fill=255,
                                   anchor=anchor, stroke_width=K, stroke_fill=255)
            m = m.resize((w, h), Image.LANCZOS)
        else:
            m = Image.new('L', (w, h), 0)
            ImageDraw.Draw(m).text((pos[0] * K, pos[1] * K), s, font=font(px * K), fill=255, anchor=anchor)
        return m.resize(self.rgb.size, Image.NEAREST)

    # painting ---------------------------------------------------------
    def fill(self, mask, src, opacity=1.0, cover=True):
        """Composites src (a colour or an SS-sized RGB image) through mask."""
        m = mask if opacity >= 1.0 else mask.point(lambda v: int(v * opacity + 0.5))
        if isinstance(src, tuple):
            src = Image.new('RGB', self.rgb.size, src[:3])
        self.rgb = Image.composite(src, self.rgb, m)
        if cover:
            self.cov = ImageChops.lighter(self.cov, mask)

    def grad(self, stops, y0=0.0, y1=None):
        """A vertical gradient source covering output rows y0..y1."""
        y1 = self.h if y1 is None else y1
        h = self.rgb.height
        col = Image.new('RGB', (1, h))
        a, b = y0 * self.u, y1 * self.u
        for y in range(h):
            t = 0.0 if b <= a else min(max((y - a) / (b - a), 0.0), 1.0)
            col.putpixel((0, y), ramp_at(stops, t))
        return col.resize(self.rgb.size, Image.NEAREST)

    def shift(self, mask, dx, dy):
        return ImageChops.offset(mask, int(round(dx * self.u)), int(round(dy * self.u)))

    def result(self, threshold=10):
        rgb = self.rgb.reduce(SS)
        cov = self.cov.reduce(SS).point(lambda v: 255 if v >= threshold else 0)
        out = rgb.convert('RGBA')
        out.putalpha(cov)
        return out


def ramp_at(stops, t):
    for k in range(len(stops) - 1):
        p0, c0 = stops[k]
        p1, c1 = stops[k + 1]
        if t <= p1 or k == len(stops) - 2:
            u = 0.0 if p1 == p0 else min(max((t - p0) / (p1 - p0), 0.0), 1.0)
            return mix(c0, c1, u)
    return stops[-1][1]


STATES = ('normal', 'hover', 'pressed', 'disabled')

# ---------------------------------------------------------------------------
# 131, 164: nine-grid window backgrounds
# ---------------------------------------------------------------------------

# Alpha-0 pixels of the rounded top-left corner; they stay inside the 4x4 corner
# cell, because anything transparent in column 4 or beyond would be stretched
# across the whole caption band as magenta.
TOP_CORNER = {(0, 0), (1, 0), (2, 0), (3, 0), (0, 1), (1, 1), (0, 2), (0, 3)}
BOTTOM_CORNER = {(0, 3), (1, 3), (0, 2)}   # rows counted within the 4-row bottom cell


def window_skin(ring, centre, w=30, h=51, b=4):
    """ring: the border's colours from the outside in (b entries)."""
    img = Image.new('RGBA', (w, h), centre + (255,))
    px = img.load()
    for y in range(h):
        for x in range(w):
            if y < CAPTION_H:
                px[x, y] = CAPTION_ROWS[y] + (255,)
                continue
            d = min(x, w - 1 - x, h - 1 - y)
            if d < b:
                px[x, y] = ring[d] + (255,)
    for (x, y) in TOP_CORNER:
        px[x, y] = (0, 0, 0, 0)
        px[w - 1 - x, y] = (0, 0, 0, 0)
    for (x, y) in BOTTOM_CORNER:
        px[x, h - b + y] = (0, 0, 0, 0)
        px[w - 1 - x, h - b + y] = (0, 0, 0, 0)
    return img


def at_scale(img):
    """A design drawn pixel by pixel, at the drawing scale: each pixel K x K."""
    return img if K == 1 else img.resize((img.width * K, img.height * K), Image.NEAREST)


def skin_131():
    ring = [NAVY_DEEP, (40, 62, 150), (30, 46, 118), (12, 18, 48)]
    return at_scale(window_skin(ring, (10, 14, 34)))


def skin_164():
    ring = [(24, 38, 100), (44, 68, 160), (40, 62, 150), BODY_LINE]
    return at_scale(window_skin(ring, BODY))


# ---------------------------------------------------------------------------
# Caption buttons (4 x 27x27) over the caption band
# ---------------------------------------------------------------------------

def g_close(p, dx, dy):
    return p.lines([[(9.5 + dx, 9.5 + dy), (17.5 + dx, 17.5 + dy)],
                    [(17.5 + dx, 9.5 + dy), (9.5 + dx, 17.5 + dy)]], 2.0)


def g_max(p, dx, dy):
    box = (8 + dx, 8.5 + dy, 19 + dx, 18.5 + dy)
    m = p.ring(box, 1.0, 1.5)
    top = p.rrect((box[0], box[1], box[2], box[1] + 3), 1.0)
    return ImageChops.lighter(m, top)


def g_min(p, dx, dy):
    return p.rrect((8 + dx, 15.5 + dy, 19 + dx, 18 + dy), 0.8)


def g_restore(p, dx, dy):
    back = (11 + dx, 7.5 + dy, 20 + dx, 15.5 + dy)
    front = (7 + dx, 11 + dy, 16 + dx, 19.5 + dy)
    bm = ImageChops.lighter(p.ring(back, 0.8, 1.4),
                            p.rrect((back[0], back[1], back[2], back[1] + 2.4), 0.8))
    # the back window is hidden where the front one lies
    bm = ImageChops.subtract(bm, p.rrect((front[0] - 1.2, front[1] - 1.2,
                                           front[2] + 1.2, front[3] + 1.2), 1))
    fm = ImageChops.lighter(p.ring(front, 0.8, 1.4),
                            p.rrect((front[0], front[1], front[2], front[1] + 2.4), 0.8))
    return ImageChops.lighter(bm, fm)


def lens(p, cx, cy, half_w, half_h, shrink=0.0):
    """An almond: the overlap of two circles, shrunk by `shrink` for an outline."""
    r = (half_w * half_w + half_h * half_h) / (2.0 * half_h)
    d = r - half_h
    a = p.circle(cx, cy + d, r - shrink)
    b = p.circle(cx, cy - d, r - shrink)
    return ImageChops.multiply(a, b)


def g_hide(p, dx, dy):
    # an eye with a slash: "hide everything" (the boss key button)
    cx, cy = 13.5 + dx, 13.5 + dy
    eye = ImageChops.subtract(lens(p, cx, cy, 8.5, 5.2), lens(p, cx, cy, 8.5, 5.2, 1.5))
    eye = ImageChops.lighter(eye, p.circle(cx, cy, 2.6))
    gap = p.lines([[(cx - 7, cy + 7), (cx + 7, cy - 7)]], 4.2)
    eye = ImageChops.subtract(eye, gap)
    return ImageChops.lighter(eye, p.lines([[(cx - 6.5, cy + 6.5), (cx + 6.5, cy - 6.5)]], 1.6))


def speaker(p, dx, dy):
    return p.polygon([(6 + dx, 11 + dy), (9 + dx, 11 + dy), (13.5 + dx, 7 + dy),
                      (13.5 + dx, 20 + dy), (9 + dx, 16 + dy), (6 + dx, 16 + dy)])


def g_sound(p, dx, dy):
    m = speaker(p, dx, dy)
    cx, cy = 13 + dx, 13.5 + dy
    for r in (3.6, 6.6):
        m = ImageChops.lighter(m, p.arc((cx - r, cy - r, cx + r, cy + r), -52, 52, 1.5))
    return m


def g_muted(p, dx, dy):
    return speaker(p, dx, dy)


def g_muted_cross(p, dx, dy):
    return p.lines([[(16 + dx, 11 + dy), (21 + dx, 16 + dy)],
                    [(21 + dx, 11 + dy), (16 + dx, 16 + dy)]], 1.6)


def caption_strip(glyph, danger=False, extra=None):
    """extra: optional (glyph, colour) drawn with its own colour (the muted cross)."""
    frames = []
    for state in STATES:
        p = Paint(27, 27, caption_matte(27, 0, 27))
        off = 1 if state == 'pressed' else 0
        face = (2, 2, 25, 25)
        if state == 'hover':
            if danger:
                p.fill(p.rrect(face, 4), p.grad([(0, (240, 108, 92)), (1, (184, 44, 40))], 2, 25))
                p.fill(p.ring(face, 4, 1), (255, 168, 150), 0.8)
            else:
                p.fill(p.rrect(face, 4), WHITE, 0.20)
                p.fill(p.ring(face, 4, 1), (200, 220, 255), 0.45)
                p.fill(p.rrect((3, 3, 24, 12), 3), WHITE, 0.10, cover=False)
        elif state == 'pressed':
            if danger:
                p.fill(p.rrect(face, 4), p.grad([(0, (120, 24, 22)), (1, (176, 42, 36))], 2, 25))
                p.fill(p.ring(face, 4, 1), (90, 16, 14), 0.9)
            else:
                p.fill(p.rrect(face, 4), NAVY_DEEP, 0.55)
                p.fill(p.ring(face, 4, 1), (4, 6, 20), 0.6)
        g = glyph(p, off, off)
        if state == 'disabled':
            p.fill(g, DISABLED_GLYPH)
        else:
            p.fill(p.shift(g, 0, 1), NAVY_DEEP, 0.55)
            p.fill(g, WHITE)
        if extra:
            eg, ec = extra
            m = eg(p, off, off)
            if state == 'disabled':
                p.fill(m, DISABLED_GLYPH)
            else:
                p.fill(p.shift(m, 0, 1), NAVY_DEEP, 0.55)
                p.fill(m, ec)
        frames.append(p.result())
    return hcat(frames)


# ---------------------------------------------------------------------------
# 138 system button, 159/160 hall button (caption band, 28 high)
# ---------------------------------------------------------------------------

def system_strip():
    frames = []
    face = (1, 3, 43, 25)
    looks = {
        'normal': ([(0, (72, 110, 206)), (0.5, (52, 84, 180)), (0.52, (42, 70, 162)), (1, (36, 60, 148))],
                   (120, 156, 236), (150, 184, 250)),
        'hover': ([(0, (96, 140, 232)), (0.5, (70, 110, 214)), (0.52, (58, 94, 198)), (1, (48, 82, 186))],
                  GOLD, GOLD_LIGHT),
        'pressed': ([(0, (24, 40, 108)), (1, (44, 72, 164))], (14, 22, 64), None),
        'disabled': ([(0, (180, 184, 196)), (1, (152, 156, 168))], (118, 122, 136), None),
    }
    for state in STATES:
        p = Paint(44, 28, caption_matte(44, 0, 28))
        stops, border, hi = looks[state]
        off = 1 if state == 'pressed' else 0
        p.fill(p.rrect(face, 5), p.grad(stops, 3, 25))
        if hi:
            p.fill(p.rrect((2, 4, 42, 5.2), 1), hi, 0.7)
        p.fill(p.ring(face, 5, 1), border)
        # a small arrow: the button opens a menu; the text "系统" is the control's
        arrow = p.polygon([(36.5 + off, 12.5 + off), (41 + off, 12.5 + off), (38.75 + off, 15.5 + off)])
        p.fill(arrow, (140, 146, 166) if state == 'disabled' else (214, 226, 255))
        frames.append(p.result())
    return hcat(frames)


def g_hall(p, dx, dy):
    # a small palace: roof, body, door
    x, y = 6 + dx, 7 + dy
    roof = p.polygon([(x, y + 5), (x + 7, y), (x + 14, y + 5)])
    body = p.rrect((x + 1.5, y + 5.5, x + 12.5, y + 14), 0.5)
    door = p.rrect((x + 5.3, y + 9, x + 8.7, y + 14), 1.2)
    return ImageChops.subtract(ImageChops.lighter(roof, body), door)


def hall_strip(active):
    frames = []
    face = (1, 3, 78, 25)
    for state in STATES:
        p = Paint(79, 28, caption_matte(79, 0, 28))
        off = 1 if state == 'pressed' else 0
        if active:
            stops = {
                'normal': [(0, (255, 232, 160)), (0.5, (240, 196, 96)), (0.52, (226, 176, 70)), (1, (206, 146, 44))],
                'hover': [(0, (255, 242, 190)), (0.5, (252, 212, 120)), (0.52, (240, 192, 90)), (1, (224, 164, 60))],
                'pressed': [(0, (180, 124, 34)), (1, (222, 168, 70))],
                'disabled': [(0, (196, 196, 200)), (1, (164, 166, 172))],
            }[state]
            p.fill(p.rrect(face, 5), p.grad(stops, 3, 25))
            if state in ('normal', 'hover'):
                p.fill(p.rrect((3, 4, 76, 5.2), 1), WHITE, 0.55)
            p.fill(p.ring(face, 5, 1), (120, 80, 20) if state != 'disabled' else (130, 132, 140))
            ink = (34, 26, 70) if state != 'disabled' else (112, 114, 122)
            shadow = None
        else:
            if state == 'hover':
                p.fill(p.rrect(face, 5), WHITE, 0.20)
                p.fill(p.ring(face, 5, 1), GOLD, 0.9)
            elif state == 'pressed':
                p.fill(p.rrect(face, 5), NAVY_DEEP, 0.55)
                p.fill(p.ring(face, 5, 1), (4, 6, 20), 0.6)
            else:
                p.fill(p.rrect(face, 5), WHITE, 0.08)
                p.fill(p.ring(face, 5, 1), (150, 176, 240), 0.45)
            ink = {'normal': GOLD_LIGHT, 'hover': WHITE, 'pressed': (230, 214, 170),
                   'disabled': DISABLED_GLYPH}[state]
            shadow = None if state == 'disabled' else NAVY_DEEP
        icon = g_hall(p, off, off)
        label = p.text('游戏大厅', 12, (47 + off, 14 + off))
        if shadow:
            p.fill(p.shift(icon, 0, 1), shadow, 0.6)
            p.fill(p.shift(label, 0, 1), shadow, 0.6)
        p.fill(icon, ink)
        p.fill(label, ink)
        frames.append(p.result())
    return hcat(frames)


# ---------------------------------------------------------------------------
# 142 tabs, 143 tab close boxes, 146 label image
# ---------------------------------------------------------------------------

TAB_Y = 6   # the strip sits at y 6 of the caption


def g_sparkle(p, cx, cy, r):
    k = r * 0.28
    return p.polygon([(cx, cy - r), (cx + k, cy - k), (cx + r, cy), (cx + k, cy + k),
                      (cx, cy + r), (cx - k, cy + k), (cx - r, cy), (cx - k, cy - k)])


def tab_strip():
    frames = []
    looks = [
        # face gradient, border, top highlight, emblem colour
        ([(0, (198, 214, 238)), (1, (150, 174, 216))], (78, 106, 176), (230, 238, 252), (70, 96, 160)),
        ([(0, (236, 244, 255)), (1, (188, 210, 242))], (118, 158, 230), WHITE, (44, 100, 200)),
        ([(0, (255, 255, 255)), (1, (224, 236, 250))], GOLD, None, (220, 160, 36)),
    ]
    for stops, border, hi, emblem in looks:
        p = Paint(189, 22, caption_matte(189, TAB_Y, 22))
        shape = p.rrect_top((0.5, 0, 188.5, 22), 5)
        p.fill(shape, p.grad(stops, 0, 22))
        inner = p.rrect_top((1.5, 1, 187.5, 22), 4)
        p.fill(ImageChops.subtract(shape, inner), border)
        if hi:
            p.fill(p.rrect((3, 1.2, 186, 2.2), 0.5), hi, 0.9, cover=False)
        else:
            # selected: a gold crest along the top
            crest = ImageChops.subtract(p.rrect_top((1.5, 1, 187.5, 3.2), 4),
                                        p.rrect((0, 3.2, 189, 22), 0))
            p.fill(crest, GOLD_LIGHT)
        star = g_sparkle(p, 15, 11.5, 6.5)
        p.fill(p.shift(star, 0, 0.6), WHITE, 0.7, cover=False)
        p.fill(star, emblem)
        p.fill(g_sparkle(p, 15, 11.5, 2.2), WHITE, 0.8)
        frames.append(p.result())
    return hcat(frames)


def tabclose_strip():
    frames = []
    matte = (236, 243, 252)    # between the hot and the selected tab face
    for fillc, ringc in (((146, 162, 196), (110, 128, 170)), (RED, (170, 40, 34)),
                         (RED_DARK, (110, 20, 18))):
        p = Paint(13, 13, matte)
        disc = p.circle(6.5, 6.5, 6.0)
        p.fill(disc, fillc)
        p.fill(ImageChops.subtract(disc, p.circle(6.5, 6.5, 5.1)), ringc)
        p.fill(p.lines([[(4.3, 4.3), (8.7, 8.7)], [(8.7, 4.3), (4.3, 8.7)]], 1.5), WHITE)
        frames.append(p.result(threshold=40))
    return hcat(frames)


def skin_146():
    # label image of "开小号": a player silhouette with a gold plus badge
    p = Paint(12, 13, caption_matte(12, 8, 13))
    head = p.circle(4.8, 4.2, 2.5)
    body = ImageChops.multiply(p.ellipse((0.4, 7.4, 9.2, 15.6)), p.rrect((0, 0, 12, 12.6), 0))
    person = ImageChops.lighter(head, body)
    person = ImageChops.subtract(person, p.circle(9.2, 9.3, 3.9))
    p.fill(p.shift(person, 0, 0.75), NAVY_DEEP, 0.6)
    p.fill(person, (214, 232, 255))
    plus = p.lines([[(9.2, 7), (9.2, 11.6)], [(6.9, 9.3), (11.5, 9.3)]], 1.6)
    p.fill(p.shift(plus, 0, 0.75), NAVY_DEEP, 0.6)
    p.fill(plus, GOLD_LIGHT)
    return p.result()


# ---------------------------------------------------------------------------
# 161, 162 progress bar; 165 push buttons (light dialog body)
# ---------------------------------------------------------------------------

GROOVE = [(0, (176, 192, 214)), (0.35, (206, 218, 234)), (1, (232, 239, 248))]


def skin_161():
    p = Paint(390, 21, BODY)
    outer = p.rrect((0, 0, 390, 21), 10.5)
    p.fill(outer, (112, 142, 186))
    p.fill(p.rrect((1, 1, 389, 20), 9.5), p.grad(GROOVE, 1, 20))
    p.fill(p.rrect((2, 19, 388, 20), 0.5), WHITE, 0.5, cover=False)
    return p.result()


def skin_162():
    # The bar shows the left end of this image on its left and the right end on
    # its right, so it must not change along x between the caps: no horizontal
    # gradient, no stripes.
    track = skin_161().convert('RGB')
    p = Paint(390, 21, track)
    bar = (2, 2, 388, 19)
    shape = p.rrect(bar, 8.5)
    p.fill(shape, p.grad([(0, (150, 232, 255)), (0.45, (48, 176, 238)), (0.55, (30, 150, 226)),
                          (1, (22, 104, 196))], 2, 19))
    p.fill(ImageChops.subtract(shape, p.rrect(bar, 8.5, 1)), (18, 92, 170))
    p.fill(p.rrect((5, 3.4, 385, 9), 3), WHITE, 0.38, cover=False)
    p.fill(p.rrect((6, 16.2, 384, 17.2), 0.5), (150, 230, 255), 0.5, cover=False)
    return p.result()


def skin_165():
    frames = []
    face = (0, 0, 57, 23)
    looks = {
        'normal': ([(0, WHITE), (0.5, (240, 246, 252)), (1, (206, 222, 242))], (108, 142, 194), WHITE),
        'hover': ([(0, WHITE), (0.5, (248, 251, 255)), (1, (220, 236, 255))], (206, 156, 56), WHITE),
        'pressed': ([(0, (188, 206, 232)), (1, (224, 234, 248))], (80, 112, 166), None),
        'disabled': ([(0, (240, 241, 243)), (1, (226, 228, 232))], (178, 184, 194), None),
    }
    for state in STATES:
        stops, border, hi = looks[state]
        p = Paint(57, 23, BODY)
        p.fill(p.rrect(face, 4), p.grad(stops, 0, 23))
        p.fill(p.ring(face, 4, 1), border)
        if hi:
            p.fill(p.rrect((2, 1.3, 55, 2.3), 0.5), hi, 0.9, cover=False)
        if state == 'hover':
            p.fill(p.ring((1, 1, 56, 22), 3, 1), (255, 228, 150), 0.8, cover=False)
        if state == 'pressed':
            p.fill(p.rrect((2, 1.2, 55, 3), 1), (120, 146, 186), 0.45, cover=False)
        frames.append(p.result())
    return hcat(frames)


# ---------------------------------------------------------------------------
# Pop-up notice: 148, 152 backgrounds, 149 close strip; 151 background, 150 strip
# ---------------------------------------------------------------------------

NOTICE_HEADER = 38


def notice_skin(w, h, with_picture):
    p = Paint(w, h, NAVY_DEEP)
    card = (0, 0, w, h)
    p.fill(p.rrect(card, 5), NAVY_DEEP)
    # header: the caption colours stretched over 38 rows
    p.fill(p.rrect((1, 1, w - 1, NOTICE_HEADER), 4),
           p.grad([(0, CAPTION_ROWS[0]), (0.06, CAPTION_ROWS[2]), (0.5, CAPTION_ROWS[13]),
                   (0.52, CAPTION_ROWS[15]), (1, CAPTION_ROWS[28])], 1, NOTICE_HEADER))
    p.fill(p.rrect((1, NOTICE_HEADER, w - 1, NOTICE_HEADER + 1.5), 0), GOLD)
    body = (1, NOTICE_HEADER + 1.5, w - 1, h - 1)
    p.fill(p.rrect(body, 4), p.grad([(0, (248, 251, 254)), (1, (228, 238, 248))], body[1], h))
    # header title with a megaphone
    mega = p.polygon([(11, 15), (15, 15), (23, 10), (23, 28), (15, 23), (11, 23)])
    mega = ImageChops.lighter(mega, p.rrect((13, 23, 17, 29), 1))
    title = p.text('游戏公告', 15, (29, 19), anchor='lm', bold=True)
    for m in (mega, title):
        p.fill(p.shift(m, 0, 1), NAVY_DEEP, 0.7)
        p.fill(m, GOLD_LIGHT)
    p.fill(g_sparkle(p, 104, 13, 4), GOLD_LIGHT, 0.8)
    p.fill(g_sparkle(p, 113, 23, 2.5), (180, 220, 255), 0.7)
    if with_picture:
        # frame of the picture label (75 x 80 at 15, 67) and a divider under the title
        p.fill(p.rrect((12, 64, 93, 150), 2), (172, 192, 218))
        p.fill(p.rrect((13, 65, 92, 149), 1.5), WHITE)
        p.fill(p.rrect((100, 65, 232, 66), 0), (176, 196, 222))
        more = (191, 165, 241, 184)
    else:
        p.fill(p.rrect((18, 62, 232, 63), 0), (176, 196, 222))
        more = (191, 142, 241, 161)
    p.fill(p.rrect(more, 4), (214, 230, 248))
    p.fill(p.ring(more, 4, 1), (170, 196, 228))
    # a wave at the foot
    foot = p.polygon([(1, h - 9)] + [(x, h - 7 + 2.2 * math.sin(x / 14.0)) for x in range(1, w, 3)]
                     + [(w - 1, h - 7), (w - 1, h - 1), (1, h - 1)])
    p.fill(ImageChops.multiply(foot, p.rrect(body, 4)), (196, 216, 240))
    return p.result(threshold=128)


def notice_close_strip(parent, x, y, with_text):
    """A close strip drawn over the given parent skin at (x, y)."""
    frames = []
    matte = parent.convert('RGB').crop((x * K, y * K, (x + 54) * K, (y + 22) * K))
    for state in STATES:
        p = Paint(54, 22, matte)
        off = 1 if state == 'pressed' else 0
        if with_text:
            face = (2, 2, 52, 20)
        else:
            face = (33, 2, 51, 20)
        if state == 'hover':
            p.fill(p.rrect(face, 4), p.grad([(0, (240, 108, 92)), (1, (184, 44, 40))], 2, 20))
        elif state == 'pressed':
            p.fill(p.rrect(face, 4), p.grad([(0, (120, 24, 22)), (1, (176, 42, 36))], 2, 20))
        elif state == 'normal' and not with_text:
            p.fill(p.rrect(face, 4), WHITE, 0.14)
            p.fill(p.ring(face, 4, 1), WHITE, 0.25)
        cx = 42 + off
        cross = p.lines([[(cx - 3.5, 7.5 + off), (cx + 3.5, 14.5 + off)],
                         [(cx + 3.5, 7.5 + off), (cx - 3.5, 14.5 + off)]], 1.7)
        marks = [cross]
        if with_text:
            marks.append(p.text('关闭', 12, (20 + off, 11 + off)))
        for m in marks:
            if state == 'disabled':
                p.fill(m, DISABLED_GLYPH)
            else:
                p.fill(p.shift(m, 0, 1), NAVY_DEEP, 0.6)
                p.fill(m, WHITE)
        frames.append(p.result())
    return hcat(frames)


def skin_151():
    w, h = 160, 212
    p = Paint(w, h, NAVY_DEEP)
    # the close strip sits at (106, 1); the tab carrying it is the only part of the
    # top 22 rows that is not keyed away
    tab = p.rrect_top((97, 0, 160, 24), 6)
    p.fill(tab, p.grad([(0, CAPTION_ROWS[1]), (1, CAPTION_ROWS[26])], 0, 23))
    p.fill(ImageChops.subtract(tab, p.rrect_top((98, 1, 160, 24), 5)), (92, 124, 214))
    frame = (0, 22, w, h)
    p.fill(p.rrect(frame, 5), NAVY_DEEP)
    p.fill(p.rrect(frame, 5, 1), INDIGO)
    p.fill(p.rrect(frame, 5, 3), GOLD)
    inner = (4, 26, w - 4, h - 4)
    p.fill(p.rrect(inner, 3), p.grad([(0, (30, 46, 118)), (1, (12, 18, 52))], 26, h - 4))
    rnd = random.Random(151)
    for _ in range(40):
        sx, sy = rnd.uniform(8, w - 8), rnd.uniform(30, h - 8)
        p.fill(p.circle(sx, sy, rnd.choice((0.5, 0.6, 0.9))), WHITE, rnd.uniform(0.3, 0.9), cover=False)
    p.fill(g_sparkle(p, 80, 100, 16), GOLD_LIGHT, 0.9, cover=False)
    p.fill(g_sparkle(p, 80, 100, 5), WHITE, 0.9, cover=False)
    msg = p.text('精彩活动', 14, (80, 136), bold=True)
    p.fill(msg, (200, 214, 246), 1.0, cover=False)
    return p.result(threshold=128)


# ---------------------------------------------------------------------------
# Link bar: 167 close, 168 minimise, 169..172 link buttons (over the login panel)
# ---------------------------------------------------------------------------

def round_button_strip(size, glyph):
    frames = []
    r = size / 2.0
    for state in STATES:
        p = Paint(size, size, PANEL)
        off = 1 if state == 'pressed' else 0
        disc = p.circle(r, r, r - 0.3)
        fillc, ringc = {
            'normal': ([(0, (58, 84, 170)), (1, (26, 40, 100))], GOLD),
            'hover': ([(0, (246, 116, 96)), (1, (184, 44, 40))], GOLD_LIGHT),
            'pressed': ([(0, (112, 22, 20)), (1, (170, 40, 34))], GOLD_DARK),
            'disabled': ([(0, (92, 96, 110)), (1, (70, 74, 86))], (120, 124, 134)),
        }[state]
        p.fill(disc, p.grad(fillc, 0, size))
        p.fill(ImageChops.subtract(disc, p.circle(r, r, r - 1.4)), ringc)
        g = glyph(p, r + off, r + off, size)
        p.fill(p.shift(g, 0, 0.8), NAVY_DEEP, 0.5)
        p.fill(g, DISABLED_GLYPH if state == 'disabled' else WHITE)
        frames.append(p.result())
    return hcat(frames)


def g_round_close(p, cx, cy, size):
    k = size * 0.17
    return p.lines([[(cx - k, cy - k), (cx + k, cy + k)], [(cx + k, cy - k), (cx - k, cy + k)]], 1.7)


def g_round_min(p, cx, cy, size):
    k = size * 0.22
    return p.rrect((cx - k, cy - 0.9, cx + k, cy + 0.9), 0.6)


def ic_globe(p, cx, cy):
    outer = p.circle(cx, cy, 11)
    m = ImageChops.subtract(outer, p.circle(cx, cy, 9.4))
    m = ImageChops.lighter(m, ImageChops.subtract(p.ellipse((cx - 4.6, cy - 11, cx + 4.6, cy + 11)),
                                                   p.ellipse((cx - 3.1, cy - 9.6, cx + 3.1, cy + 9.6))))
    m = ImageChops.lighter(m, p.rrect((cx - 10, cy - 0.75, cx + 10, cy + 0.75), 0))
    band = ImageChops.multiply(p.rrect((cx - 11, cy - 5.6, cx + 11, cy - 4.4), 0), outer)
    m = ImageChops.lighter(m, band)
    band = ImageChops.multiply(p.rrect((cx - 11, cy + 4.4, cx + 11, cy + 5.6), 0), outer)
    return ImageChops.lighter(m, band)


def ic_gem(p, cx, cy):
    top, mid, bot = cy - 8, cy - 2.5, cy + 10
    outline = p.polygon([(cx - 6, top), (cx + 6, top), (cx + 11, mid), (cx, bot), (cx - 11, mid)])
    cut = p.polygon([(cx - 4.8, top + 1.4), (cx + 4.8, top + 1.4), (cx + 8.6, mid - 0.4),
                     (cx - 8.6, mid - 0.4)])
    low = p.polygon([(cx - 8.4, mid + 1.2), (cx + 8.4, mid + 1.2), (cx, bot - 2.2)])
    m = ImageChops.subtract(outline, ImageChops.lighter(cut, low))
    facets = p.lines([[(cx - 3.5, mid + 1.2), (cx, bot - 2.5), (cx + 3.5, mid + 1.2)],
                      [(cx - 2.5, top + 1.4), (cx - 4.2, mid - 0.4)],
                      [(cx + 2.5, top + 1.4), (cx + 4.2, mid - 0.4)]], 1.1)
    return ImageChops.lighter(m, facets)


def ic_headset(p, cx, cy):
    band = p.arc((cx - 10, cy - 10, cx + 10, cy + 10), 180, 360, 1.9)
    band = ImageChops.lighter(band, p.rrect((cx - 10.95, cy - 0.5, cx - 9.05, cy + 3), 0))
    band = ImageChops.lighter(band, p.rrect((cx + 9.05, cy - 0.5, cx + 10.95, cy + 3), 0))
    cups = ImageChops.lighter(p.rrect((cx - 12, cy + 0.5, cx - 6, cy + 9), 2.2),
                              p.rrect((cx + 6, cy + 0.5, cx + 12, cy + 9), 2.2))
    mic = p.arc((cx - 8, cy - 2, cx + 9, cy + 13), 40, 100, 1.6)
    tip = p.rrect((cx - 2.5, cy + 10.6, cx + 2.5, cy + 13.4), 1.4)
    return ImageChops.lighter(ImageChops.lighter(band, cups), ImageChops.lighter(mic, tip))


def ic_bubbles(p, cx, cy):
    # two speech bubbles: an outlined one behind, a solid one in front
    back_box = (cx - 2, cy - 11, cx + 13, cy + 0.5)
    back = ImageChops.lighter(p.rrect(back_box, 4), p.polygon([(cx + 6, cy), (cx + 12, cy), (cx + 11.5, cy + 5)]))
    back = ImageChops.subtract(back, p.rrect(back_box, 4, 1.6))
    front_box = (cx - 13, cy - 4, cx + 4.5, cy + 8.5)
    front = ImageChops.lighter(p.rrect(front_box, 4.2),
                               p.polygon([(cx - 9, cy + 7), (cx - 3, cy + 7), (cx - 10.5, cy + 12.5)]))
    m = ImageChops.subtract(back, p.rrect((front_box[0] - 1.6, front_box[1] - 1.6,
                                           front_box[2] + 1.6, front_box[3] + 1.6), 5.5))
    dots = None
    for dx in (-8.2, -4.2, -0.2):
        c = p.circle(cx + dx, cy + 2.3, 1.2)
        dots = c if dots is None else ImageChops.lighter(dots, c)
    return ImageChops.lighter(m, ImageChops.subtract(front, dots)), None


def link_strip(text, icon):
    frames = []
    face = (1, 1, 112, 40)
    looks = {
        'normal': ([(0, (50, 78, 164)), (0.48, (34, 56, 132)), (0.5, (26, 42, 108)), (1, (20, 32, 84))],
                   GOLD, (98, 130, 214), WHITE),
        'hover': ([(0, (74, 116, 214)), (0.48, (52, 88, 186)), (0.5, (40, 70, 162)), (1, (30, 52, 128))],
                  GOLD_LIGHT, (150, 200, 255), (255, 246, 214)),
        'pressed': ([(0, (14, 24, 64)), (1, (30, 50, 118))], GOLD_DARK, None, (226, 216, 190)),
        'disabled': ([(0, (70, 74, 90)), (1, (50, 52, 64))], (110, 112, 120), None, (150, 152, 160)),
    }
    for state in STATES:
        stops, border, hi, ink = looks[state]
        p = Paint(113, 41, PANEL)
        off = 1 if state == 'pressed' else 0
        p.fill(p.rrect(face, 6), p.grad(stops, 1, 40))
        if hi:
            p.fill(p.rrect((3, 2.2, 110, 3.2), 0.5), hi, 0.8, cover=False)
        if state == 'hover':
            p.fill(p.ring((2, 2, 111, 39), 5, 1.2), CYAN, 0.55, cover=False)
        p.fill(p.ring(face, 6, 1.2), border)
        # corner studs
        for sx, sy in ((5.5, 5.5), (107.5, 5.5), (5.5, 35.5), (107.5, 35.5)):
            p.fill(g_sparkle(p, sx, sy, 2.2), border, 0.9, cover=False)
        cx, cy = 24 + off, 20.5 + off
        got = icon(p, cx, cy)
        ic, extra = got if isinstance(got, tuple) else (got, None)
        if state == 'disabled':
            gold = (150, 152, 160)
            src = gold
        else:
            src = p.grad([(0, (255, 236, 170)), (1, (222, 164, 60))], cy - 11, cy + 11)
        p.fill(p.shift(ic, 0, 1), NAVY_DEEP, 0.8)
        p.fill(ic, src)
        if extra is not None:
            p.fill(extra, src)
        label = p.text(text, 15, (75 + off, 20 + off), bold=True)
        if state != 'disabled':
            p.fill(p.shift(label, 1, 1), NAVY_DEEP, 0.85)
        p.fill(label, ink)
        frames.append(p.result())
    return hcat(frames)


# ---------------------------------------------------------------------------
# 141 login background (true alpha, shown by a layered window)
# ---------------------------------------------------------------------------

LOGIN_W, LOGIN_H = 1001, 634
CARD = (14, 14, 987, 620)           # the opaque card inside the soft shadow
LOGIN_PANEL = (378, 106, 948, 510)  # holds the link bar (391,122 548x380) and the page (388,198 535x295)
HORIZON = 452
LINKBAR_AT = (391, 122)

# The link bar's buttons in dialog units (template 127): x, y and the frame size of
# their strip. With "MS Shell Dlg" 8 a dialog unit is about 6/4 x 13/8 pixels.
LINKBAR_DLU = ((349, 0, 21, 21), (337, 1, 18, 18), (0, 21, 113, 41), (91, 21, 113, 41),
               (183, 21, 113, 41), (274, 21, 113, 41))


def linkbar_buttons(base_x=6, base_y=13):
    """The buttons' rectangles on the login background, in pixels."""
    out = []
    for x, y, w, h in LINKBAR_DLU:
        px = (x * base_x * 2 + 4) // 8   # MulDiv rounding
        py = (y * base_y * 2 + 8) // 16
        out.append((LINKBAR_AT[0] + px, LINKBAR_AT[1] + py, w, h))
    return out


def sc(*v):
    """Design pixels at the drawing scale: one value, or a tuple of them."""
    return v[0] * K if len(v) == 1 else tuple(x * K for x in v)


def dot(d, x, y, fill):
    """One design pixel at (x, y): K x K pixels at the drawing scale."""
    if K == 1:
        d.point((x, y), fill=fill)
    else:
        d.rectangle((x * K, y * K, x * K + K - 1, y * K + K - 1), fill=fill)


def screen(base, light):
    return ImageChops.screen(base, light)


def scaled(img, k):
    return img.point(lambda v: int(min(255, v * k)))


def radial(size, inner, outer, power=1.0):
    """An RGB disc fading from inner colour at the centre to outer at the rim."""
    g = Image.radial_gradient('L').resize((size, size), Image.BICUBIC)
    if power != 1.0:
        g = g.point(lambda v: int(255 * (min(v, 255) / 255.0) ** power))
    a = Image.new('RGB', (size, size), inner)
    b = Image.new('RGB', (size, size), outer)
    return Image.composite(b, a, g)


def login_sky():
    w, h = sc(LOGIN_W, LOGIN_H)
    H = LOGIN_H
    sky = vgrad(w, h, [(0, (4, 6, 24)), (0.30, (12, 18, 60)), (0.62, (34, 36, 112)),
                       (HORIZON / H - 0.01, (84, 70, 160)), (HORIZON / H, (110, 96, 190)),
                       (HORIZON / H + 0.012, (36, 56, 130)), (0.86, (12, 24, 70)), (1, (4, 8, 30))])
    # nebulae
    light = Image.new('RGB', (w, h), 0)
    d = ImageDraw.Draw(light)
    for box, col in (((-120, 180, 520, 470), (90, 40, 150)), ((180, 40, 700, 330), (20, 90, 150)),
                     ((520, 280, 1100, 470), (110, 40, 120)), ((-60, 20, 300, 200), (30, 60, 130)),
                     ((600, -80, 1060, 160), (40, 30, 110))):
        d.ellipse(sc(*box), fill=col)
    light = light.filter(ImageFilter.GaussianBlur(70 * K))
    sky = screen(sky, light)
    # a milky band of faint dust
    rnd = random.Random(1410)
    dust = Image.new('RGB', (w, h), 0)
    d = ImageDraw.Draw(dust)
    for _ in range(5200):
        t = rnd.random()
        x = -50 + t * (LOGIN_W + 100)
        y = 380 - t * 330 + rnd.gauss(0, 46)
        if y > HORIZON:
            continue
        v = rnd.randint(30, 90)
        dot(d, x, y, (v, v, min(255, v + 40)))
    sky = screen(sky, dust.filter(ImageFilter.GaussianBlur(1.2 * K)))
    sky = screen(sky, scaled(dust.filter(ImageFilter.GaussianBlur(14 * K)), 2.2))
    return sky


def login_stars(img):
    w, h = img.size
    rnd = random.Random(1411)
    stars = Image.new('RGB', (w, h), 0)
    d = ImageDraw.Draw(stars)
    bright = []
    for i in range(1100):
        x, y = rnd.uniform(0, LOGIN_W), rnd.uniform(0, HORIZON - 4)
        v = int(255 * rnd.random() ** 2.2)
        tint = rnd.choice(((1, 1, 1), (0.8, 0.9, 1), (1, 0.92, 0.78), (0.75, 0.95, 1)))
        c = tuple(int(v * k) for k in tint)
        if rnd.random() < 0.06:
            d.ellipse(sc(x - 1, y - 1, x + 1, y + 1), fill=c)
            bright.append((x, y, c))
        else:
            dot(d, x, y, c)
    img = screen(img, stars)
    glow = Image.new('RGB', (w, h), 0)
    gd = ImageDraw.Draw(glow)
    for x, y, c in bright:
        gd.ellipse(sc(x - 3, y - 3, x + 3, y + 3), fill=c)
    img = screen(img, scaled(glow.filter(ImageFilter.GaussianBlur(3 * K)), 1.3))
    # a few large four-point sparkles
    sp = Image.new('RGB', (w, h), 0)
    sd = ImageDraw.Draw(sp)
    for x, y, r in ((150, 54, 12), (352, 246, 9), (612, 58, 14), (966, 180, 8), (260, 410, 7),
                    (46, 330, 8), (690, 410, 10), (560, 200, 6)):
        sd.line(sc(x - r, y, x + r, y), fill=(200, 220, 255), width=K)
        sd.line(sc(x, y - r, x, y + r), fill=(200, 220, 255), width=K)
        sd.ellipse(sc(x - 1.5, y - 1.5, x + 1.5, y + 1.5), fill=WHITE)
    img = screen(img, sp.filter(ImageFilter.GaussianBlur(0.6 * K)))
    img = screen(img, scaled(sp.filter(ImageFilter.GaussianBlur(4 * K)), 2.0))
    return img


def ring_masks(w, h, cx, cy, r, tilt):
    """Planet rings as two masks: the half behind the sphere and the half in front."""
    back = Image.new('L', (w * 2, h * 2), 0)
    front = Image.new('L', (w * 2, h * 2), 0)
    bd, fd = ImageDraw.Draw(back), ImageDraw.Draw(front)
    ca, sa = math.cos(tilt), math.sin(tilt)
    for k, a in ((1.66, 110), (1.56, 200), (1.47, 90), (1.37, 160)):
        prev = None
        for i in range(0, 361, 2):
            th = math.radians(i)
            ex, ey = r * k * math.cos(th), r * k * 0.27 * math.sin(th)
            pt = ((cx + ex * ca - ey * sa) * 2 * K, (cy + ex * sa + ey * ca) * 2 * K)
            if prev is not None:
                (fd if math.sin(th) > 0 else bd).line((prev, pt), fill=a, width=4 * K)
            prev = pt
    return back.reduce(2), front.reduce(2)


def login_planet(img):
    w, h = img.size
    cx, cy, r = 776, 44, 78
    size = 2 * r * K
    ring_col = Image.new('RGB', (w, h), (196, 206, 244))
    back, front = ring_masks(w, h, cx, cy, r, math.radians(12))
    img = Image.composite(ring_col, img, back)
    # the sphere, lit from the upper left
    body = radial(size, (110, 214, 244), (20, 46, 120), 0.85)
    bands = Image.new('L', (size, size), 0)
    bd = ImageDraw.Draw(bands)
    rnd = random.Random(1412)
    for i in range(11):
        y = rnd.uniform(0, size)
        bd.ellipse((-size * 0.5, y - 3 * K, size * 1.5, y + (3 + rnd.uniform(0, 5)) * K), fill=rnd.randint(18, 46))
    bands = bands.rotate(-12, resample=Image.BICUBIC).filter(ImageFilter.GaussianBlur(2 * K))
    body = screen(body, Image.merge('RGB', (bands, bands, bands)))
    shade = Image.new('L', (size, size), 0)
    ImageDraw.Draw(shade).ellipse((size * 0.30, size * 0.26, size * 1.5, size * 1.5), fill=215)
    shade = shade.filter(ImageFilter.GaussianBlur(size * 0.11))
    body = Image.composite(Image.new('RGB', (size, size), (8, 12, 40)), body, shade)
    disc = Image.new('L', (size * 4, size * 4), 0)
    ImageDraw.Draw(disc).ellipse((0, 0, size * 4 - 1, size * 4 - 1), fill=255)
    disc = disc.reduce(4)
    img.paste(body, sc(cx - r, cy - r), disc)
    # atmosphere rim, brightest on the lit side
    rim = Image.new('RGB', (w, h), 0)
    ImageDraw.Draw(rim).arc(sc(cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1), 110, 300, fill=(100, 200, 255),
                            width=5 * K)
    img = screen(img, rim.filter(ImageFilter.GaussianBlur(5 * K)))
    return Image.composite(ring_col, img, front)


def wave_y(x, phase, amp, base):
    return base + amp * math.sin(x / 61.0 + phase) + amp * 0.5 * math.sin(x / 23.0 + phase * 1.7)


def login_sea(img):
    w, h = img.size
    light = Image.new('RGB', (w, h), 0)
    d = ImageDraw.Draw(light)
    # wave crests: lines that grow brighter and wider towards the viewer
    for i in range(26):
        t = i / 25.0
        base = HORIZON + 4 + (LOGIN_H - HORIZON) * t ** 1.6
        amp = 0.3 + 2.4 * t ** 1.3       # small against the spacing: the lines never cross
        v = int(40 + 110 * t)
        pts = [sc(x, wave_y(x, i * 0.45, amp, base)) for x in range(-10, LOGIN_W + 10, 4)]
        d.line(pts, fill=(int(v * 0.45), int(v * 0.8), v), width=(1 + int(2 * t)) * K)
    img = screen(img, light.filter(ImageFilter.GaussianBlur(1.4 * K)))
    # reflection column under the planet and a horizon glow
    refl = Image.new('RGB', (w, h), 0)
    rd = ImageDraw.Draw(refl)
    rd.rectangle(sc(716, HORIZON + 2, 836, LOGIN_H), fill=(40, 110, 150))
    rd.rectangle(sc(0, HORIZON - 6, LOGIN_W, HORIZON + 6), fill=(90, 80, 170))
    img = screen(img, refl.filter(ImageFilter.GaussianBlur(22 * K)))
    return img


def bezier(p0, p1, p2, p3, t):
    u = 1 - t
    return tuple(u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c + t * t * t * d
                 for a, b, c, d in zip(p0, p1, p2, p3))


def tide_path(t, lane=0):
    """The star tide: a luminous current that rises out of the sea at the lower
    left and sweeps up under the title, to vanish behind the panel."""
    if lane == 0:
        return bezier((-30, 610), (170, 575), (220, 330), (450, 292), t)
    return bezier((-30, 560), (140, 500), (250, 420), (450, 385), t)


def login_tide(img):
    w, h = img.size
    rnd = random.Random(1413)
    for lane, width, strength in ((0, 30, 1.0), (1, 14, 0.6)):
        pts = [sc(*tide_path(i / 200.0, lane)) for i in range(201)]
        core = Image.new('RGB', (w, h), 0)
        ImageDraw.Draw(core).line(pts, fill=tuple(int(c * strength) for c in (50, 150, 210)), width=width * K)
        img = screen(img, core.filter(ImageFilter.GaussianBlur(width * K)))
        thread = Image.new('RGB', (w, h), 0)
        ImageDraw.Draw(thread).line(pts, fill=tuple(int(c * strength) for c in (150, 230, 255)), width=2 * K)
        img = screen(img, thread.filter(ImageFilter.GaussianBlur(2.5 * K)))
    parts = Image.new('RGB', (w, h), 0)
    pd = ImageDraw.Draw(parts)
    for i in range(3000):
        lane = 0 if rnd.random() < 0.72 else 1
        t = rnd.random() ** 0.85
        x, y = tide_path(t, lane)
        spread = (8 + 34 * math.sin(math.pi * min(t * 1.15, 1.0))) * (1.0 if lane == 0 else 0.55)
        x += rnd.gauss(0, spread)
        y += rnd.gauss(0, spread * 0.55)
        gold = rnd.random() < 0.3
        v = rnd.uniform(0.35, 1.0) * (1.0 if t < 0.85 else (1 - t) / 0.15 + 0.2)
        c = (255, 214, 130) if gold else (150, 226, 255)
        c = tuple(int(k * min(v, 1.0)) for k in c)
        r = rnd.choice((0.5, 0.5, 0.8, 1.2))
        pd.ellipse(sc(x - r, y - r, x + r, y + r), fill=c)
    img = screen(img, parts)
    img = screen(img, scaled(parts.filter(ImageFilter.GaussianBlur(4 * K)), 1.6))
    return img


def gradient_text(img, text, px, pos, top, bottom, outline, glow, stroke=3, spacing=0, skew=0.0):
    """Big display text: glow, dark outline, vertical gold gradient, inner shine."""
    px, pos, stroke, spacing = px * K, sc(*pos), stroke * K, spacing * K
    w, h = img.size
    f = font(px)
    mask = Image.new('L', (w, h), 0)
    omask = Image.new('L', (w, h), 0)
    md, od = ImageDraw.Draw(mask), ImageDraw.Draw(omask)
    x, y = pos
    for ch in text:
        md.text((x, y), ch, font=f, fill=255)
        od.text((x, y), ch, font=f, fill=255, stroke_width=stroke, stroke_fill=255)
        x += f.getlength(ch) + spacing
    if skew:
        # lean the letters forward: shear about the text's baseline
        base = pos[1] + px
        mat = (1, skew, -skew * base, 0, 1, 0)
        mask = mask.transform((w, h), Image.AFFINE, mat, resample=Image.BICUBIC)
        omask = omask.transform((w, h), Image.AFFINE, mat, resample=Image.BICUBIC)
    gl = omask.filter(ImageFilter.GaussianBlur(stroke * 4))
    img = screen(img, Image.composite(Image.new('RGB', (w, h), glow), Image.new('RGB', (w, h), 0), gl))
    img = Image.composite(Image.new('RGB', (w, h), outline), img, omask)
    grad = vgrad(w, h, [(0, top), (pos[1] / h, top), ((pos[1] + px * 0.55) / h, mix(top, bottom, 0.5)),
                        ((pos[1] + px * 1.05) / h, bottom), (1, bottom)])
    img = Image.composite(grad, img, mask)
    shine = ImageChops.multiply(mask, ImageChops.offset(mask, 0, 2 * K).point(lambda v: 255 - v))
    img = Image.composite(Image.new('RGB', (w, h), (255, 250, 225)), img, shine.point(lambda v: v // 2))
    return img


def login_title(img):
    img = gradient_text(img, '星潮纪元', 76, (44, 74), (255, 246, 204), (226, 156, 52),
                        (34, 18, 54), (250, 180, 80), stroke=3, spacing=2, skew=0.12)
    w, h = img.size
    d = ImageDraw.Draw(img)
    sub = '极 速 登 录 器'
    f = font(18 * K)
    tw = f.getlength(sub) / K
    x0 = 50 + (330 - tw) / 2
    y0 = 178
    d.line(sc(x0 - 52, y0 + 11, x0 - 10, y0 + 11), fill=(150, 200, 240), width=K)
    d.line(sc(x0 + tw + 10, y0 + 11, x0 + tw + 52, y0 + 11), fill=(150, 200, 240), width=K)
    for xx in (x0 - 56, x0 + tw + 56):
        d.polygon([sc(xx, y0 + 7), sc(xx + 4, y0 + 11), sc(xx, y0 + 15), sc(xx - 4, y0 + 11)], fill=GOLD_LIGHT)
    d.text(sc(x0 + 1, y0 + 1), sub, font=f, fill=(8, 10, 30))
    d.text(sc(x0, y0), sub, font=f, fill=(200, 232, 255))
    # the platform badge at the top left
    badge = sc(30, 28, 128, 52)
    d.rounded_rectangle(badge, radius=12 * K, fill=(20, 30, 80), outline=GOLD, width=K)
    d.text(sc(79, 40), 'RV 游戏平台', font=font(13 * K), fill=GOLD_LIGHT, anchor='mm')
    return img


def login_panel(img):
    w, h = img.size
    x0, y0, x1, y1 = LOGIN_PANEL
    glow = Image.new('RGB', (w, h), 0)
    ImageDraw.Draw(glow).rounded_rectangle(sc(x0 - 4, y0 - 4, x1 + 4, y1 + 4), radius=16 * K, outline=(40, 120, 200),
                                           width=6 * K)
    img = screen(img, glow.filter(ImageFilter.GaussianBlur(10 * K)))
    shadow = Image.new('L', (w, h), 0)
    ImageDraw.Draw(shadow).rounded_rectangle(sc(x0 + 2, y0 + 6, x1 + 2, y1 + 8), radius=12 * K, fill=170)
    shadow = shadow.filter(ImageFilter.GaussianBlur(8 * K))
    img = Image.composite(Image.new('RGB', (w, h), (2, 4, 14)), img, shadow)
    # The panel is one flat colour: the link bar's buttons are anti-aliased
    # against exactly this colour, wherever the dialog units put them.
    u = 4 * K   # supersampled canvas pixels per design pixel
    m = Image.new('L', (w * 4, h * 4), 0)
    ImageDraw.Draw(m).rounded_rectangle((x0 * u, y0 * u, x1 * u - 1, y1 * u - 1), radius=12 * u, fill=255)
    m = m.reduce(4)
    frame = Image.new('L', (w * 4, h * 4), 0)
    fd = ImageDraw.Draw(frame)
    fd.rounded_rectangle((x0 * u, y0 * u, x1 * u - 1, y1 * u - 1), radius=12 * u, outline=255, width=6 * K)
    frame = frame.reduce(4)
    inner = Image.new('L', (w * 4, h * 4), 0)
    ImageDraw.Draw(inner).rounded_rectangle(((x0 + 4) * u, (y0 + 4) * u, (x1 - 4) * u - 1, (y1 - 4) * u - 1),
                                            radius=8 * u, outline=255, width=4 * K)
    inner = inner.reduce(4)
    img = Image.composite(Image.new('RGB', (w, h), PANEL), img, m)
    img = Image.composite(Image.new('RGB', (w, h), GOLD), img, frame)
    img = Image.composite(Image.new('RGB', (w, h), (44, 66, 150)), img, inner)
    d = ImageDraw.Draw(img)
    # corner ornaments on the frame
    for cx, cy in ((x0 + 1, y0 + 1), (x1 - 2, y0 + 1), (x0 + 1, y1 - 2), (x1 - 2, y1 - 2)):
        d.polygon([sc(cx, cy - 6), sc(cx + 6, cy), sc(cx, cy + 6), sc(cx - 6, cy)], fill=GOLD_LIGHT,
                  outline=GOLD_DARK, width=K)
    # header text, left of the link bar's minimise and close buttons
    d.text(sc(402, 127), '欢迎登录', font=font(15 * K), fill=GOLD_LIGHT)
    d.text(sc(472, 130), '一个账号  畅游星海', font=font(12 * K), fill=(150, 176, 226))
    return img


def login_footer(img):
    w, h = img.size
    H = LOGIN_H
    band = vgrad(w, h, [(0, (0, 0, 0)), (574 / H, (0, 0, 0)), (592 / H, (150, 150, 150)), (1, (170, 170, 170))])
    img = Image.composite(Image.new('RGB', (w, h), (2, 6, 22)), img, band.convert('L'))
    d = ImageDraw.Draw(img)
    lines = '抵制不良游戏，拒绝盗版游戏。注意自我保护，谨防受骗上当。适度游戏益脑，沉迷游戏伤身。合理安排时间，享受健康生活。'
    f = font(12 * K)
    tw = f.getlength(lines) / K
    x = (LOGIN_W - tw) / 2
    d.text(sc(x + 1, 590), lines, font=f, fill=(4, 6, 20))
    d.text(sc(x, 589), lines, font=f, fill=(160, 178, 214))
    return img


def skin_141():
    w, h = sc(LOGIN_W, LOGIN_H)
    img = login_sky()
    img = login_stars(img)
    img = login_planet(img)
    img = login_sea(img)
    img = login_tide(img)
    img = login_title(img)
    img = login_panel(img)
    img = login_footer(img)
    # card shape and edge
    u = 4 * K   # supersampled canvas pixels per design pixel
    card = Image.new('L', (w * 4, h * 4), 0)
    x0, y0, x1, y1 = CARD
    ImageDraw.Draw(card).rounded_rectangle((x0 * u, y0 * u, x1 * u - 1, y1 * u - 1), radius=18 * u, fill=255)
    card = card.reduce(4)
    edge = Image.new('L', (w * 4, h * 4), 0)
    ImageDraw.Draw(edge).rounded_rectangle((x0 * u, y0 * u, x1 * u - 1, y1 * u - 1), radius=18 * u, outline=255,
                                           width=6 * K)
    edge = edge.reduce(4)
    edge2 = Image.new('L', (w * 4, h * 4), 0)
    ImageDraw.Draw(edge2).rounded_rectangle(((x0 + 2) * u, (y0 + 2) * u, (x1 - 2) * u - 1, (y1 - 2) * u - 1),
                                            radius=16 * u, outline=255, width=4 * K)
    edge2 = edge2.reduce(4)
    img = Image.composite(Image.new('RGB', (w, h), (150, 120, 60)), img, edge)
    img = Image.composite(Image.new('RGB', (w, h), (70, 100, 190)), img, edge2.point(lambda v: v * 2 // 3))
    content = img.convert('RGBA')
    content.putalpha(card)
    # soft shadow around the card, fading to alpha 0 at the image's edges
    sh = Image.new('L', (w, h), 0)
    ImageDraw.Draw(sh).rounded_rectangle(sc(x0 + 1, y0 + 4, x1 - 1, y1 + 2), radius=20 * K, fill=190)
    sh = sh.filter(ImageFilter.GaussianBlur(5 * K))
    fade = Image.new('L', (w, h), 0)
    ImageDraw.Draw(fade).rectangle((2 * K, 2 * K, w - 1 - 2 * K, h - 1 - 2 * K), fill=255)
    fade = fade.filter(ImageFilter.GaussianBlur(K))
    ImageDraw.Draw(fade).rectangle((0, 0, w - 1, h - 1), outline=0, width=K)
    sh = ImageChops.multiply(sh, fade)
    out = Image.new('RGBA', (w, h), (4, 6, 20, 0))
    out.putalpha(sh)
    return Image.alpha_composite(out, content)


# ---------------------------------------------------------------------------
# 128: application icon
# ---------------------------------------------------------------------------

def icon_image(size):
    k = 16   # draw large, reduce
    n = size * k
    img = Image.new('RGBA', (n, n), (0, 0, 0, 0))
    m = Image.new('L', (n, n), 0)
    pad = n * (0.02 if size <= 16 else 0.04)
    rad = n * 0.22
    ImageDraw.Draw(m).rounded_rectangle((pad, pad, n - pad - 1, n - pad - 1), radius=rad, fill=255)
    bg = vgrad(n, n, [(0, (70, 104, 206)), (0.55, (30, 46, 130)), (1, (12, 18, 60))])
    img.paste(bg, (0, 0), m)
    d = ImageDraw.Draw(img)
    # tide: two waves across the lower part
    for i, (yy, col, wid) in enumerate(((0.70, (90, 210, 250), 0.085), (0.84, (40, 150, 220), 0.07))):
        pts = [(x, n * yy + n * 0.05 * math.sin(x / n * 2 * math.pi * 1.1 + i * 1.4)) for x in range(0, n + 1, k)]
        d.line(pts, fill=col + (255,), width=int(n * wid))
    # the star
    cx, cy, r = n * 0.5, n * 0.40, n * (0.34 if size <= 16 else 0.30)
    kk = r * 0.30
    star = [(cx, cy - r), (cx + kk, cy - kk), (cx + r, cy), (cx + kk, cy + kk), (cx, cy + r),
            (cx - kk, cy + kk), (cx - r, cy), (cx - kk, cy - kk)]
    d.polygon(star, fill=GOLD_LIGHT + (255,))
    half = [(cx, cy - r), (cx + kk, cy - kk), (cx + r, cy), (cx, cy)]
    d.polygon(half, fill=(255, 246, 214, 255))
    half = [(cx, cy + r), (cx - kk, cy + kk), (cx - r, cy), (cx, cy)]
    d.polygon(half, fill=(226, 160, 50, 255))
    # keep everything inside the rounded square, then a gold rim
    alpha = ImageChops.multiply(img.getchannel('A'), m)
    img.putalpha(alpha)
    rim = Image.new('L', (n, n), 0)
    ImageDraw.Draw(rim).rounded_rectangle((pad, pad, n - pad - 1, n - pad - 1), radius=rad, outline=255,
                                          width=max(k, int(n * 0.05)))
    img = Image.composite(Image.new('RGBA', (n, n), GOLD + (255,)), img, rim)
    return img.resize((size, size), Image.LANCZOS)


def ico_bytes(images):
    """A .ico of classic entries: BITMAPINFOHEADER, 32-bit BGRA bottom-up, AND mask."""
    head = struct.pack('<HHH', 0, 1, len(images))
    entries, blobs = b'', b''
    offset = 6 + 16 * len(images)
    for im in images:
        w, h = im.size
        px = im.load()
        xor = bytearray()
        mask_stride = ((w + 31) // 32) * 4
        andm = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytearray(mask_stride)
            for x in range(w):
                r, g, b, a = px[x, y]
                if a == 0:
                    r = g = b = 0
                    row[x // 8] |= 0x80 >> (x % 8)
                xor += bytes((b, g, r, a))
            andm += row
        bih = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0, len(xor) + len(andm), 0, 0, 0, 0)
        blob = bih + bytes(xor) + bytes(andm)
        entries += struct.pack('<BBBBHHII', w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return head + entries + blobs


ICON_SIZES = (16, 24, 32, 48)

# ---------------------------------------------------------------------------
# The table of skins and its check
# ---------------------------------------------------------------------------

# id: (width, height, frames)
TABLE = {
    131: (30, 51, 1), 132: (108, 27, 4), 133: (108, 27, 4), 134: (108, 27, 4),
    135: (108, 27, 4), 137: (108, 27, 4), 138: (176, 28, 4), 141: (1001, 634, 1),
    142: (567, 22, 3), 143: (39, 13, 3), 146: (12, 13, 1), 148: (250, 191, 1),
    149: (216, 22, 4), 150: (216, 22, 4), 151: (160, 212, 1), 152: (250, 167, 1),
    156: (108, 27, 4), 157: (108, 27, 4), 159: (316, 28, 4), 160: (316, 28, 4),
    161: (390, 21, 1), 162: (390, 21, 1), 164: (30, 51, 1), 165: (228, 23, 4),
    167: (84, 21, 4), 168: (72, 18, 4), 169: (452, 41, 4), 170: (452, 41, 4),
    171: (452, 41, 4), 172: (452, 41, 4),
}


def build_all(scale=1):
    """Every skin, drawn at `scale` (1: the design, 2: twice its size)."""
    global K
    K = scale
    skins = {}
    skins[131] = skin_131()
    skins[164] = skin_164()
    skins[132] = caption_strip(g_close, danger=True)
    skins[133] = caption_strip(g_max)
    skins[134] = caption_strip(g_min)
    skins[135] = caption_strip(g_restore)
    skins[137] = caption_strip(g_hide)
    skins[156] = caption_strip(g_sound)
    skins[157] = caption_strip(g_muted, extra=(g_muted_cross, (255, 138, 120)))
    skins[138] = system_strip()
    skins[159] = hall_strip(False)
    skins[160] = hall_strip(True)
    skins[142] = tab_strip()
    skins[143] = tabclose_strip()
    skins[146] = skin_146()
    skins[161] = skin_161()
    skins[162] = skin_162()
    skins[165] = skin_165()
    skins[148] = notice_skin(250, 191, True)
    skins[152] = notice_skin(250, 167, False)
    skins[149] = notice_close_strip(skins[148], 193, 3, False)
    skins[151] = skin_151()
    skins[150] = notice_close_strip(skins[151], 106, 1, True)
    skins[167] = round_button_strip(21, g_round_close)
    skins[168] = round_button_strip(18, g_round_min)
    skins[169] = link_strip('官方网站', ic_globe)
    skins[170] = link_strip('账号充值', ic_gem)
    skins[171] = link_strip('在线客服', ic_headset)
    skins[172] = link_strip('游戏论坛', ic_bubbles)
    skins[141] = skin_141()
    K = 1
    return skins


# The doubled login background is a picture without hard edges worth a lossless
# file: it ships as a JPEG of its colours. Its alpha (the card's rounded edge and
# the soft shadow) the launcher takes from the design, scaled.
DOUBLE_JPEG = {141}
JPEG_QUALITY = 82


def check_double(skins):
    """What the loader relies on in the doubled set: exactly twice the design
    size (it ignores any other), whole frames, the hard alpha of the design."""
    bad = []
    for sid, (w, h, n) in sorted(TABLE.items()):
        im = skins.get(sid)
        if im is None:
            bad.append('2x %d: missing' % sid)
            continue
        if im.size != (2 * w, 2 * h):
            bad.append('2x %d: size %s, want %dx%d' % (sid, im.size, 2 * w, 2 * h))
        if sid in DOUBLE_JPEG:
            continue
        if im.mode != 'RGBA':
            bad.append('2x %d: mode %s, not RGBA' % (sid, im.mode))
            continue
        data = im.getdata()
        if any(p[3] == 255 and p[:3] == KEY for p in data):
            bad.append('2x %d: opaque magenta pixel' % sid)
        if sid != 141 and any(0 < p[3] < 255 for p in data):
            bad.append('2x %d: partial alpha would be blended over white' % sid)
    return bad


def check(skins, icon_path=None):
    """Asserts what the launcher relies on; returns a list of problems."""
    bad = []
    if sorted(skins) != sorted(TABLE):
        bad.append('ids differ from the table: %s' % sorted(set(skins) ^ set(TABLE)))
    for sid, (w, h, n) in sorted(TABLE.items()):
        im = skins.get(sid)
        if im is None:
            continue
        if im.mode != 'RGBA':
            bad.append('%d: mode %s, not RGBA' % (sid, im.mode))
            continue
        if im.size != (w, h):
            bad.append('%d: size %s, want %dx%d' % (sid, im.size, w, h))
        if w % n:
            bad.append('%d: width %d does not split into %d frames' % (sid, w, n))
        data = im.getdata()
        if any(p[3] == 255 and p[:3] == KEY for p in data):
            bad.append('%d: opaque magenta pixel' % sid)
        if sid != 141 and any(0 < p[3] < 255 for p in data):
            bad.append('%d: partial alpha would be blended over white' % sid)
    for sid in (131, 164):
        im = skins.get(sid)
        if im is None:
            continue
        px = im.load()
        for y in range(im.height):
            row = {px[x, y] for x in range(4, im.width - 4)}
            if len(row) != 1 and (y < CAPTION_H or y >= im.height - 4):
                bad.append('%d: row %d of the stretched band is not uniform' % (sid, y))
            if y >= CAPTION_H and y < im.height - 4 and len(row) != 1:
                bad.append('%d: centre row %d is not uniform' % (sid, y))
        for y in range(CAPTION_H, im.height - 4):
            for x in list(range(4)) + list(range(im.width - 4, im.width)):
                if px[x, y] != px[x, CAPTION_H]:
                    bad.append('%d: edge pixel (%d,%d) differs down the stretched edge' % (sid, x, y))
        for y in range(im.height):
            for x in range(im.width):
                if px[x, y][3] == 0:
                    corner = (x < 4 or x >= im.width - 4) and (y < 9 or y >= im.height - 9)
                    if not corner:
                        bad.append('%d: transparent pixel (%d,%d) outside the corner cells' % (sid, x, y))
        if px[0, 0][3] != 0:
            bad.append('%d: top-left corner not rounded' % sid)
        if sid == 164 and px[15, 40][:3] != BODY:
            bad.append('164: body colour is not %s' % (BODY,))
    if 141 in skins:
        im = skins[141]
        w, h = im.size
        a = im.getchannel('A')
        edge = [a.getpixel((x, 0)) for x in range(w)] + [a.getpixel((x, h - 1)) for x in range(w)] \
            + [a.getpixel((0, y)) for y in range(h)] + [a.getpixel((w - 1, y)) for y in range(h)]
        if max(edge):
            bad.append('141: alpha not 0 at the outer edge')
        # where the link bar's buttons land, with room for other dialog-unit sizes
        for bx, by, bw, bh in linkbar_buttons():
            area = {im.getpixel((x, y)) for x in range(bx - 6, bx + bw + 6)
                    for y in range(by - 4, by + bh + 4)}
            if area != {PANEL + (255,)}:
                bad.append('141: the panel under the link button at (%d,%d) is not %s' % (bx, by, PANEL))
    if icon_path:
        with Image.open(icon_path) as ico:
            sizes = sorted(ico.info.get('sizes', ()))
            if sizes != [(s, s) for s in ICON_SIZES]:
                bad.append('app.ico: sizes %s' % sizes)
        with open(icon_path, 'rb') as f:
            raw = f.read()
        _, typ, count = struct.unpack_from('<HHH', raw, 0)
        for i in range(count):
            _, _, _, _, planes, bits, size, off = struct.unpack_from('<BBBBHHII', raw, 6 + 16 * i)
            if raw[off:off + 4] != struct.pack('<I', 40) or bits != 32:
                bad.append('app.ico: entry %d is not a 32-bit DIB' % i)
    return bad


def main(argv=None):
    ap = argparse.ArgumentParser(description='Generate the launcher skins and icon.')
    ap.add_argument('--out', default=DEFAULT_OUT, help='the res/ folder (default: %(default)s)')
    args = ap.parse_args(argv)
    skins = build_all()
    skin_dir = os.path.join(args.out, 'skins')
    double_dir = os.path.join(skin_dir, '2x')
    os.makedirs(double_dir, exist_ok=True)
    for sid, im in sorted(skins.items()):
        im.save(os.path.join(skin_dir, '%d.png' % sid), optimize=True)
    for sid, im in sorted(build_all(2).items()):
        if sid in DOUBLE_JPEG:
            im.convert('RGB').save(os.path.join(double_dir, '%d.jpg' % sid), quality=JPEG_QUALITY,
                                   optimize=True, progressive=False, subsampling=2)
        else:
            im.save(os.path.join(double_dir, '%d.png' % sid), optimize=True)
    icon_path = os.path.join(args.out, 'app.ico')
    with open(icon_path, 'wb') as f:
        f.write(ico_bytes([icon_image(s) for s in ICON_SIZES]))
    # check what was written, read back from disk
    written = {}
    for sid in TABLE:
        with Image.open(os.path.join(skin_dir, '%d.png' % sid)) as im:
            im.load()
            written[sid] = im.copy()
    doubled = {}
    for sid in TABLE:
        name = os.path.join(double_dir, '%d.%s' % (sid, 'jpg' if sid in DOUBLE_JPEG else 'png'))
        with Image.open(name) as im:
            im.load()
            doubled[sid] = im.copy()
    problems = check(written, icon_path) + check_double(doubled)
    for p in problems:
        print('FAIL', p, file=sys.stderr)
    if problems:
        return 1
    print('wrote %d skins to %s (and at twice the size to %s) and %s'
          % (len(written), skin_dir, double_dir, icon_path))
    return 0


if __name__ == '__main__':
    sys.exit(main())

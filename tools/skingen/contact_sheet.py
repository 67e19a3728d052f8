#!/usr/bin/python3
"""Builds one contact sheet of the launcher's skins, to look at them as a whole.

    /usr/bin/python3 tools/skingen/contact_sheet.py [OUT.png] [--res DIR]

OUT defaults to /tmp/skins-contact.png, DIR to the repository's res/ folder.

The sheet has three parts:
  1. every skin as authored, over a checkerboard;
  2. every skin as the launcher shows it: alpha 0 becomes the magenta key and is
     transparent, partial alpha is blended over white (c' = (A*(c-255)+65025)/255),
     then the result is put over what lies under it in the running program (the
     caption band, the dialog body, the login panel ...), magnified to show fringes;
  3. mock-ups of the windows assembled the way the skinned toolkit draws them:
     nine-grid background with its corner region, caption buttons, tabs, labels,
     the message box, settings and download dialogs, the pop-up notices and the
     login frame with its link bar.

Host colours are read from the skins themselves (the caption from 131, the dialog
body from 164, ...), so a skin that does not match its host shows up here.
"""

import argparse
import os
import sys

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_RES = os.path.normpath(os.path.join(HERE, '..', '..', 'res'))
FONT_PATH = '/usr/share/fonts/truetype/wqy/wqy-microhei.ttc'
KEY = (255, 0, 255)
DESKTOP = (58, 110, 165)
SHEET_BG = (44, 46, 52)

IDS = (131, 132, 133, 134, 135, 137, 138, 141, 142, 143, 146, 148, 149, 150, 151, 152,
       156, 157, 159, 160, 161, 162, 164, 165, 167, 168, 169, 170, 171, 172)
FRAMES = {132: 4, 133: 4, 134: 4, 135: 4, 137: 4, 138: 4, 142: 3, 143: 3, 149: 4, 150: 4,
          156: 4, 157: 4, 159: 4, 160: 4, 165: 4, 167: 4, 168: 4, 169: 4, 170: 4, 171: 4, 172: 4}

_fonts = {}


def font(px):
    if px not in _fonts:
        _fonts[px] = ImageFont.truetype(FONT_PATH, px)
    return _fonts[px]


# ---------------------------------------------------------------------------
# What the loader and the toolkit do
# ---------------------------------------------------------------------------

def keyed(im):
    """The skin bitmap the loader makes: RGB, alpha 0 -> key, partial alpha over white."""
    out = Image.new('RGB', im.size)
    src, dst = im.load(), out.load()
    for y in range(im.height):
        for x in range(im.width):
            r, g, b, a = src[x, y]
            if a == 255:
                dst[x, y] = (r, g, b)
            elif a == 0:
                dst[x, y] = KEY
            else:
                dst[x, y] = tuple((a * (c - 255) + 65025) // 255 for c in (r, g, b))
    return out


def key_mask(rgb):
    """255 where the pixel is not the colour key."""
    m = Image.new('L', rgb.size, 0)
    px, mp = rgb.load(), m.load()
    for y in range(rgb.height):
        for x in range(rgb.width):
            mp[x, y] = 0 if px[x, y] == KEY else 255
    return m


def blit(dst, rgb, xy, size=None):
    """TransparentBlt / ILD_TRANSPARENT: copy all but key pixels (stretched if asked)."""
    if size and size != rgb.size:
        rgb = rgb.resize(size, Image.NEAREST)
    dst.paste(rgb, xy, key_mask(rgb))


def frame(rgb, n, i):
    fw = rgb.width // n
    return rgb.crop((i * fw, 0, i * fw + fw, rgb.height))


def draw_skin(skin, W, H, b, c):
    """The nine-grid of the skinned dialog (stretch mode)."""
    w, h = skin.size
    t = b if c == -1 else c
    out = Image.new('RGB', (W, H))

    def put(sx, sy, sw, sh, dx, dy, dw, dh):
        if sw <= 0 or sh <= 0 or dw <= 0 or dh <= 0:
            return
        part = skin.crop((sx, sy, sx + sw, sy + sh))
        if (dw, dh) != (sw, sh):
            part = part.resize((dw, dh), Image.NEAREST)
        out.paste(part, (dx, dy))
    put(0, 0, b, t, 0, 0, b, t)
    put(b, 0, w - 2 * b, t, b, 0, W - 2 * b, t)
    put(w - b, 0, b, t, W - b, 0, b, t)
    put(0, t, b, h - t - b, 0, t, b, H - t - b)
    put(w - b, t, b, h - t - b, W - b, t, b, H - t - b)
    put(b, t, w - 2 * b, h - t - b, b, t, W - 2 * b, H - t - b)
    put(0, h - b, b, b, 0, H - b, b, b)
    put(b, h - b, w - 2 * b, b, b, H - b, W - 2 * b, b)
    put(w - b, h - b, b, b, W - b, H - b, b, b)
    return out


def window_region(skin, W, H):
    """The window region: the key pixels of the four 9x9 corner cells are cut out."""
    w, h = skin.size
    m = Image.new('L', (W, H), 255)
    px = skin.load()
    for i in range(min(9, h)):
        for j in range(min(9, w)):
            if px[j, i] == KEY:
                m.putpixel((j, i), 0)
            if px[w - 1 - j, i] == KEY:
                m.putpixel((W - 1 - j, i), 0)
    for r in range(h - 9, h):
        y = H - h + r
        for j in range(min(9, w)):
            if px[j, r] == KEY:
                m.putpixel((j, y), 0)
            if px[w - 1 - j, r] == KEY:
                m.putpixel((W - 1 - j, y), 0)
    return m


def text(d, xy, s, px=12, fill=(0, 0, 0), anchor='la', underline=False):
    d.text(xy, s, font=font(px), fill=fill, anchor=anchor)
    if underline:
        x0, y0, x1, y1 = d.textbbox(xy, s, font=font(px), anchor=anchor)
        d.line((x0, y1 + 1, x1, y1 + 1), fill=fill)


def button(win, strip, xy, state, label=None, colour=(0, 0, 0), px=12):
    """CBtnEx: the frame over the parent's skin, then centred single-line text."""
    f = frame(strip, 4, state)
    blit(win, f, xy)
    if label:
        d = ImageDraw.Draw(win)
        ink = (109, 109, 109) if state == 3 else colour
        text(d, (xy[0] + f.width / 2, xy[1] + f.height / 2), label, px, ink, 'mm')


# ---------------------------------------------------------------------------
# Sheet layout
# ---------------------------------------------------------------------------

class Sheet:
    def __init__(self, width):
        self.width = width
        self.items = []   # (image, x, y)
        self.y = 0
        self.x = 0
        self.row_h = 0

    def heading(self, s):
        self.newline(16)
        img = Image.new('RGB', (self.width - 40, 34), SHEET_BG)
        d = ImageDraw.Draw(img)
        d.text((0, 4), s, font=font(22), fill=(250, 222, 146))
        d.line((0, 32, self.width - 40, 32), fill=(120, 110, 80))
        self.place(img)
        self.newline(8)

    def newline(self, gap=14):
        self.y += self.row_h + gap
        self.x = 20
        self.row_h = 0

    def place(self, img, caption=None):
        if caption:
            cap_h = 20
            box = Image.new('RGB', (max(img.width, int(font(13).getlength(caption)) + 4), img.height + cap_h), SHEET_BG)
            ImageDraw.Draw(box).text((0, 2), caption, font=font(13), fill=(210, 214, 224))
            box.paste(img, (0, cap_h), img.getchannel('A') if img.mode == 'RGBA' else None)
            img = box
        if self.x > 20 and self.x + img.width > self.width - 20:
            self.newline()
        if self.x == 0:
            self.x = 20
        self.items.append((img, self.x, self.y))
        self.x += img.width + 24
        self.row_h = max(self.row_h, img.height)

    def render(self):
        self.newline(20)
        out = Image.new('RGB', (self.width, self.y), SHEET_BG)
        for img, x, y in self.items:
            if img.mode == 'RGBA':
                out.paste(img, (x, y), img)
            else:
                out.paste(img, (x, y))
        return out


def checker(w, h, cell=6):
    img = Image.new('RGB', (w, h), (204, 204, 204))
    d = ImageDraw.Draw(img)
    for y in range(0, h, cell):
        for x in range(0, w, cell):
            if (x // cell + y // cell) % 2:
                d.rectangle((x, y, x + cell - 1, y + cell - 1), fill=(150, 150, 150))
    return img


def zoom(img, k):
    return img.resize((img.width * k, img.height * k), Image.NEAREST) if k != 1 else img


def auto_zoom(w):
    return 4 if w <= 60 else 3 if w <= 120 else 2 if w <= 460 else 1


# ---------------------------------------------------------------------------
# Mock-ups
# ---------------------------------------------------------------------------

def caption_band(k, w, y0=0, h=None):
    """The main window's caption rows as drawn (column 15 of 131, stretched)."""
    col = k[131].crop((15, 0, 16, 30))
    h = 30 - y0 if h is None else h
    return col.crop((0, y0, 1, y0 + h)).resize((w, h), Image.NEAREST)


def mock_main(k, icon16, W=1040, H=230, pages=3):
    win = draw_skin(k[131], W, H, 4, 30)
    win.paste(icon16, (4, 7), icon16)
    d = ImageDraw.Draw(win)
    text(d, (25, 7), '星潮纪元', 12, (255, 255, 255))
    # tabs: selected, hot with its close box hovered, normal
    titles = ['12服-星潮纪元', '3服-星潮纪元', '27服-星潮纪元']
    for i in range(pages):
        x, y = 100 + i * 192, 6
        state = (2, 1, 0)[i]
        blit(win, frame(k[142], 3, state), (x, y))
        if i == 1:
            blit(win, frame(k[143], 3, 1), (x + 189 - 13, y))
        text(d, (x + 28, y + 3 + 19 / 2), titles[i], 12, (0, 0, 0), 'lm')
    cx = W
    button(win, k[132], (cx - 27, 0), 0)
    button(win, k[133], (cx - 54, 0), 0)
    button(win, k[134], (cx - 81, 0), 1)
    button(win, k[137], (cx - 114, 0), 0)
    button(win, k[156], (cx - 141, 0), 0)
    button(win, k[138], (cx - 185, 0), 0, '系统', (255, 255, 255))
    button(win, k[159], (cx - 264, 0), 0)
    lx = cx - 325
    blit(win, k[146], (lx + 3, 7 + 1))
    text(d, (lx + 18, 7), '开小号', 12, (255, 255, 255), underline=True)
    # a stand-in for the game page, over part of the client area
    page = Image.new('RGB', (W // 2 - 4, H - 34), (0, 0, 0))
    pd = ImageDraw.Draw(page)
    for yy in range(page.height):
        pd.line((0, yy, page.width, yy), fill=(30 + yy // 4, 60 + yy // 5, 40 + yy // 6))
    text(pd, (page.width // 2, page.height // 2), '（游戏页面）', 16, (230, 240, 230), 'mm')
    win.paste(page, (4, 30))
    return on_desktop(win, window_region(k[131], W, H))


def on_desktop(win, region, pad=10):
    out = Image.new('RGB', (win.width + 2 * pad, win.height + 2 * pad), DESKTOP)
    out.paste(win, (pad, pad), region)
    return out


def mock_caption_states(k):
    """Every caption control in every state, over the caption band."""
    rows = []
    for sid in (132, 133, 134, 135, 137, 156, 157, 138, 159, 160):
        strip = k[sid]
        fw = strip.width // 4
        band = caption_band(k, 4 * (fw + 6), 0, 30)
        for i in range(4):
            button(band, strip, (i * (fw + 6), 0), i, '系统' if sid == 138 else None, (255, 255, 255))
        rows.append((sid, band))
    return rows


def mock_message_box(k, msg, kind):
    f = font(12)
    lines = msg.split('\n')
    tw = max(int(f.getlength(s)) for s in lines)
    lh = 14
    th = lh * len(lines)
    bw, bh = k[165].width // 4, k[165].height
    W = 2 * bw + 60 if 2 * bw + 60 >= tw else tw + 60
    H = 3 * len(lines) + 90 + th + bh
    win = draw_skin(k[164], W, H, 4, 30)
    d = ImageDraw.Draw(win)
    text(d, (9, 7), '星潮纪元', 12, (255, 255, 255))
    button(win, k[132], (W - 27, 0), 0)
    top = H - 30 - bh
    if kind in (1, 4):
        labels = ('是', '否') if kind == 4 else ('确定', '取消')
        button(win, k[165], (W // 2 - 10 - bw, top), 1, labels[0])
        button(win, k[165], (W // 2 + 10, top), 0, labels[1])
    else:
        button(win, k[165], ((W - bw) // 2, top), 0, '确定')
    left = (W - tw) // 2
    for i, s in enumerate(lines):
        text(d, (left, 55 + i * (lh + 3)), s, 12, (0, 0, 0))
    return on_desktop(win, window_region(k[164], W, H))


def mock_settings(k):
    W, H = 305, 184
    win = draw_skin(k[164], W, H, 4, 30)
    d = ImageDraw.Draw(win)
    text(d, (9, 7), '设置', 12, (255, 255, 255))
    button(win, k[132], (W - 27, 0), 1)
    gx, gy, gw, gh = 11, 42, 284, 78
    d.rectangle((gx, gy + 6, gx + gw, gy + gh), outline=(160, 170, 180))
    d.rectangle((gx + 1, gy + 7, gx + gw + 1, gy + gh + 1), outline=(255, 255, 255))
    tb = d.textbbox((gx + 8, gy), '老板键设置', font=font(12))
    d.rectangle((tb[0] - 2, tb[1], tb[2] + 2, tb[3]), fill=(231, 241, 247))
    text(d, (gx + 8, gy), '老板键设置', 12, (0, 0, 0))
    text(d, (33, 67), '请输入老板键', 12, (0, 0, 0))
    d.rectangle((33, 91, 33 + 153, 91 + 20), fill=(255, 255, 255), outline=(122, 138, 153))
    text(d, (37, 94), 'Ctrl  +  F10', 12, (0, 0, 0))
    text(d, (192, 94), '例如: Ctrl + X', 12, (0, 0, 0))
    button(win, k[165], (143, 148), 0, '确定')
    button(win, k[165], (219, 148), 2, '取消')
    return on_desktop(win, window_region(k[164], W, H))


def progress(k, bg, pos, lo=0, hi=100):
    """CImgProgress painting: track, then the fill cut to show both of its ends."""
    track, fill = k[161], k[162]
    out = Image.new('RGB', track.size, bg)
    blit(out, track, (0, 0))
    fw, fh = fill.size
    w = int(fw / (hi - lo) * pos) if hi != lo else 0
    half = w // 2
    if w > 0:
        if half > 0:
            blit(out, fill.crop((0, 0, half, fh)), (0, 0))
        blit(out, fill.crop((fw - (w - half), 0, fw, fh)), (half, 0))
    return out


def mock_download(k):
    W, H = 417, 138
    win = draw_skin(k[164], W, H, 4, 30)
    d = ImageDraw.Draw(win)
    text(d, (9, 7), '游戏下载中...', 12, (255, 255, 255))
    button(win, k[132], (W - 27, 0), 0)
    body = win.getpixel((W // 2, 60))
    bar = progress(k, body, 50)
    blit(win, bar, (15, 67))
    text(d, (165, 44), '已加载  50%', 16, (72, 81, 86))
    button(win, k[165], (258, 101), 3, '确定')
    button(win, k[165], (333, 101), 1, '取消')
    return on_desktop(win, window_region(k[164], W, H))


def fake_picture(w, h):
    img = Image.new('RGB', (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        t = y / max(1, h - 1)
        d.line((0, y, w, y), fill=(int(240 - 120 * t), int(150 + 40 * t), int(80 + 150 * t)))
    d.ellipse((w * 0.2, h * 0.15, w * 0.8, h * 0.6), fill=(255, 236, 170))
    text(d, (w / 2, h * 0.8), '新服开启', 14, (40, 20, 60), 'mm')
    return img


def mock_notice(k, layout):
    body = '星潮纪元新服「碧海星澜」今日十点火爆开启，首充豪礼、冲级大奖等你来拿！'
    if layout == 'PT':
        bg = k[148]
        win = bg.copy()
        d = ImageDraw.Draw(win)
        pic = fake_picture(75, 80)
        win.paste(pic, (15 + 3, 67))
        text(d, (100 + 65, 48 + 7), '新服火爆开启', 12, (19, 43, 67), 'mm')
        s = body[:51] + '...'
        for i in range(min(5, len(s) // 11 + 1)):
            text(d, (100, 68 + 16 * i), s[11 * i:11 * i + 11], 12, (30, 39, 46))
        text(d, (195, 168), '详细>>', 12, (30, 39, 46))
        button(win, k[149], (250 - 3 - 54, 3), 1)
    elif layout == 'T':
        bg = k[152]
        win = bg.copy()
        d = ImageDraw.Draw(win)
        text(d, (125, 45 + 7), '新服火爆开启', 12, (19, 43, 67), 'mm')
        s = body[:68] + '...'
        for i in range(min(5, len(s) // 18 + 1)):
            text(d, (18, 65 + 16 * i), s[18 * i:18 * i + 18], 12, (30, 39, 46))
        text(d, (195, 145), '详细>>', 12, (30, 39, 46))
        button(win, k[149], (250 - 3 - 54, 3), 0)
    else:
        bg = k[151]
        win = bg.copy()
        if layout == 'P':
            win.paste(fake_picture(160, 190), (0, 22))
        button(win, k[150], (160 - 54, 1), 1 if layout == 'P' else 0)
    if layout in ('P', 'P-empty'):
        # a layered window with the colour key: every key pixel is see-through
        return on_desktop(win, key_mask(win))
    return on_desktop(win, window_region(bg, win.width, win.height))


def mock_login(raw141, k, with_page):
    W, H = 1100, 720
    desk = Image.new('RGB', (W, H))
    dd = ImageDraw.Draw(desk)
    for y in range(H):
        t = y / H
        dd.line((0, y, W, y), fill=(int(70 + 60 * t), int(120 + 40 * t), int(160 - 30 * t)))
    for i in range(0, W, 90):
        dd.rectangle((i + 10, 650, i + 60, 700), fill=(90, 150, 190))
    ox, oy = 50, 43
    out = desk.convert('RGBA')
    layer = Image.new('RGBA', (W, H), (0, 0, 0, 0))
    layer.paste(raw141, (ox, oy))
    out = Image.alpha_composite(out, layer).convert('RGB')
    # the link bar: a layered window keyed on magenta, buttons over the frame
    base = (ox + 391, oy + 122)
    dlu = ((349, 0, 167), (337, 1, 168), (0, 21, 169), (91, 21, 170), (183, 21, 171), (274, 21, 172))
    for i, (x, y, sid) in enumerate(dlu):
        px = (x * 12 + 4) // 8
        py = (y * 26 + 8) // 16
        button(out, k[sid], (base[0] + px, base[1] + py), 1 if i == 3 else 0)
    if with_page:
        page = Image.new('RGB', (535, 295), (254, 254, 254))
        pd = ImageDraw.Draw(page)
        # an imagined lobby page: see-through background, a form and a server list
        pd.rounded_rectangle((30, 30, 250, 260), radius=8, fill=(236, 242, 250), outline=(120, 150, 200))
        text(pd, (50, 45), '账号登录', 16, (20, 40, 90))
        for j, lab in enumerate(('账号', '密码')):
            text(pd, (50, 92 + 48 * j), lab, 13, (40, 50, 70))
            pd.rectangle((90, 86 + 48 * j, 230, 112 + 48 * j), fill=(255, 255, 255), outline=(150, 170, 200))
        pd.rounded_rectangle((60, 190, 220, 224), radius=6, fill=(236, 170, 60), outline=(160, 100, 20))
        text(pd, (140, 207), '登 录', 16, (60, 30, 0), 'mm')
        pd.rounded_rectangle((280, 30, 505, 260), radius=8, fill=(236, 242, 250), outline=(120, 150, 200))
        text(pd, (300, 45), '推荐服务器', 14, (20, 40, 90))
        for j in range(5):
            pd.rectangle((300, 80 + 34 * j, 485, 106 + 34 * j), fill=(255, 255, 255), outline=(180, 196, 220))
            text(pd, (310, 85 + 34 * j), '%d服  碧海星澜' % (27 - j), 13, (30, 40, 60))
        m = key_mask_colour(page, (254, 254, 254))
        out.paste(page, (ox + 388, oy + 198), m)
    else:
        d = ImageDraw.Draw(out)
        x, y = ox + 388, oy + 198
        for i in range(x, x + 535, 8):
            d.line((i, y, i + 3, y), fill=(255, 255, 255))
            d.line((i, y + 294, i + 3, y + 294), fill=(255, 255, 255))
        for j in range(y, y + 295, 8):
            d.line((x, j, x, j + 3), fill=(255, 255, 255))
            d.line((x + 534, j, x + 534, j + 3), fill=(255, 255, 255))
        text(d, (x + 267, y + 147), '登录页面 535 x 295', 14, (255, 255, 255), 'mm')
    return out


def key_mask_colour(img, colour):
    m = Image.new('L', img.size, 255)
    px, mp = img.load(), m.load()
    for y in range(img.height):
        for x in range(img.width):
            if px[x, y] == colour:
                mp[x, y] = 0
    return m


# ---------------------------------------------------------------------------

def host_for(sid, k):
    """What lies under a skin in the running program, as an RGB image of its size."""
    im = k[sid]
    w, h = im.size
    if sid in (132, 133, 134, 135, 137, 156, 157, 138, 159, 160):
        return caption_band(k, w, 0, h)
    if sid == 142:
        return caption_band(k, w, 6, h)
    if sid == 146:
        return caption_band(k, w, 8, h)
    if sid == 143:
        tabs = k[142]
        out = Image.new('RGB', (w, h))
        for i in range(3):
            tab = frame(tabs, 3, (0, 1, 2)[i])
            under = caption_band(k, 13, 6, 13)
            blit(under, tab.crop((176, 0, 189, 13)), (0, 0))
            out.paste(under, (i * 13, 0))
        return out
    if sid in (161, 162, 165):
        return Image.new('RGB', (w, h), k[164].getpixel((15, 40)))
    return None


def build(res):
    raw = {}
    for sid in IDS:
        with Image.open(os.path.join(res, 'skins', '%d.png' % sid)) as im:
            raw[sid] = im.convert('RGBA')
    k = {sid: keyed(im) for sid, im in raw.items() if sid != 141}
    with Image.open(os.path.join(res, 'app.ico')) as ico:
        icons = {}
        for size in sorted(ico.info.get('sizes', ())):
            ico.size = size
            icons[size[0]] = ico.convert('RGBA').copy()
    icon16 = icons.get(16) or Image.new('RGBA', (16, 16))

    sheet = Sheet(2200)
    sheet.newline(0)
    title = Image.new('RGB', (1200, 40), SHEET_BG)
    ImageDraw.Draw(title).text((0, 0), 'RV星潮纪元极速登录器 · 皮肤一览', font=font(28), fill=(255, 255, 255))
    sheet.place(title)

    sheet.heading('1  As authored (over a checkerboard)')
    for sid in IDS:
        im = raw[sid]
        if sid == 141:
            im = im.resize((im.width // 2, im.height // 2), Image.LANCZOS)
            z = 1
        else:
            z = auto_zoom(im.width // FRAMES.get(sid, 1))
            while z > 1 and im.width * z > 1400:
                z -= 1
        zim = zoom(im, z)
        bg = checker(zim.width, zim.height, 8)
        bg.paste(zim, (0, 0), zim)
        sheet.place(bg, '%d  %dx%d%s' % (sid, raw[sid].width, raw[sid].height,
                                          ' (1/2)' if sid == 141 else ' x%d' % z))
    sheet.place(zoom(Image.alpha_composite(Image.new('RGBA', (64 + 48 + 32 + 24 + 16 + 40, 48), (0, 0, 0, 0)),
                                            _icon_row(icons)), 2).convert('RGBA'), 'app.ico  16 24 32 48 (x2)')

    sheet.heading('2  As the launcher shows them (keyed, over what lies beneath; magnified)')
    for sid in IDS:
        if sid == 141:
            continue
        im = k[sid]
        host = host_for(sid, k)
        if sid in (131, 164):
            win = draw_skin(im, 120, 80, 4, 30)
            shown = on_desktop(win, window_region(im, 120, 80), 6)
            z = 3
        elif sid in (148, 152):
            shown = on_desktop(im.copy(), window_region(im, im.width, im.height), 6)
            z = 2
        elif sid == 151:
            shown = on_desktop(im.copy(), key_mask(im), 6)
            z = 2
        elif sid == 149:
            shown = Image.new('RGB', im.size)
            for i in range(4):
                under = k[148].crop((193, 3, 247, 25))
                blit(under, frame(im, 4, i), (0, 0))
                shown.paste(under, (i * 54, 0))
            z = 3
        elif sid == 150:
            shown = Image.new('RGB', im.size)
            for i in range(4):
                under = k[151].crop((106, 1, 160, 23))
                mask = key_mask(under)
                bgd = Image.new('RGB', under.size, DESKTOP)
                bgd.paste(under, (0, 0), mask)
                blit(bgd, frame(im, 4, i), (0, 0))
                shown.paste(bgd, (i * 54, 0))
            z = 3
        elif sid in (167, 168, 169, 170, 171, 172):
            shown = Image.new('RGB', im.size, raw[141].getpixel((600, 170))[:3])
            blit(shown, im, (0, 0))
            z = 3 if sid in (167, 168) else 2
        else:
            shown = host.copy() if host is not None else Image.new('RGB', im.size, (255, 255, 255))
            blit(shown, im, (0, 0))
            z = auto_zoom(im.width // FRAMES.get(sid, 1))
            while z > 1 and im.width * z > 1400:
                z -= 1
        sheet.place(zoom(shown, z), '%d  x%d' % (sid, z))

    sheet.heading('3  Windows as the toolkit assembles them')
    sheet.place(mock_main(k, icon16), 'main window 1040x230 (tabs: selected, hot with close box, normal; minimise hovered)')
    sheet.newline()
    for sid, band in mock_caption_states(k):
        sheet.place(zoom(band, 2), '%d normal / hover / pressed / disabled  x2' % sid)
    sheet.newline()
    sheet.place(zoom(mock_message_box(k, '窗口即将关闭，确定要退出游戏？', 4), 2), 'message box, yes/no  x2')
    sheet.place(zoom(mock_message_box(k, '缓存清除完毕！', 0), 2), 'message box, OK  x2')
    sheet.place(zoom(mock_settings(k), 2), 'settings  x2')
    sheet.newline()
    sheet.place(zoom(mock_download(k), 2), 'download dialog, 50%  x2')
    col = Image.new('RGB', (400 * 2 + 10, 7 * 25), SHEET_BG)
    for i, pos in enumerate((0, 1, 5, 25, 50, 75, 100)):
        col.paste(progress(k, k[164].getpixel((15, 40)), pos), (0, i * 25))
        col.paste(progress(k, (240, 240, 240), pos), (400, i * 25))
    sheet.place(zoom(col, 2), 'progress 0 1 5 25 50 75 100: on dialog body / on a plain dialog  x2')
    sheet.newline()
    for layout, cap in (('PT', 'notice: picture + text (close hovered)'), ('T', 'notice: text'),
                        ('P', 'notice: picture (close hovered)'), ('P-empty', 'notice: picture missing')):
        sheet.place(zoom(mock_notice(k, layout), 2), cap + '  x2')
    sheet.newline()
    sheet.place(mock_login(raw[141], k, False), 'login frame over a desktop, link bar (recharge hovered), page area marked')
    sheet.newline()
    sheet.place(mock_login(raw[141], k, True), 'login frame with an imagined lobby page (its RGB(254,254,254) see-through)')
    return sheet.render()


def _icon_row(icons):
    row = Image.new('RGBA', (64 + 48 + 32 + 24 + 16 + 40, 48), (0, 0, 0, 0))
    bg = checker(row.width, row.height, 4).convert('RGBA')
    x = 0
    for s in (48, 32, 24, 16):
        if s in icons:
            bg.alpha_composite(icons[s], (x, 0))
        x += s + 10
    return bg


def main(argv=None):
    ap = argparse.ArgumentParser(description='Contact sheet of the launcher skins.')
    ap.add_argument('out', nargs='?', default='/tmp/skins-contact.png')
    ap.add_argument('--res', default=DEFAULT_RES, help='the res/ folder (default: %(default)s)')
    args = ap.parse_args(argv)
    img = build(args.res)
    img.save(args.out)
    print('wrote %s (%dx%d)' % (args.out, img.width, img.height))
    return 0


if __name__ == '__main__':
    sys.exit(main())

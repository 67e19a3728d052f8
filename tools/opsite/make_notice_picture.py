#!/usr/bin/python3
"""Redraws site/notice.jpg, the picture of the demo notice.

Needs Pillow (Debian's python3-pil) and, for the two Chinese characters, the
WenQuanYi Micro Hei font; without the font the caption falls back to "NEW".
The JPEG is committed, so this only runs when the picture is to change.

The size is the notice's picture box in its picture-and-text layout (75 x 80),
so the launcher never has to scale it.
"""

import os
import random

from PIL import Image, ImageDraw, ImageFont

WIDTH, HEIGHT = 75, 80
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "site", "notice.jpg")


def lerp(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def main():
    img = Image.new("RGB", (WIDTH, HEIGHT))
    draw = ImageDraw.Draw(img)
    # Night sky: deep blue at the top fading to violet at the horizon.
    for y in range(HEIGHT):
        draw.line([(0, y), (WIDTH, y)], fill=lerp((8, 16, 48), (72, 36, 110), y / HEIGHT))
    rnd = random.Random(7)  # fixed seed: the same stars on every run
    for _ in range(28):
        x, y = rnd.randrange(WIDTH), rnd.randrange(HEIGHT * 2 // 3)
        shade = rnd.randrange(150, 256)
        draw.point((x, y), fill=(shade, shade, 255))
    for x, y in ((14, 10), (58, 18), (40, 6)):
        draw.line([(x - 2, y), (x + 2, y)], fill=(255, 250, 210))
        draw.line([(x, y - 2), (x, y + 2)], fill=(255, 250, 210))
    # Two crests of the "star tide" along the bottom.
    for offset, colour in ((58, (40, 140, 200)), (66, (90, 210, 230))):
        points = [(x, offset + int(4 * ((x % 25) / 25.0 - 0.5) ** 2 * 8)) for x in range(WIDTH + 1)]
        draw.polygon(points + [(WIDTH, HEIGHT), (0, HEIGHT)], fill=colour)
    try:
        font = ImageFont.truetype(FONT, 24)
        text = "新服"
    except OSError:
        font = ImageFont.load_default()
        text = "NEW"
    box = draw.textbbox((0, 0), text, font=font)
    x = (WIDTH - (box[2] - box[0])) // 2 - box[0]
    draw.text((x + 1, 27), text, font=font, fill=(40, 20, 0))
    draw.text((x, 26), text, font=font, fill=(255, 206, 84))
    img.save(OUT, "JPEG", quality=88)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Draws K_SETUP's icon (a box with a downward arrow on a blue disc) as a .ico file
with 16, 32 and 48 pixel images. Usage: make_icon.py OUTPUT.ico"""
import sys

from PIL import Image, ImageDraw

SIZE = 192  # drawn large, then scaled down smoothly for each icon size


def draw():
    image = Image.new("RGBA", (SIZE, SIZE), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    for step in range(40):  # a radial gradient: lighter towards the top left
        inset = step * 2
        shade = 60 + step * 3
        draw.ellipse((inset // 2, inset // 2, SIZE - 1 - inset, SIZE - 1 - inset),
                     fill=(20, shade, 120 + step * 3, 255))
    draw.rounded_rectangle((46, 96, 146, 156), radius=10, fill=(250, 236, 200, 255),
                           outline=(90, 60, 20, 255), width=5)
    draw.polygon([(96, 128), (56, 76), (80, 76), (80, 36), (112, 36), (112, 76), (136, 76)],
                 fill=(240, 80, 40, 255), outline=(120, 30, 10, 255))
    return image


if __name__ == "__main__":
    draw().save(sys.argv[1], format="ICO", sizes=[(16, 16), (32, 32), (48, 48)])

#!/usr/bin/python3
"""Writes a skin of flat colours for the screen tests, so that a test can tell every
element, cell and mask value apart by the colour at a known point.

Usage: make_test_skin.py FOLDER

Every panel and masked button has an opaque body (mask 255) with a transparent strip
(mask 0) along its left edge and a half-opaque strip (mask 128) beside it; the main
background's mask cuts a square out of its top-left corner. Each button has two cells:
cell 0 (released) and cell 1 (pressed) in different colours. JPEG quality 100 keeps flat
colours within a few steps of their values.
"""
import os
import sys

from PIL import Image

STRIP = 6  # width of the transparent strip and of the half-opaque one beside it

# name: (size, colour of the body or of cell 0, colour of cell 1 or None for a panel,
#        mask name or None for a plain button)
ELEMENTS = {
    "back": ((600, 450), (40, 60, 120), None, "backa.bmp"),
    "logo": ((436, 324), (200, 180, 120), None, "logoa.bmp"),
    "choose": ((436, 324), (180, 200, 140), None, "choosea.bmp"),
    "status": ((438, 328), (170, 190, 210), None, "statusa.BMP"),
    "ms_back": ((272, 145), (230, 230, 200), None, "ms_backa.bmp"),
    "setuphd": ((2 * 120, 50), (0, 160, 0), (0, 80, 0), "setuphda.bmp"),
    "exit": ((2 * 100, 40), (160, 0, 0), (80, 0, 0), "exita.bmp"),
    "next": ((2 * 100, 40), (0, 0, 160), (0, 0, 80), "nexta.bmp"),
    "cancel": ((2 * 100, 40), (160, 0, 160), (80, 0, 80), "cancela.bmp"),
    "ms_ok": ((2 * 36, 28), (0, 200, 200), (0, 100, 100), None),
    "ms_yes": ((2 * 46, 28), (200, 200, 0), (100, 100, 0), None),
    "ms_no": ((2 * 46, 28), (200, 100, 0), (100, 50, 0), None),
}

GREY = [value for level in range(256) for value in (level, level, level)]


def picture(size, colour, pressed):
    image = Image.new("RGB", size, colour)
    if pressed is not None:
        image.paste(pressed, (size[0] // 2, 0, size[0], size[1]))
    return image


def mask(size, cells, cut_corner):
    """Opacity per pixel: per cell a transparent strip, a half strip, then opaque."""
    image = Image.new("P", size, 255)
    image.putpalette(GREY)
    cell_width = size[0] // cells
    for cell in range(cells):
        left = cell * cell_width
        image.paste(0, (left, 0, left + STRIP, size[1]))
        image.paste(128, (left + STRIP, 0, left + 2 * STRIP, size[1]))
    if cut_corner:
        image.paste(0, (0, 0, 40, 40))
    return image


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for name, (size, colour, pressed, mask_name) in ELEMENTS.items():
        picture(size, colour, pressed).save(os.path.join(folder, name + ".jpg"), quality=100,
                                            subsampling=0)
        if mask_name:
            cells = 2 if pressed is not None else 1
            mask(size, cells, name == "back").save(os.path.join(folder, mask_name))


if __name__ == "__main__":
    main(sys.argv[1])

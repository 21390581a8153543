#!/usr/bin/python3
"""Writes layered-image documents made by ImageMagick, each with the tool's own decode of it.

For every sample NAME the output folder gets NAME.psd and NAME.ppm (binary RGB, the
reference: the tool's decode of the composite picture, image 0, alpha left out). The
documents are RGB with 3 channels and with an alpha channel, raw and run-length coded, and
carry a layer section that the reader skips. A greyscale and a 16-bit document, which the
reader refuses, get no reference.

Usage: make_psd_samples.py OUTPUT_FOLDER
"""
import os

from PIL import Image

from sample_tools import magick_decode, magick_write, main, save_reference

WIDTH, HEIGHT = 300, 9  # wider than one run of 128 bytes


def picture():
    """Literal stretches, runs longer than 128 bytes, and short runs."""
    image = Image.new("RGB", (WIDTH, HEIGHT))
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if x < 70:
                colour = ((x * 19 + y) % 256, (y * 37) % 256, ((x + y) * 11) % 256)
            elif x < 250:
                colour = (200, 30 * y, 90)
            else:
                colour = ((x // 3) * 7 % 256, 10, (y * 50) % 256)
            image.putpixel((x, y), colour)
    return image


ALPHA = ["-alpha", "set", "-channel", "A", "-fx", "0.3+0.7*i/w", "+channel"]

# Name, options, the sample whose decode is the reference. ImageMagick reads the composite
# of a document with alpha as blended over white and takes that blend back out; the reader
# ignores alpha and shows the colour channels as stored, which are those of the same
# picture written without alpha.
SAMPLES = [
    ("raw_3channels", ["-compress", "None"], "raw_3channels"),
    ("rle_3channels", ["-compress", "RLE"], "rle_3channels"),
    ("raw_4channels", ALPHA + ["-compress", "None"], "raw_3channels"),
    ("rle_4channels", ALPHA + ["-compress", "RLE"], "rle_3channels"),
]
REFUSED = [
    ("grey", ["-colorspace", "Gray"]),
    ("16bit", ["-depth", "16"]),
]


def write_samples(out, _, source_png):
    for name, options, *_ in SAMPLES + REFUSED:
        magick_write(source_png, os.path.join(out, name + ".psd"), options)
    for name, _, reference in SAMPLES:
        # The composite picture (image 0; the layers follow it) without its alpha.
        decoded = magick_decode(os.path.join(out, reference + ".psd") + "[0]", "-alpha", "off")
        save_reference(out, name, decoded)


if __name__ == "__main__":
    main(picture, [write_samples])

#!/usr/bin/python3
"""Writes JPEG files made by independent tools, each with ImageMagick's decode of it.

For every sample NAME the output folder gets NAME.jpg and, for colour files, NAME.ppm
(binary RGB). ImageMagick writes baseline files with 4:2:0, 4:2:2 and 4:4:4 sampling, a
progressive file, a 33 x 7 picture (rows of 99 bytes padded to 100), a greyscale and a
CMYK file (inverted inks with an Adobe marker, as nearly every writer stores them);
Python's imaging library writes one more baseline file, a greyscale and a CMYK one, which
it decodes itself.

Usage: make_jpeg_samples.py OUTPUT_FOLDER
"""
import os

from PIL import Image

from sample_tools import magick_decode, magick_write, main, save_reference


def picture(width, height):
    """Smooth gradients with a few edges, the kind of picture JPEG is made for."""
    image = Image.new("RGB", (width, height))
    for y in range(height):
        for x in range(width):
            edge = 60 if (x // 8 + y // 8) % 2 else 0
            image.putpixel((x, y), ((x * 255) // width, (y * 255) // height, 180 - edge))
    return image


def write_samples(out, _, source):
    narrow = os.path.join(out, "source_33x7.png")
    picture(33, 7).save(narrow)

    colour = [("baseline_420", source, ["-sampling-factor", "2x2"]),
              ("baseline_422", source, ["-sampling-factor", "2x1"]),
              ("baseline_444", source, ["-sampling-factor", "1x1"]),
              ("progressive", source, ["-interlace", "JPEG"]),
              ("baseline_33x7", narrow, []),
              ("grey", source, ["-colorspace", "Gray"]),
              ("cmyk", source, ["-colorspace", "CMYK"])]
    for name, picture_file, options in colour:
        path = os.path.join(out, name + ".jpg")
        magick_write(picture_file, path, ["-quality", "90"] + options)
    Image.open(source).save(os.path.join(out, "pil_baseline.jpg"), quality=85)
    for name in [name for name, _, _ in colour] + ["pil_baseline"]:
        save_reference(out, name, magick_decode(os.path.join(out, name + ".jpg")))
    for name, mode in [("pil_grey", "L"), ("pil_cmyk", "CMYK")]:
        path = os.path.join(out, name + ".jpg")
        Image.open(source).convert(mode).save(path, quality=90)
        save_reference(out, name, Image.open(path))


if __name__ == "__main__":
    main(lambda: picture(45, 29), [write_samples])

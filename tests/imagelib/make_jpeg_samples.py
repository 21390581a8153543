#!/usr/bin/python3
"""Writes JPEG files made by independent tools, each with ImageMagick's decode of it.

For every sample NAME the output folder gets NAME.jpg and, for colour files, NAME.ppm
(binary RGB). ImageMagick writes baseline files with 4:2:0, 4:2:2 and 4:4:4 sampling, a
progressive file, a 33 x 7 picture (rows of 99 bytes padded to 100), a greyscale and a
CMYK file; Python's imaging library writes one more baseline file.

Usage: make_jpeg_samples.py OUTPUT_FOLDER
"""
import io
import os
import subprocess
import sys

from PIL import Image


def picture(width, height):
    """Smooth gradients with a few edges, the kind of picture JPEG is made for."""
    image = Image.new("RGB", (width, height))
    for y in range(height):
        for x in range(width):
            edge = 60 if (x // 8 + y // 8) % 2 else 0
            image.putpixel((x, y), ((x * 255) // width, (y * 255) // height, 180 - edge))
    return image


def magick_decode(path):
    ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                         capture_output=True).stdout
    return Image.open(io.BytesIO(ppm)).convert("RGB")


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    source = os.path.join(out, "source.png")
    picture(45, 29).save(source)
    narrow = os.path.join(out, "source_33x7.png")
    picture(33, 7).save(narrow)

    colour = [("baseline_420", source, ["-sampling-factor", "2x2"]),
              ("baseline_422", source, ["-sampling-factor", "2x1"]),
              ("baseline_444", source, ["-sampling-factor", "1x1"]),
              ("progressive", source, ["-interlace", "JPEG"]),
              ("baseline_33x7", narrow, [])]
    refused = [("grey", source, ["-colorspace", "Gray"]),
               ("cmyk", source, ["-colorspace", "CMYK"])]
    for name, picture_file, options in colour + refused:
        path = os.path.join(out, name + ".jpg")
        subprocess.run(["convert", picture_file, "-quality", "90"] + options + [path], check=True)
    Image.open(source).save(os.path.join(out, "pil_baseline.jpg"), quality=85)
    for name in [name for name, _, _ in colour] + ["pil_baseline"]:
        magick_decode(os.path.join(out, name + ".jpg")).save(os.path.join(out, name + ".ppm"))


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Writes TIFF files made by independent tools, each with the tool's own decode of it.

For every sample NAME the output folder gets NAME.tif and NAME.ppm (binary RGB, the
reference). ImageMagick and Python's imaging library write both byte orders, uncompressed
and PackBits strips, 1-, 4-, 8- and 24-bit pictures, several strips and orientation 2;
ImageMagick decodes its own files and PIL its own (PIL writes colour map levels as
value x 256, whose high byte the reader takes; ImageMagick would scale them to 8 bits
differently). Where the reader pins a reading of its own the reference is
transformed to it: a bilevel picture shows value 0 white whatever its photometric value,
and a 4-bit grey picture keeps its levels 0 to 15 as they are.

Usage: make_tiff_samples.py OUTPUT_FOLDER
"""
import os

from PIL import Image, ImageOps

from sample_tools import magick_decode, magick_write, main, save_reference

WIDTH, HEIGHT = 29, 11  # odd sizes: padded rows, and bits of a byte left over at 1 and 4 bits


def picture():
    """A gradient on the left for literal runs, flat bands on the right for repeats."""
    image = Image.new("RGB", (WIDTH, HEIGHT))
    for y in range(HEIGHT):
        for x in range(WIDTH):
            colour = ((x * 19) % 256, (y * 37) % 256, ((x + y) * 11) % 256) if x < 15 else \
                     ((y // 3) * 80, 255 - (y // 3) * 60, 90)
            image.putpixel((x, y), colour)
    return image


MSB = ["-define", "tiff:endian=msb"]
STRIPS = ["-define", "tiff:rows-per-strip=3"]  # 3, 3, 3 and 2 rows
PACKBITS = ["-compress", "RLE"]
RAW = ["-compress", "None"]
BILEVEL = ["-type", "Bilevel", "-depth", "1"]
MIN_IS_WHITE = ["-define", "quantum:polarity=min-is-white"]
GREY4 = ["-colorspace", "Gray", "-depth", "4"]
PALETTE4 = ["-colors", "12", "-type", "Palette", "-depth", "4"]
GREY8 = ["-colorspace", "Gray", "-depth", "8"]
PALETTE8 = ["-type", "Palette", "-depth", "8"]
TRUECOLOUR = ["-type", "TrueColor"]
MIRRORED = ["-orient", "TopRight"]

# Name, ImageMagick options, how the tool's decode becomes the reader's picture.
MAGICK_SAMPLES = [
    ("ii_24bit", TRUECOLOUR + RAW, None),
    ("mm_24bit_strips", TRUECOLOUR + RAW + MSB + STRIPS, None),
    ("mm_24bit_packbits_strips", TRUECOLOUR + PACKBITS + MSB + STRIPS, None),
    ("ii_1bit_min_is_black", BILEVEL + RAW, "invert"),
    ("mm_1bit_min_is_white_packbits", BILEVEL + MIN_IS_WHITE + PACKBITS + MSB, None),
    ("ii_4bit_grey", GREY4 + RAW + STRIPS, "grey4"),
    ("mm_4bit_grey_packbits", GREY4 + PACKBITS + MSB, "grey4"),
    ("ii_4bit_palette_packbits", PALETTE4 + PACKBITS, None),
    ("mm_4bit_palette", PALETTE4 + RAW + MSB, None),
    ("mm_8bit_grey_strips", GREY8 + RAW + MSB + STRIPS, None),
    ("ii_8bit_palette", PALETTE8 + RAW, None),
    ("mm_8bit_palette_packbits", PALETTE8 + PACKBITS + MSB + STRIPS, None),
    ("ii_24bit_mirrored", TRUECOLOUR + RAW + MIRRORED, None),
    ("mm_1bit_mirrored", BILEVEL + MIN_IS_WHITE + RAW + MSB + MIRRORED, None),
    ("ii_4bit_palette_mirrored", PALETTE4 + PACKBITS + MIRRORED, None),
    ("mm_8bit_grey_mirrored", GREY8 + PACKBITS + MSB + STRIPS + MIRRORED, None),
]

# Name, image mode, compression: PIL leaves out the tags whose defaults apply (a 1-bit
# file without BitsPerSample, files without SamplesPerPixel).
PIL_SAMPLES = [
    ("pil_1bit", "1", "raw", "invert"),
    ("pil_1bit_packbits", "1", "packbits", "invert"),
    ("pil_8bit_grey", "L", "raw", None),
    ("pil_8bit_palette_packbits", "P", "packbits", None),
    ("pil_24bit_packbits", "RGB", "packbits", None),
]


def transformed(decoded, rule):
    if rule == "invert":
        return ImageOps.invert(decoded)
    if rule == "grey4":
        return decoded.point(lambda level: level // 17)
    return decoded


def write_samples(out, source, source_png):
    samples = []
    for name, options, rule in MAGICK_SAMPLES:
        path = os.path.join(out, name + ".tif")
        magick_write(source_png, path, options)
        samples.append((name, magick_decode(path), rule))
    for name, mode, compression, rule in PIL_SAMPLES:
        path = os.path.join(out, name + ".tif")
        source.convert(mode).save(path, compression=compression)
        samples.append((name, Image.open(path).convert("RGB"), rule))
    for name, decoded, rule in samples:
        save_reference(out, name, transformed(decoded, rule))


if __name__ == "__main__":
    main(picture, [write_samples])

#!/usr/bin/python3
"""Writes bitmap files made by independent tools, each with the tool's own decode of it.

For every sample NAME the output folder gets NAME.bmp and NAME.ppm (binary RGB, the
reference). Python's imaging library writes 1-, 8-, 24- and 32-bit files and decodes them;
ImageMagick writes 4-bit, 8-bit run-length, 16-bit (5-6-5 and 5-5-5 masks) and 32-bit
masked files and decodes them. No tool writes 4-bit run-length files, so a small encoder
here writes those (and an 8-bit one with deltas), which ImageMagick then decodes.

Usage: make_bmp_samples.py OUTPUT_FOLDER
"""
import os
import struct

from PIL import Image

from sample_tools import magick_decode, magick_write, main, save_reference, write_generated

WIDTH, HEIGHT = 13, 7  # an odd width, so that every row is padded


def picture():
    image = Image.new("RGB", (WIDTH, HEIGHT))
    for y in range(HEIGHT):
        for x in range(WIDTH):
            image.putpixel((x, y), ((x * 19) % 256, (y * 37) % 256, ((x + y) * 11) % 256))
    return image


def pil_samples(out, source, _):
    for name, mode in [("pil_1bit", "1"), ("pil_8bit_grey", "L"), ("pil_8bit_palette", "P"),
                       ("pil_24bit", "RGB"), ("pil_32bit", "RGBA")]:
        path = os.path.join(out, name + ".bmp")
        source.convert(mode).save(path)
        save_reference(out, name, Image.open(path))


def magick_samples(out, _, source_png):
    for name, options in [("magick_4bit", ["-colors", "16", "BMP3:"]),
                          ("magick_rle8", ["-colors", "200", "-compress", "RLE", "BMP3:"]),
                          ("magick_16bit_565", ["-define", "bmp:subtype=RGB565", "BMP:"]),
                          ("magick_16bit_555", ["-define", "bmp:subtype=RGB555", "BMP:"]),
                          ("magick_32bit_masks", ["-alpha", "set", "BMP:"])]:
        path = os.path.join(out, name + ".bmp")
        magick_write(source_png, path, options[:-1], options[-1])
        save_reference(out, name, magick_decode(path))


def bmp_file(bit_count, compression, palette, stream):
    """A bottom-up bitmap file with a 40-byte info header."""
    offset = 14 + 40 + 4 * len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, bit_count, compression, len(stream),
                       2835, 2835, len(palette), 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(stream), 0, 0, offset)
    return header + info + b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette) + stream


def rle4_stream():
    """Encoded runs, absolute runs of 3, 5, 6 and 8 pixels with their padding, a delta, an
    end of line after an exact row of 13 pixels, and the end of the bitmap."""
    s = bytearray()
    s += bytes([13, 0x12, 0, 0])                              # row 0: 1,2,1,2,...
    s += bytes([0, 3, 0x34, 0x50]) + bytes([10, 0x67, 0, 0])  # row 1: absolute 3, run 10
    s += bytes([0, 5, 0x89, 0xAB, 0xC0, 0])                   # row 2: absolute 5 + padding
    s += bytes([0, 6, 0xDE, 0xF1, 0x23, 0]) + bytes([2, 0x45, 0, 0])  # row 2: absolute 6, run 2
    s += bytes([0, 8, 0x12, 0x34, 0x56, 0x78]) + bytes([5, 0x9A, 0, 0])  # row 3: absolute 8
    s += bytes([4, 0xBC, 0, 2, 3, 1, 6, 0xDE, 0, 0])            # row 4: run, delta (3, 1), run
    s += bytes([13, 0xF0, 0, 1])                              # row 6, then the end
    return bytes(s)


def rle8_delta_stream():
    """Runs, absolute runs with and without padding, and a delta that skips rows."""
    s = bytearray()
    s += bytes([13, 5, 0, 0])                                  # row 0
    s += bytes([0, 3, 7, 8, 9, 0]) + bytes([2, 10])            # row 1: absolute 3 + padding
    s += bytes([0, 2, 2, 2]) + bytes([6, 11, 0, 0])            # delta (2, 2) to row 3, run
    s += bytes([0, 5, 1, 2, 3, 4, 5, 0]) + bytes([8, 12, 0, 0])  # row 4
    s += bytes([13, 20, 0, 0])                                 # row 5
    s += bytes([0, 13]) + bytes(range(30, 43)) + bytes([0, 0, 1])  # row 6: absolute 13, end
    return bytes(s)


def generated_samples(out, *_):
    palette16 = [((i * 16) % 256, (i * 40) % 256, 255 - i * 15) for i in range(16)]
    palette256 = [(i, (i * 7) % 256, 255 - i) for i in range(256)]
    for name, data in [("gen_rle4", bmp_file(4, 2, palette16, rle4_stream())),
                       ("gen_rle8_delta", bmp_file(8, 1, palette256, rle8_delta_stream()))]:
        write_generated(out, name, ".bmp", data)


if __name__ == "__main__":
    main(picture, [pil_samples, magick_samples, generated_samples])

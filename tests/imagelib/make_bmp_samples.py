#!/usr/bin/python3
"""Writes bitmap files made by independent tools, each with the tool's own decode of it.

For every sample NAME the output folder gets NAME.bmp and NAME.ppm (binary RGB, the
reference). Python's imaging library writes 1-, 8-, 24- and 32-bit files and decodes them;
ImageMagick writes 4-bit, 8-bit run-length, 16-bit (5-6-5 and 5-5-5 masks) and 32-bit
masked files and OS/2 1.x files (12-byte header, three-byte palette entries) and decodes
them. No tool writes 4-bit run-length files or OS/2 2.x files, so a small encoder here
writes those (and an 8-bit run-length one with deltas), which ImageMagick then decodes
(OS/2 2.x files in their 40-byte Windows form, since it misreads their palettes), and an
OS/2 1.x file whose palette is shorter than its depth allows (its pixels start
where the file header says), which ImageMagick refuses and Python's imaging library
decodes.

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
                          ("magick_32bit_masks", ["-alpha", "set", "BMP:"]),
                          ("magick_os2_1bit", ["-monochrome", "BMP2:"]),
                          ("magick_os2_4bit", ["-colors", "16", "BMP2:"]),
                          ("magick_os2_8bit", ["-colors", "200", "BMP2:"]),
                          ("magick_os2_24bit", ["-type", "TrueColor", "BMP2:"])]:
        path = os.path.join(out, name + ".bmp")
        magick_write(source_png, path, options[:-1], options[-1])
        save_reference(out, name, magick_decode(path))


def bmp_file(bit_count, compression, palette, stream, info_size=40):
    """A bottom-up bitmap file with a Windows info header, or an OS/2 one of 12 (three-byte
    palette entries) or 64 bytes."""
    if info_size == 12:
        info = struct.pack("<IHHHH", 12, WIDTH, HEIGHT, 1, bit_count)
    else:
        info = struct.pack("<IiiHHIIiiII", info_size, WIDTH, HEIGHT, 1, bit_count, compression,
                           len(stream), 2835, 2835, len(palette), 0).ljust(info_size, b"\0")
    entry = "<BBB" if info_size == 12 else "<BBBB"
    colours = b"".join(struct.pack(entry, b, g, r, *([] if info_size == 12 else [0]))
                       for r, g, b in palette)
    offset = 14 + info_size + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(stream), 0, 0, offset)
    return header + info + colours + stream


def plain_rows(bit_count, value):
    """Uncompressed rows of `value(x, y)` pixels: palette indices, or (r, g, b) at 24 bits."""
    rows = bytearray()
    for y in range(HEIGHT):
        row = bytearray()
        for x in range(WIDTH):
            row += bytes(value(x, y)[::-1]) if bit_count == 24 else bytes([value(x, y)])
        rows += row.ljust((len(row) + 3) & ~3, b"\0")
    return bytes(rows)


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
    palette20 = palette256[100:120]
    indices20 = plain_rows(8, lambda x, y: (x * 3 + y) % 20)
    rgb = plain_rows(24, lambda x, y: ((x * 19) % 256, (y * 37) % 256, ((x + y) * 11) % 256))
    for name, data in [("gen_rle4", bmp_file(4, 2, palette16, rle4_stream())),
                       ("gen_rle8_delta", bmp_file(8, 1, palette256, rle8_delta_stream()))]:
        write_generated(out, name, ".bmp", data)
    # ImageMagick misreads the palettes of OS/2 2.x files: each is compared with its decode
    # of the same picture under a 40-byte header.
    for name, file in [("gen_os2v2_rle8", (8, 1, palette256, rle8_delta_stream())),
                       ("gen_os2v2_rle4", (4, 2, palette16, rle4_stream())),
                       ("gen_os2v2_8bit", (8, 0, palette20, indices20)),
                       ("gen_os2v2_24bit", (24, 0, [], rgb))]:
        twin = os.path.join(out, name + ".windows.bmp")
        with open(twin, "wb") as f:
            f.write(bmp_file(*file))
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(bmp_file(*file, info_size=64))
        save_reference(out, name, magick_decode(twin))
    path = os.path.join(out, "gen_os2_short_palette.bmp")
    with open(path, "wb") as f:
        f.write(bmp_file(8, 0, palette20, indices20, 12))
    save_reference(out, "gen_os2_short_palette", Image.open(path))


if __name__ == "__main__":
    main(picture, [pil_samples, magick_samples, generated_samples])

#!/usr/bin/python3
"""Writes PCX files made by independent tools, each with a tool's own decode of it.

For every sample NAME the output folder gets NAME.pcx and NAME.ppm (binary RGB, the
reference). Python's imaging library writes two-colour files, and it and ImageMagick write
256-colour and 24-bit (three plane) files, at an odd width, so that scanlines carry padding. No tool writes
16-colour files of four bit planes, so a small encoder here writes those (with the plane
bytes 0xFF, 0, 0, 0 and 0x80 x 4 in its first row), a 24-bit file of width 3 whose planes
are 4 bytes long, and one whose extent starts at x = 10; ImageMagick decodes them.

Usage: make_pcx_samples.py OUTPUT_FOLDER
"""
import os
import struct

from PIL import Image

from sample_tools import magick_decode, magick_write, main, save_reference, write_generated

WIDTH, HEIGHT = 37, 9  # odd, so that scanlines are padded to even lengths


def picture(width=WIDTH, height=HEIGHT):
    image = Image.new("RGB", (width, height))
    for y in range(height):
        for x in range(width):
            flat = x < 12 and y % 3 != 2  # runs for the encoders
            image.putpixel((x, y), (40, 200, 90) if flat else
                           ((x * 19) % 256, (y * 37 + x) % 256, ((x + y) * 11) % 256))
    return image






def pil_samples(out, source, _):
    for name, mode in [("pil_1bit", "1"), ("pil_8bit_grey", "L"), ("pil_8bit_palette", "P"),
                       ("pil_24bit", "RGB")]:
        path = os.path.join(out, name + ".pcx")
        source.convert(mode).save(path)
        save_reference(out, name, Image.open(path))


def magick_samples(out, _, source_png):
    for name, options in [("magick_8bit", ["-type", "Palette"]),
                          ("magick_24bit", ["-type", "TrueColor"])]:
        path = os.path.join(out, name + ".pcx")
        magick_write(source_png, path, options, "PCX:")
        save_reference(out, name, magick_decode(path))


def rle(data):
    """Run-length encoding of one scanline: runs of up to 63, single bytes below 0xC0 as
    they are."""
    out = bytearray()
    i = 0
    while i < len(data):
        n = 1
        while i + n < len(data) and n < 63 and data[i + n] == data[i]:
            n += 1
        if n > 1 or data[i] >= 0xC0:
            out += bytes([0xC0 | n, data[i]])
        else:
            out.append(data[i])
        i += n
    return bytes(out)


def pcx_file(xmin, width, height, bits, planes, line_bytes, scanlines, palette16=b""):
    header = struct.pack("<BBBBHHHHHH", 10, 5, 1, bits, xmin, 0, xmin + width - 1, height - 1,
                         72, 72)
    header += palette16.ljust(48, b"\0") + bytes([0, planes]) + struct.pack("<HH", line_bytes, 1)
    return header.ljust(128, b"\0") + b"".join(rle(line) for line in scanlines)


def planar16(width, height):
    """Four-plane scanlines of the pixel values (x * 3 + y) % 16, the first row replaced
    by the plane bytes 0xFF, 0, 0, 0 then 0x80 x 4."""
    line_bytes = (width + 15) // 16 * 2
    lines = []
    for y in range(height):
        values = [(x * 3 + y) % 16 for x in range(width)] + [0] * (line_bytes * 8 - width)
        planes = [bytes(sum(((values[j * 8 + k] >> p) & 1) << (7 - k) for k in range(8))
                        for j in range(line_bytes)) for p in range(4)]
        if y == 0:
            planes = [bytes([first]) + bytes([0x80]) + plane[2:]
                      for first, plane in zip([0xFF, 0, 0, 0], planes)]
        lines.append(b"".join(planes))
    return line_bytes, lines


def planes24(image, line_bytes):
    rgb = list(image.getdata())
    lines = []
    for y in range(image.height):
        row = rgb[y * image.width:(y + 1) * image.width]
        lines.append(b"".join(bytes(p[c] for p in row).ljust(line_bytes, bytes([0xEE]))
                              for c in range(3)))
    return lines


def generated_samples(out, *_):
    palette16 = b"".join(bytes([i * 16, 255 - i * 16, (i * 40) % 256]) for i in range(16))
    line_bytes, lines16 = planar16(WIDTH, HEIGHT)
    narrow = picture(3, 4)
    shifted = picture(10, 5)
    for name, data in [
            ("gen_4bit_planar", pcx_file(0, WIDTH, HEIGHT, 1, 4, line_bytes, lines16, palette16)),
            ("gen_24bit_width3", pcx_file(0, 3, 4, 8, 3, 4, planes24(narrow, 4))),
            ("gen_24bit_xmin10", pcx_file(10, 10, 5, 8, 3, 10, planes24(shifted, 10)))]:
        write_generated(out, name, ".pcx", data)


if __name__ == "__main__":
    main(picture, [pil_samples, magick_samples, generated_samples])

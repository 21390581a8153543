#!/usr/bin/python3
"""Writes TGA files made by independent tools, each with a tool's own decode of it.

For every sample NAME the output folder gets NAME.tga and NAME.ppm (binary RGB, the
reference). Python's imaging library and ImageMagick write colour-mapped, true-colour and
grey files, plain and run-length encoded (types 1, 2, 3, 9, 10, 11), 24 and 32 bits, rows
from the bottom and from the top. No tool writes 15- or 16-bit files, so a small encoder
here writes those (true colour plain and run-length, a 16-bit colour map) and a file whose
rows run right to left; ImageMagick decodes them. Where 5-bit channels are involved the
reference is made by the reader's rule: a channel v becomes v << 3 (the tool scales 31 to
255).

Usage: make_tga_samples.py OUTPUT_FOLDER
"""
import os
import struct

from PIL import Image

from sample_tools import magick_decode, magick_write, main, save_reference, write_generated

# Wider than one run-length packet (128 pixels), with flat stretches for run packets.
WIDTH, HEIGHT = 150, 7


def picture():
    image = Image.new("RGB", (WIDTH, HEIGHT))
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if x < 60:
                colour = (200, 40 * y % 256, 90) if x // 20 % 2 else (10, 20, 30 + y)
            else:
                colour = ((x * 19) % 256, (y * 37 + x) % 256, ((x + y) * 11) % 256)
            image.putpixel((x, y), colour)
    return image






def pil_samples(out, source, _):
    rgba = source.convert("RGBA")
    rgba.putalpha(Image.linear_gradient("L").resize(source.size))
    for name, image, options in [
            ("pil_type1", source.convert("P"), {}),
            ("pil_type2_24", source, {}),
            ("pil_type2_32_top", rgba, {"orientation": 1}),
            ("pil_type3", source.convert("L"), {}),
            ("pil_type9", source.convert("P"), {"compression": "tga_rle"}),
            ("pil_type10_24_top", source, {"compression": "tga_rle", "orientation": 1}),
            ("pil_type10_32", rgba, {"compression": "tga_rle"}),
            ("pil_type11", source.convert("L"), {"compression": "tga_rle"})]:
        path = os.path.join(out, name + ".tga")
        image.save(path, **options)
        save_reference(out, name, Image.open(path))


def magick_samples(out, _, source_png):
    for name, options in [("magick_type1", ["-type", "Palette"]),
                          ("magick_type2_top", ["-orient", "TopLeft"]),
                          ("magick_type3", ["-type", "Grayscale"]),
                          ("magick_type9", ["-type", "Palette", "-compress", "RLE"]),
                          ("magick_type10", ["-compress", "RLE"]),
                          ("magick_type10_32_top", ["-alpha", "set", "-compress", "RLE",
                                                    "-orient", "TopLeft"]),
                          ("magick_type11", ["-type", "Grayscale", "-compress", "RLE"])]:
        path = os.path.join(out, name + ".tga")
        magick_write(source_png, path, options, "TGA:")
        save_reference(out, name, magick_decode(path))


def word555(r, g, b, top_bit=0):
    return top_bit << 15 | (r >> 3) << 10 | (g >> 3) << 5 | b >> 3


def rle_packets(pixels, pixel_bytes):
    """Run-length packets of one row: runs of equal pixels, raw packets for the rest."""
    data = bytearray()
    i = 0
    while i < len(pixels):
        n = 1
        while i + n < len(pixels) and n < 128 and pixels[i + n] == pixels[i]:
            n += 1
        if n > 1:
            data += bytes([0x80 | (n - 1)]) + pixel_bytes(pixels[i])
        else:
            while i + n < len(pixels) and n < 128 and pixels[i + n] != pixels[i + n - 1]:
                n += 1
            data += bytes([n - 1]) + b"".join(pixel_bytes(p) for p in pixels[i:i + n])
        i += n
    return bytes(data)


def tga_file(image_type, depth, descriptor, rows, pixel_bytes, colour_map=b"", map_entries=0,
             crossing=False):
    """With `crossing`, the run-length packets run over the whole picture, across row ends."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 1 if map_entries else 0, image_type, 0, map_entries,
                         16 if map_entries else 0, 0, 0, WIDTH, HEIGHT, depth, descriptor)
    if image_type > 3 and crossing:
        data = rle_packets([p for row in rows for p in row], pixel_bytes)
    elif image_type > 3:
        data = b"".join(rle_packets(row, pixel_bytes) for row in rows)
    else:
        data = b"".join(pixel_bytes(p) for row in rows for p in row)
    return header + colour_map + data


def generated_samples(out, source, _):
    """File rows from the bottom unless the descriptor's bit 5 says otherwise."""
    rgb = list(source.getdata())
    top_rows = [rgb[y * WIDTH:(y + 1) * WIDTH] for y in range(HEIGHT)]
    bottom_rows = top_rows[::-1]
    words = [[word555(*p, top_bit=(x % 3 == 0)) for x, p in enumerate(row)] for row in bottom_rows]
    pack16 = lambda w: struct.pack("<H", w)
    bgr = lambda p: bytes([p[2], p[1], p[0]])
    palette16 = [word555(i * 16, 255 - i * 16, (i * 40) % 256, i & 1) for i in range(16)]
    indices = [[(x // 7 + y) % 16 for x in range(WIDTH)] for y in range(HEIGHT)]
    mirrored = [row[::-1] for row in top_rows]
    five_bit = lambda decoded: decoded.point(lambda v: (v * 31 + 127) // 255 << 3)
    for name, data, transform in [
            ("gen_15bit", tga_file(2, 15, 0, words, pack16), five_bit),
            ("gen_16bit_rle", tga_file(10, 16, 0, words, pack16), five_bit),
            ("gen_16bit_rle_top_right", tga_file(10, 16, 0x30, [r[::-1] for r in words[::-1]],
                                                 pack16), five_bit),
            ("gen_map16", tga_file(1, 8, 0, indices, lambda i: bytes([i]),
                                   b"".join(pack16(w) for w in palette16), 16), five_bit),
            ("gen_24bit_right", tga_file(2, 24, 0x30, mirrored, bgr), None),
            ("gen_24bit_rle_crossing", tga_file(10, 24, 0, bottom_rows, bgr, crossing=True), None),
            ("gen_map16_rle_crossing_top", tga_file(9, 8, 0x20, indices, lambda i: bytes([i]),
                                                    b"".join(pack16(w) for w in palette16), 16,
                                                    crossing=True), five_bit)]:
        write_generated(out, name, ".tga", data, transform)


if __name__ == "__main__":
    main(picture, [pil_samples, magick_samples, generated_samples])

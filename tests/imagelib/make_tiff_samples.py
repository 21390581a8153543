#!/usr/bin/python3
"""Writes TIFF files made by independent tools, each with the tool's own decode of it.

For every sample NAME the output folder gets NAME.tif and NAME.ppm (binary RGB, the
reference). ImageMagick and Python's imaging library write both byte orders; uncompressed,
PackBits, LZW and Deflate strips, with and without horizontal differencing; chunky and
planar samples; 1-, 4-, 8- and 16-bit grey, palette and RGB pictures, with alpha; several
strips and every orientation. ImageMagick decodes its own files and PIL its own (PIL
writes colour map levels as value x 256, whose high byte the reader takes; ImageMagick
would scale them to 8 bits differently). Where the tools and the reader differ, the
reference is the tool's decode taken the reader's way:
- 16-bit samples: ImageMagick rounds them to 8 bits and PIL clips them at 255; the reader
  takes the high byte, so the reference is the tool's 16-bit decode shifted by 8.
- Associated (premultiplied) alpha: both tools divide the colour by the alpha; the reader
  shows the stored colour, so ImageMagick's decode is multiplied back by its alpha (which
  comes within 1 of the stored levels: ImageMagick's division rounds its own way).
- 4-bit grey with white 0: ImageMagick writes the levels of black 0 (and reads them back
  so) under photometric value 0; PIL shows the levels as the file says, as the reader
  does, so PIL's decode of that file is the reference.
Both tools turn the pictures upright, ImageMagick by -auto-orient and PIL as it loads.
Files no tool writes (LZW in the old bit order or without a leading clear code, code
32946 for Deflate, PackBits planes carrying a Predictor tag, which libtiff and the reader
ignore there) come from the small encoders below, with ImageMagick's decode as reference;
libtiff (so ImageMagick and PIL) refuses LZW data that does not start with a clear code,
which the reader decodes as if one stood there: that file's reference is the picture
given to the encoder.

Usage: make_tiff_samples.py OUTPUT_FOLDER
"""
import os
import struct
import subprocess
import zlib

import numpy
from PIL import Image

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
# ImageMagick differences the samples of LZW and Zip strips unless told otherwise.
LZW = ["-compress", "LZW", "-define", "tiff:predictor=1"]
ZIP = ["-compress", "Zip", "-define", "tiff:predictor=1"]
PREDICTOR = ["-define", "tiff:predictor=2"]
PLANAR = ["-interlace", "Plane"]
BILEVEL = ["-type", "Bilevel", "-depth", "1"]
MIN_IS_WHITE = ["-define", "quantum:polarity=min-is-white"]
GREY4 = ["-colorspace", "Gray", "-depth", "4"]
PALETTE4 = ["-colors", "12", "-type", "Palette", "-depth", "4"]
GREY8 = ["-colorspace", "Gray", "-depth", "8"]
PALETTE8 = ["-type", "Palette", "-depth", "8"]
TRUECOLOUR = ["-type", "TrueColor"]
# Levels that are not multiples of 257, so that the high byte differs from rounding.
DEEP = ["-gamma", "1.3", "-depth", "16"]
GREY16 = ["-colorspace", "Gray"] + DEEP
RGBA = ["-type", "TrueColorAlpha"]
GREY_ALPHA = ["-colorspace", "Gray", "-type", "GrayscaleAlpha"]
ALPHA = ["-alpha", "on", "-channel", "A", "-fx", "(i+j)%5/4", "+channel"]
ASSOCIATED = ALPHA + ["-define", "tiff:alpha=associated"]
UNASSOCIATED = ALPHA + ["-define", "tiff:alpha=unassociated"]
ORIENTATIONS = ["TopLeft", "TopRight", "BottomRight", "BottomLeft",
                "LeftTop", "RightTop", "RightBottom", "LeftBottom"]  # tag values 1 to 8


def orient(value):
    return ["-orient", ORIENTATIONS[value - 1]]


# Name, ImageMagick options, how the reference comes from the file (see reference()).
MAGICK_SAMPLES = [
    ("ii_24bit", TRUECOLOUR + RAW, None),
    ("mm_24bit_strips", TRUECOLOUR + RAW + MSB + STRIPS, None),
    ("mm_24bit_packbits_strips", TRUECOLOUR + PACKBITS + MSB + STRIPS, None),
    ("ii_1bit_min_is_black", BILEVEL + RAW, None),
    ("mm_1bit_min_is_white_packbits", BILEVEL + MIN_IS_WHITE + PACKBITS + MSB, None),
    ("ii_4bit_grey", GREY4 + RAW + STRIPS, None),
    ("mm_4bit_grey_packbits", GREY4 + PACKBITS + MSB, None),
    ("ii_4bit_grey_min_is_white", GREY4 + MIN_IS_WHITE + RAW, "pil"),
    ("ii_4bit_palette_packbits", PALETTE4 + PACKBITS, None),
    ("mm_4bit_palette", PALETTE4 + RAW + MSB, None),
    ("mm_8bit_grey_strips", GREY8 + RAW + MSB + STRIPS, None),
    ("mm_8bit_grey_min_is_white_lzw", GREY8 + MIN_IS_WHITE + LZW + MSB, None),
    ("ii_8bit_palette", PALETTE8 + RAW, None),
    ("mm_8bit_palette_packbits", PALETTE8 + PACKBITS + MSB + STRIPS, None),
    ("ii_24bit_mirrored", TRUECOLOUR + RAW + orient(2), None),
    ("mm_1bit_mirrored", BILEVEL + MIN_IS_WHITE + RAW + MSB + orient(2), None),
    ("ii_4bit_palette_mirrored", PALETTE4 + PACKBITS + orient(2), None),
    ("mm_8bit_grey_mirrored", GREY8 + PACKBITS + MSB + STRIPS + orient(2), None),
    # LZW and Deflate, with and without differencing, every depth.
    ("ii_24bit_lzw", TRUECOLOUR + LZW, None),
    ("mm_24bit_lzw_predictor_strips", TRUECOLOUR + LZW + PREDICTOR + MSB + STRIPS, None),
    ("ii_24bit_zip", TRUECOLOUR + ZIP, None),
    ("mm_24bit_zip_predictor", TRUECOLOUR + ZIP + PREDICTOR + MSB, None),
    ("ii_1bit_lzw_strips", BILEVEL + LZW + STRIPS, None),
    ("mm_1bit_zip", BILEVEL + ZIP + MSB, None),
    ("ii_4bit_grey_zip", GREY4 + ZIP, None),
    ("mm_4bit_palette_lzw", PALETTE4 + LZW + MSB, None),
    ("ii_8bit_grey_lzw_predictor", GREY8 + LZW + PREDICTOR, None),
    ("mm_8bit_palette_zip_strips", PALETTE8 + ZIP + MSB + STRIPS, None),
    # One plane per sample.
    ("ii_24bit_planar", TRUECOLOUR + RAW + PLANAR, None),
    ("mm_24bit_planar_packbits_strips", TRUECOLOUR + PACKBITS + PLANAR + MSB + STRIPS, None),
    ("ii_24bit_planar_lzw_predictor_strips", TRUECOLOUR + LZW + PREDICTOR + PLANAR + STRIPS,
     None),
    # 16-bit samples.
    ("ii_48bit", TRUECOLOUR + DEEP + RAW, "high_bytes"),
    ("mm_48bit_zip_predictor", TRUECOLOUR + DEEP + ZIP + PREDICTOR + MSB, "high_bytes"),
    ("ii_48bit_planar_lzw_predictor_strips",
     TRUECOLOUR + DEEP + LZW + PREDICTOR + PLANAR + STRIPS, "high_bytes"),
    ("mm_48bit_planar_packbits", TRUECOLOUR + DEEP + PACKBITS + PLANAR + MSB, "high_bytes"),
    ("ii_16bit_grey_lzw_predictor", GREY16 + LZW + PREDICTOR, "high_bytes"),
    ("mm_16bit_grey", GREY16 + RAW + MSB + STRIPS, "high_bytes"),
    # Extra samples: alpha, dropped.
    ("ii_rgba_unassociated", RGBA + UNASSOCIATED + RAW, None),
    ("mm_rgba_associated_lzw_predictor", RGBA + ASSOCIATED + LZW + PREDICTOR + MSB,
     "associated"),
    ("ii_rgba_associated_planar_zip", RGBA + ASSOCIATED + ZIP + PLANAR, "associated"),
    ("mm_rgba64_unassociated_zip_predictor", RGBA + UNASSOCIATED + DEEP + ZIP + PREDICTOR
     + MSB, "high_bytes"),
    ("ii_grey_alpha_packbits", GREY_ALPHA + UNASSOCIATED + PACKBITS, None),
]
# Every orientation at 24 bits, those that turn rows into columns at the other depths.
MAGICK_SAMPLES += [(f"ii_24bit_orient{value}", TRUECOLOUR + LZW + PREDICTOR + orient(value), None)
                   for value in range(1, 9)]
MAGICK_SAMPLES += [
    ("mm_24bit_orient6_planar_strips", TRUECOLOUR + RAW + PLANAR + MSB + STRIPS + orient(6),
     None),
    ("ii_1bit_orient3", BILEVEL + RAW + orient(3), None),
    ("mm_1bit_orient4_packbits", BILEVEL + PACKBITS + MSB + orient(4), None),
    ("ii_1bit_orient5", BILEVEL + LZW + orient(5), None),
    ("mm_1bit_orient7_strips", BILEVEL + RAW + MSB + STRIPS + orient(7), None),
    ("ii_4bit_palette_orient6", PALETTE4 + PACKBITS + orient(6), None),
    ("mm_4bit_grey_orient8", GREY4 + RAW + MSB + orient(8), None),
    ("ii_8bit_grey_orient7_strips", GREY8 + ZIP + STRIPS + orient(7), None),
    ("mm_8bit_palette_orient5", PALETTE8 + LZW + MSB + orient(5), None),
    ("ii_48bit_orient8_planar", TRUECOLOUR + DEEP + ZIP + PLANAR + orient(8), "high_bytes"),
]

# Name, image mode, save options, reference rule: PIL leaves out the tags whose defaults
# apply (a 1-bit file without BitsPerSample, files without SamplesPerPixel).
PIL_SAMPLES = [
    ("pil_1bit", "1", {"compression": "raw"}, None),
    ("pil_1bit_packbits", "1", {"compression": "packbits"}, None),
    ("pil_8bit_grey", "L", {"compression": "raw"}, None),
    ("pil_8bit_palette_packbits", "P", {"compression": "packbits"}, None),
    ("pil_24bit_packbits", "RGB", {"compression": "packbits"}, None),
    ("pil_24bit_lzw", "RGB", {"compression": "tiff_lzw"}, None),
    ("pil_24bit_deflate", "RGB", {"compression": "tiff_adobe_deflate"}, None),
    ("pil_8bit_palette_lzw", "P", {"compression": "tiff_lzw"}, None),
    ("pil_rgba_deflate", "RGBA", {"compression": "tiff_adobe_deflate"}, None),
    ("pil_16bit_grey", "I;16", {"compression": "raw"}, "high_bytes"),
    ("pil_16bit_grey_big_endian_lzw", "I;16B", {"compression": "tiff_lzw"}, "high_bytes"),
    ("pil_24bit_orient6_lzw", "RGB", {"compression": "tiff_lzw", "tiffinfo": {274: 6}}, None),
    ("pil_8bit_grey_orient8", "L", {"compression": "raw", "tiffinfo": {274: 8}}, None),
    ("pil_1bit_orient7", "1", {"compression": "packbits", "tiffinfo": {274: 7}}, None),
]

def magick_raw(path, depth, channels):
    """ImageMagick's upright decode as an array of height x width x channels."""
    image_format = {3: "rgb", 4: "rgba"}[channels]
    data = subprocess.run(["convert", path, "-auto-orient", "-endian", "MSB", "-depth", str(depth),
                           image_format + ":-"], check=True, capture_output=True).stdout
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                          capture_output=True, text=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    orientation = subprocess.run(["identify", "-format", "%[orientation]", path], check=True,
                                 capture_output=True, text=True).stdout
    if orientation in ORIENTATIONS[4:]:
        width, height = height, width
    values = numpy.frombuffer(data, dtype=">u2" if depth == 16 else numpy.uint8)
    return values.reshape(height, width, channels)


def magick_reference(path, rule):
    if rule == "high_bytes":
        return Image.fromarray((magick_raw(path, 16, 3) >> 8).astype(numpy.uint8), "RGB")
    if rule == "associated":
        rgba = magick_raw(path, 8, 4).astype(numpy.uint32)
        stored = (rgba[:, :, :3] * rgba[:, :, 3:] + 127) // 255
        return Image.fromarray(stored.astype(numpy.uint8), "RGB")
    if rule == "pil":
        return pil_reference(path, None)
    return magick_decode(path)


def pil_reference(path, rule):
    decoded = Image.open(path)
    if rule == "high_bytes":
        decoded = Image.fromarray((numpy.array(decoded) >> 8).astype(numpy.uint8), "L")
    return decoded.convert("RGB")


# The encoders of the files no tool writes.
SHORT, LONG = 3, 4


def tiff_file(big, width, height, bits, samples, photometric, strips, compression=1,
              rows_per_strip=None, planar=1, predictor=None):
    """A TIFF file of `strips` (bytes each, planes one after another when planar): the
    header, the strips, the arrays, then the directory."""
    order = ">" if big else "<"
    data = bytearray(b"MM" if big else b"II") + struct.pack(order + "HI", 42, 0)
    offsets = []
    for strip in strips:
        offsets.append(len(data))
        data += strip
    entries = [(256, LONG, [width]), (257, LONG, [height]), (258, SHORT, [bits] * samples),
               (259, SHORT, [compression]), (262, SHORT, [photometric]), (273, LONG, offsets),
               (277, SHORT, [samples]), (278, LONG, [rows_per_strip or height]),
               (279, LONG, [len(strip) for strip in strips]), (284, SHORT, [planar])]
    if predictor:
        entries.append((317, SHORT, [predictor]))
    fields = []
    for tag, kind, values in entries:
        packed = struct.pack(order + ("H" if kind == SHORT else "I") * len(values), *values)
        if len(packed) > 4:
            offset = len(data)
            data += packed
            packed = struct.pack(order + "I", offset)
        fields.append(struct.pack(order + "HHI", tag, kind, len(values)) + packed.ljust(4, b"\0"))
    if len(data) % 2:
        data += b"\0"
    struct.pack_into(order + "I", data, 4, len(data))
    data += struct.pack(order + "H", len(fields)) + b"".join(fields) + b"\0\0\0\0"
    return bytes(data)


def lzw_encode(data, old_order=False, leading_clear=True):
    """LZW codes of 9 to 12 bits: most significant bit first, widening a code early, or in
    the old order, least significant bit first, widening when the table is full."""
    codes = []
    decoder_next, fresh, width = 258, True, 9  # the decoder's table, to know its widths

    def put(code):
        nonlocal decoder_next, fresh, width
        codes.append((code, width))
        if code == 256:
            decoder_next, fresh, width = 258, True, 9
        elif fresh:
            fresh = False
        else:
            decoder_next += 1
            if decoder_next >= (1 << width) - (0 if old_order else 1) and width < 12:
                width += 1

    def new_table():
        return {bytes([i]): i for i in range(256)}, 258

    if leading_clear:
        put(256)
    table, next_code = new_table()
    string = b""
    for byte in data:
        longer = string + bytes([byte])
        if longer in table:
            string = longer
            continue
        put(table[string])
        table[longer] = next_code
        next_code += 1
        if next_code == 4094:
            put(256)
            table, next_code = new_table()
        string = bytes([byte])
    if string:
        put(table[string])
    put(257)
    out, bits, count = bytearray(), 0, 0
    for code, size in codes:
        bits = bits | (code << count) if old_order else (bits << size) | code
        count += size
        while count >= 8:
            count -= 8
            out.append(bits & 0xFF if old_order else (bits >> count) & 0xFF)
            if old_order:
                bits >>= 8
    if count:
        out.append(bits & 0xFF if old_order else (bits << (8 - count)) & 0xFF)
    return bytes(out)


def packbits(row):
    """PackBits runs of a row: repeats of 3 or more, literals between them."""
    out, i = bytearray(), 0
    while i < len(row):
        run = 1
        while i + run < len(row) and run < 128 and row[i + run] == row[i]:
            run += 1
        if run >= 3:
            out += bytes([257 - run, row[i]])
            i += run
            continue
        start = i
        while i < len(row) and i - start < 128 and not (
                i + 2 < len(row) and row[i] == row[i + 1] == row[i + 2]):
            i += 1
        out += bytes([i - start - 1]) + row[start:i]
    return bytes(out)


def generated_files(source):
    rgb = source.tobytes()
    grey = source.convert("L").tobytes()
    rows = [rgb[y * WIDTH * 3:(y + 1) * WIDTH * 3] for y in range(HEIGHT)]
    # 16-bit planes, big-endian, levels of both bytes: each 8-bit level v as v x 257 + y.
    deep = numpy.array(source, dtype=numpy.uint16) * 257 + numpy.arange(HEIGHT)[:, None, None]
    planes = [deep[:, :, channel].astype(">u2").tobytes() for channel in range(3)]
    row_bytes = WIDTH * 2
    packbits_planes = [b"".join(packbits(plane[y * row_bytes:(y + 1) * row_bytes])
                                for y in range(HEIGHT)) for plane in planes]
    return [
        ("gen_24bit_lzw_old_order",
         tiff_file(False, WIDTH, HEIGHT, 8, 3, 2, [lzw_encode(rgb, old_order=True)], 5), None),
        ("gen_8bit_grey_lzw_old_order_strips",
         tiff_file(True, WIDTH, HEIGHT, 8, 1, 1,
                   [lzw_encode(grey[y * WIDTH:(y + 4) * WIDTH], old_order=True)
                    for y in range(0, HEIGHT, 4)], 5, rows_per_strip=4), None),
        ("gen_24bit_lzw_no_leading_clear",
         tiff_file(True, WIDTH, HEIGHT, 8, 3, 2, [lzw_encode(rgb, leading_clear=False)], 5),
         "source"),
        ("gen_24bit_deflate_32946",
         tiff_file(False, WIDTH, HEIGHT, 8, 3, 2,
                   [zlib.compress(b"".join(rows[y:y + 5])) for y in range(0, HEIGHT, 5)],
                   32946, rows_per_strip=5), None),
        ("gen_48bit_planar_packbits_predictor_tag",
         tiff_file(True, WIDTH, HEIGHT, 16, 3, 2, packbits_planes, 32773, planar=2,
                   predictor=2), "high_bytes"),
    ]


def write_samples(out, source, source_png):
    for name, options, rule in MAGICK_SAMPLES:
        path = os.path.join(out, name + ".tif")
        magick_write(source_png, path, options)
        save_reference(out, name, magick_reference(path, rule))
    for name, mode, save_options, rule in PIL_SAMPLES:
        path = os.path.join(out, name + ".tif")
        if mode.startswith("I;16"):
            levels = numpy.array(source.convert("L"), dtype=numpy.uint16) * 251 + 3
            image = Image.frombytes(mode, source.size, levels.astype(
                ">u2" if mode.endswith("B") else "<u2").tobytes())
        else:
            image = source.convert(mode)
        image.save(path, **save_options)
        save_reference(out, name, pil_reference(path, rule))
    for name, data, rule in generated_files(source):
        path = os.path.join(out, name + ".tif")
        with open(path, "wb") as f:
            f.write(data)
        save_reference(out, name, source if rule == "source" else magick_reference(path, rule))


if __name__ == "__main__":
    main(picture, [write_samples])

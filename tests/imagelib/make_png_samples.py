#!/usr/bin/python3
"""Writes PNG files made by independent tools, each with the tool's own decode of it.

For every sample NAME the output folder gets NAME.png and, for the files the reader
accepts, NAME.ppm (binary RGB, Python's imaging library's decode with any alpha dropped)
and, for files with alpha, NAME.alpha.ppm (the alpha channel as grey). Python's imaging
library writes the plain grey, palette and colour files, 1-bit and 8-bit grey with alpha
ones; ImageMagick writes a 16-entry palette at 8 bits, interlaced files, 2- and 4-bit
palette and grey files and the 16-bit ones. One 16-bit file of each colour type holds
samples made from 8-bit values (so that every reading of 16 bits as 8 agrees), one holds
samples whose low bytes differ from their high bytes: Python's imaging library decodes
those by their high bytes, the reader's rule, while ImageMagick would round (v / 257).

Usage: make_png_samples.py OUTPUT_FOLDER
"""
import os

from PIL import Image

from sample_tools import magick_write, main, save_reference

WIDTH, HEIGHT = 19, 11  # odd sizes: padded rows, and every interlace pass holds pixels


def picture():
    image = Image.new("RGBA", (WIDTH, HEIGHT))
    for y in range(HEIGHT):
        for x in range(WIDTH):
            image.putpixel((x, y), ((x * 13) % 256, (y * 23) % 256, ((x + 2 * y) * 7) % 256,
                                    (x * 14 + y * 9) % 256))
    return image


def magick(source, out, name, options):
    path = os.path.join(out, name + ".png")
    magick_write(source, path, options[:-1], options[-1])
    return path


def save_references(out, name, path):
    decoded = Image.open(path)
    if decoded.mode in ("I", "I;16"):  # 16-bit grey, which the imaging library keeps whole
        decoded = Image.frombytes("L", decoded.size, bytes(v >> 8 for v in decoded.getdata()))
    save_reference(out, name, decoded)
    if "A" in decoded.getbands():
        save_reference(out, name + ".alpha", decoded.getchannel("A"))


def write_samples(out, rgba, rgba_png):
    rgb = rgba.convert("RGB")
    grey_alpha_png = os.path.join(out, "source_grey_alpha.png")
    rgba.convert("LA").save(grey_alpha_png)

    accepted = {
        "pil_grey": lambda path: rgb.convert("L").save(path),
        "pil_palette": lambda path: rgb.convert("P", palette=Image.ADAPTIVE).save(path),
        "pil_rgb": lambda path: rgb.save(path),
        "pil_rgb_trns": lambda path: rgb.save(path, transparency=rgb.getpixel((0, 0))),
        "pil_rgba": lambda path: rgba.save(path),
    }
    for name, write in accepted.items():
        path = os.path.join(out, name + ".png")
        write(path)
        save_references(out, name, path)
    for name, source, options in [
            ("magick_palette16", rgba_png, ["-alpha", "off", "-colors", "16", "-define",
                                            "png:bit-depth=8", "-define", "png:color-type=3",
                                            "PNG8:"]),
            ("magick_interlaced_rgb", rgba_png, ["-alpha", "off", "-interlace", "PNG", "PNG24:"]),
            ("magick_interlaced_rgba", rgba_png, ["-interlace", "PNG", "PNG32:"]),
            ("magick_grey_alpha16", grey_alpha_png, ["-depth", "16", "-define", "png:bit-depth=16",
                                                     "-define", "png:color-type=4", "PNG:"])]:
        save_references(out, name, magick(source, out, name, options))

    # Depths below 8 bits, grey with alpha at 8 bits, 16-bit grey and colour.
    for name, write in {
            "pil_1bit": lambda path: rgb.convert("1").save(path),
            "pil_grey_alpha8": lambda path: rgba.convert("LA").save(path),
            "pil_grey16": lambda path: rgb.convert("L").convert("I;16").save(path),
    }.items():
        path = os.path.join(out, name + ".png")
        write(path)
        save_references(out, name, path)
    grey = ["-alpha", "off", "-colorspace", "Gray", "-define", "png:color-type=0"]
    for name, source, options in [
            ("magick_2bit", rgba_png, ["-alpha", "off", "-colors", "4", "-define",
                                       "png:bit-depth=2", "PNG8:"]),
            ("magick_palette4bit", rgba_png, ["-alpha", "off", "-colors", "16", "-define",
                                              "png:bit-depth=4", "PNG8:"]),
            ("magick_grey2bit", rgba_png, grey + ["-depth", "2", "-define", "png:bit-depth=2",
                                                  "PNG:"]),
            ("magick_grey4bit", rgba_png, grey + ["-depth", "4", "-define", "png:bit-depth=4",
                                                  "PNG:"]),
            ("magick_rgb16", rgba_png, ["-alpha", "off", "-depth", "16", "PNG48:"])]:
        save_references(out, name, magick(source, out, name, options))
    for name, (source, options) in sixteen_bit_sources(out).items():
        save_references(out, name, magick(source, out, name, options))


def sixteen_bit_sources(out):
    """Netpbm files of 16-bit samples whose two bytes differ, with the options that make
    ImageMagick write each as a PNG of that colour type."""
    def sample(x, y, channel):
        return (x * 3001 + y * 977 + channel * 12345) % 65536

    def netpbm(name, header, channels):
        path = os.path.join(out, name)
        with open(path, "wb") as f:
            f.write(header)
            for y in range(HEIGHT):
                for x in range(WIDTH):
                    for c in range(channels):
                        f.write(sample(x, y, c).to_bytes(2, "big"))
        return path

    def pam(name, channels, tuple_type):
        header = (f"P7\nWIDTH {WIDTH}\nHEIGHT {HEIGHT}\nDEPTH {channels}\nMAXVAL 65535\n"
                  f"TUPLTYPE {tuple_type}\nENDHDR\n").encode()
        return netpbm(name, header, channels)

    sixteen = ["-depth", "16", "-define", "png:bit-depth=16"]
    return {
        "magick_grey16_wide": (netpbm("grey16.pgm", f"P5 {WIDTH} {HEIGHT} 65535\n".encode(), 1),
                               sixteen + ["-define", "png:color-type=0", "PNG:"]),
        "magick_grey_alpha16_wide": (pam("grey_alpha16.pam", 2, "GRAYSCALE_ALPHA"),
                                     sixteen + ["-define", "png:color-type=4", "PNG:"]),
        "magick_rgb16_wide": (netpbm("rgb16.ppm", f"P6 {WIDTH} {HEIGHT} 65535\n".encode(), 3),
                              sixteen + ["PNG48:"]),
        "magick_rgba16_wide": (pam("rgba16.pam", 4, "RGB_ALPHA"), sixteen + ["PNG64:"]),
    }


if __name__ == "__main__":
    main(picture, [write_samples])

#!/usr/bin/python3
"""Writes PNG files made by independent tools, each with the tool's own decode of it.

For every sample NAME the output folder gets NAME.png and, for the files the reader
accepts, NAME.ppm (binary RGB, Python's imaging library's decode with any alpha dropped)
and, for files with alpha, NAME.alpha.ppm (the alpha channel as grey). Python's imaging
library writes the plain grey, palette and colour files; ImageMagick writes a 16-entry
palette at 8 bits, interlaced files, 16-bit grey with alpha and the depths the reader
refuses. The alpha channel and the 16-bit samples are made from 8-bit values, so that
every reading of 16 bits as 8 agrees.

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

    # Depths the reader refuses: 1, 2 and 4 bits, 8-bit grey with alpha, 16-bit grey and RGB.
    rgb.convert("1").save(os.path.join(out, "pil_1bit.png"))
    rgba.convert("LA").save(os.path.join(out, "pil_grey_alpha8.png"))
    rgb.convert("L").convert("I;16").save(os.path.join(out, "pil_grey16.png"))
    magick(rgba_png, out, "magick_2bit", ["-alpha", "off", "-colors", "4", "-define",
                                          "png:bit-depth=2", "PNG8:"])
    magick(rgba_png, out, "magick_palette4bit", ["-alpha", "off", "-colors", "16", "-define",
                                                 "png:bit-depth=4", "PNG8:"])
    magick(rgba_png, out, "magick_rgb16", ["-alpha", "off", "-depth", "16", "PNG48:"])


if __name__ == "__main__":
    main(picture, [write_samples])

#!/usr/bin/python3
"""Writes the decode benchmark's files: one 1024 x 768 photo-like picture (smooth colour
gradients with fine detail and a little noise) in every format the library reads, and an
animation of 25 such frames (the picture moving sideways), whose first frame is what a
reader of one picture gives.

Usage: make_bench_files.py OUTPUT_FOLDER
"""
import os
import subprocess
import sys

import numpy
from PIL import Image

WIDTH, HEIGHT = 1024, 768


def picture():
    y, x = numpy.mgrid[0:HEIGHT, 0:WIDTH].astype(numpy.float64)
    red = 128 + 100 * numpy.sin(x / 160) * numpy.cos(y / 210)
    green = 60 + 150 * y / HEIGHT + 20 * numpy.sin((x + y) / 9)
    blue = 200 - 150 * x / WIDTH + 15 * numpy.cos(x / 5) * numpy.sin(y / 7)
    noise = numpy.random.default_rng(4).normal(0, 3, (HEIGHT, WIDTH, 3))
    rgb = numpy.stack([red, green, blue], axis=2) + noise
    return Image.fromarray(numpy.clip(rgb, 0, 255).astype(numpy.uint8), "RGB")


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    source = picture()
    path = lambda name: os.path.join(out, name)
    source.save(path("photo.png"))
    source.save(path("photo24.bmp"))
    source.save(path("photo.jpg"), quality=90)
    source.quantize(256).save(path("photo.gif"))
    pixels = numpy.asarray(source)
    frames = [Image.fromarray(numpy.roll(pixels, 16 * i, axis=1)).quantize(256) for i in range(25)]
    frames[0].save(path("photo_animation.gif"), save_all=True, append_images=frames[1:],
                   duration=40, loop=0)
    source.save(path("photo24.tif"), compression=None)
    source.save(path("photo_packbits.tif"), compression="packbits")
    source.save(path("photo_rle.tga"), compression="tga_rle")
    source.save(path("photo24.pcx"))
    magick = lambda options, target: subprocess.run(
        ["convert", path("photo.png")] + options + [target], check=True)
    magick(["-colors", "256", "-compress", "RLE"], "BMP3:" + path("photo_rle8.bmp"))
    magick(["-compress", "RLE"], "PSD:" + path("photo_rle.psd"))


if __name__ == "__main__":
    main()

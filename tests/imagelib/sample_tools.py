"""What the make_<format>_samples.py scripts share: decoding with ImageMagick, writing the
references, and the frame of a script."""
import io
import os
import subprocess
import sys

from PIL import Image


def magick_decode(path, *options):
    """ImageMagick's decode of the file as RGB, turned upright by the file's orientation, with
    `options` applied."""
    ppm = subprocess.run(["convert", path, "-auto-orient", *options, "-depth", "8", "ppm:-"],
                         check=True, capture_output=True).stdout
    return Image.open(io.BytesIO(ppm)).convert("RGB")


def magick_write(source, path, options, output_format=""):
    """Has ImageMagick convert `source` into `path` (as `output_format`, e.g. "BMP3:")."""
    subprocess.run(["convert", source, *options, output_format + path], check=True)


def save_reference(out, name, decoded):
    decoded.convert("RGB").save(os.path.join(out, name + ".ppm"))


def write_generated(out, name, extension, data, transform=None):
    """Writes a file no tool writes, with ImageMagick's decode (transformed where the reader
    pins another reading) as its reference."""
    path = os.path.join(out, name + extension)
    with open(path, "wb") as f:
        f.write(data)
    decoded = magick_decode(path)
    save_reference(out, name, transform(decoded) if transform else decoded)


def main(picture, writers):
    """Writes the source picture to OUTPUT_FOLDER/source.png, then calls each writer with the
    folder, the picture and the PNG's path."""
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    source = picture()
    source_png = os.path.join(out, "source.png")
    source.save(source_png)
    for write in writers:
        write(out, source, source_png)

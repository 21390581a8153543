#!/usr/bin/python3
"""Lays out the demo medium: the setup, its skin and texts, and the sample product.

    lay_out.py --out DIR --setup K_SETUP.exe --ini K_INI.dll --main koltamain.exe
               --dll K_SOUND.dll --dll ... [--chinese] [--installed DIR]

DIR is written anew (built beside it, then put in its place). --chinese takes the texts
of the code page 936 run (stored as UTF-8, written in code page 936). --installed also
writes the tree that installing the medium must produce, with every compressed file in
its plain form, for the tests that compare an installed product with it.

The medium (both languages use the language folder "chs", the code K_INI gives):
    K_SETUP.exe K_INI.dll korvex.ini
    lan\\chs\\setup\\   SETUP.INI setuphd.inf and the skin (make_skin.py)
    product\\bin\\      koltamain.exe and the four libraries
    product\\data\\     plain .txt files, world.da_ and intro.tx_ (SZDD), levels\\*.lvl
    product\\docs\\     readme.tx_ (SZDD), license.txt
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_skin  # noqa: E402

MEDIA = os.path.dirname(os.path.abspath(__file__))
SKIN_FOLDER = os.path.join("lan", "chs", "setup")
WORLD_NAME = "world.dat"

# Files of the product kept on the medium in SZDD form, by their folder below product\.
COMPRESSED = {
    ("data", "intro.txt"),
    ("data", WORLD_NAME),
    ("docs", "readme.txt"),
}


def world_map():
    """The demo's world: a 512 x 600 tile map with a small header. Terrain bands with a
    sprinkle of pseudo-random detail, so it is big (about 300 KB) but compresses well."""
    width, height = 512, 600
    data = bytearray(b"KWLD" + width.to_bytes(2, "little") + height.to_bytes(2, "little"))
    seed = 12345
    for y in range(height):
        for x in range(width):
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            tile = ((x // 16 + y // 24) % 6) + (8 if (x * x + 7 * y) % 97 < 9 else 0)
            if seed % 61 == 0:
                tile = 16 + (seed >> 8) % 8
            data.append(tile)
    return bytes(data)


def szdd_name(name):
    """The classic compressed name: the extension's last letter becomes "_"."""
    return name[:-1] + "_"


def compress(plain, name, scratch):
    """SZDD bytes of plain, made with mscompress."""
    source = os.path.join(scratch, name)
    with open(source, "wb") as f:
        f.write(plain)
    subprocess.run(["mscompress", source], check=True, stdout=subprocess.DEVNULL)
    with open(source + "_", "rb") as f:
        return f.read()


def product_files():
    """(folder, name, bytes) of every plain file of the sample product's data and docs."""
    files = [("data", WORLD_NAME, world_map())]
    for folder in ("data", "docs", os.path.join("data", "levels")):
        source = os.path.join(MEDIA, "product", folder)
        for name in sorted(os.listdir(source)):
            path = os.path.join(source, name)
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    files.append((folder, name, f.read()))
    return files


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def copy(source, target):
    os.makedirs(os.path.dirname(target), exist_ok=True)
    shutil.copyfile(source, target)


def text_file(name, chinese):
    """A text of the language folder: the English one as stored, or the Chinese one
    turned from UTF-8 into code page 936."""
    if not chinese:
        with open(os.path.join(MEDIA, SKIN_FOLDER, name), "rb") as f:
            return f.read()
    with open(os.path.join(MEDIA, "zh", name), encoding="utf-8", newline="") as f:
        return f.read().encode("cp936")


def lay_out(args, medium, installed):
    copy(args.setup, os.path.join(medium, "K_SETUP.exe"))
    copy(args.ini, os.path.join(medium, "K_INI.dll"))
    copy(os.path.join(MEDIA, "korvex.ini"), os.path.join(medium, "korvex.ini"))

    skin = os.path.join(medium, SKIN_FOLDER)
    make_skin.write_skin(skin)
    for name in ("SETUP.INI", "setuphd.inf"):
        write(os.path.join(skin, name), text_file(name, args.chinese))

    programs = [args.main, args.ini] + args.dll
    for program in programs:
        name = os.path.basename(program)
        copy(program, os.path.join(medium, "product", "bin", name))
        if installed:
            copy(program, os.path.join(installed, "bin", name))

    with tempfile.TemporaryDirectory() as scratch:
        for folder, name, data in product_files():
            if (folder, name) in COMPRESSED:
                write(os.path.join(medium, "product", folder, szdd_name(name)),
                      compress(data, name, scratch))
            else:
                write(os.path.join(medium, "product", folder, name), data)
            if installed:
                write(os.path.join(installed, folder, name), data)


def replace_folder(target, build):
    """Builds the folder beside target with build(folder) and then puts it in place, so
    that a failed layout never leaves half a medium under the target's name."""
    staging = target + ".new"
    shutil.rmtree(staging, ignore_errors=True)
    os.makedirs(staging)
    build(staging)
    shutil.rmtree(target, ignore_errors=True)
    os.rename(staging, target)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--setup", required=True)
    parser.add_argument("--ini", required=True)
    parser.add_argument("--dll", action="append", default=[])
    parser.add_argument("--main", required=True)
    parser.add_argument("--chinese", action="store_true")
    parser.add_argument("--installed")
    args = parser.parse_args()

    if args.installed:
        replace_folder(args.installed, lambda installed: replace_folder(
            args.out, lambda medium: lay_out(args, medium, installed)))
    else:
        replace_folder(args.out, lambda medium: lay_out(args, medium, None))


if __name__ == "__main__":
    main()

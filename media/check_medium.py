#!/usr/bin/env python3
"""Checks a laid-out demo medium (standard library only, and medium_files beside it).

    check_medium.py MEDIUM --installed DIR [--chinese MEDIUM_ZH]

Every skin file present with its size; masks 8-bit with transparent, opaque and soft
values; buttons of two cells; every SZDD file expands to its plain form in the installed
tree DIR (which both media install); every [Files] and [PM Info] line of setuphd.inf
names files of the medium; SETUP.INI has every key, and each message uses only the
arguments its key passes. MEDIUM_ZH is the same medium with its texts in code page 936.
"""
import argparse
import configparser
import os
import re
import struct
import sys

from medium_files import expected_files, installed_files, read_sections

SKIN = os.path.join("lan", "chs", "setup")

# Picture and mask of every element, and (width, height) of the picture; a button's
# picture holds two cells side by side.
PANELS = {
    "back.jpg": ("backa.bmp", (600, 450)),
    "logo.jpg": ("logoa.bmp", (436, 324)),
    "choose.jpg": ("choosea.bmp", (436, 324)),
    "status.jpg": ("statusa.BMP", (438, 328)),
    "ms_back.jpg": ("ms_backa.bmp", (272, 145)),
}
# Button: (mask or None, where the screens put it, the area it must stay inside).
BUTTONS = {
    "setuphd.jpg": ("setuphda.bmp", [((31, 140), (436, 324))]),
    "exit.jpg": ("exita.bmp", [((31, 218), (436, 324)), ((290, 249), (436, 324))]),
    "next.jpg": ("nexta.bmp", [((290, 205), (436, 324))]),
    "cancel.jpg": ("cancela.bmp", [((163, 258), (438, 328))]),
    "ms_ok.jpg": (None, [((118, 105), (272, 145))]),
    "ms_yes.jpg": (None, [((94, 105), (272, 145))]),
    "ms_no.jpg": (None, [((143, 106), (272, 145))]),
}

# The arguments each message key passes ("" for none; "title" texts are never formatted).
MESSAGE_ARGUMENTS = {
    "IDS_ERRORSCREEN": "", "IDS_DIFFVERSION": "", "IDS_NOSETUPINFOFILE": "s",
    "IDS_SUREQUIT": "", "IDS_INVALIDDIR": "", "IDS_NODISKSPACE": "cdd",
    "IDS_NOEXISTDIR": "s", "IDS_CANTMAKEDIR": "s", "IDS_SAMEPATH": "",
    "IDS_CREATEDIR": None, "IDS_COPYINFO": None, "IDS_COPYFILEERROR": "s",
    "IDS_QUERYABORT": "", "IDS_PMERROR": "", "IDS_SETUPGOOD": "", "IDS_REBOOT": "",
    "IDS_SETUPNOGOOD": "",
}
SETTINGS_KEYS = {
    "INI": ["APPNAME", "FONTNAME"],
    "DIALOG": ["SETUPHD", "SETUPCD", "DIRNEADDISKSPACE", "DIRDISKSPACE"],
    "INFO": list(MESSAGE_ARGUMENTS),
}
# A wvsprintfA conversion: flags, width, precision, size, type.
CONVERSION = re.compile(r"%(?:%|[-#0]*\d*(?:\.\d+)?[lh]?([A-Za-z]))")
ARGUMENT_KIND = {"s": "s", "c": "c", "d": "d", "i": "d", "u": "d", "x": "d", "X": "d"}

failures = []


def fail(message):
    failures.append(message)


# ---------------------------------------------------------------------------
# Image files

def jpeg_size(path):
    """(width, height) from the first start-of-frame segment."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"\xff\xd8":
        raise ValueError("not a JPEG file")
    at = 2
    while at + 9 < len(data):
        if data[at] != 0xFF:
            raise ValueError("broken segment chain")
        marker, length = data[at + 1], struct.unpack(">H", data[at + 2:at + 4])[0]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            height, width = struct.unpack(">HH", data[at + 5:at + 9])
            return width, height
        at += 2 + length
    raise ValueError("no frame header")


def bmp_pixels(path):
    """(width, height, rows of 8-bit values, top row first) of a palette BMP."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM" or len(data) < 54:
        raise ValueError("not a BMP file")
    offset = struct.unpack("<I", data[10:14])[0]
    width, height, _, bits, compression = struct.unpack("<iiHHI", data[18:34])
    if bits != 8 or compression != 0:
        raise ValueError(f"{bits} bits per pixel, compression {compression}: want 8-bit plain")
    stride = (width + 3) & ~3
    rows = [data[offset + r * stride:offset + r * stride + width] for r in range(abs(height))]
    if height > 0:
        rows.reverse()  # bottom-up on disk
    if any(len(row) != width for row in rows):
        raise ValueError("pixel data cut short")
    return width, abs(height), rows


def check_mask(folder, mask, size, cells):
    try:
        width, height, rows = bmp_pixels(os.path.join(folder, mask))
    except (OSError, ValueError) as error:
        return fail(f"{mask}: {error}")
    if (width, height) != size:
        return fail(f"{mask}: {width}x{height}, picture is {size[0]}x{size[1]}")
    cell = width // cells
    for index in range(cells):
        values = set()
        for row in rows:
            values.update(row[index * cell:(index + 1) * cell])
        if 0 not in values or 255 not in values or not values - {0, 255}:
            fail(f"{mask}: cell {index} lacks transparent, opaque or soft values")


def check_skin(medium):
    folder = os.path.join(medium, SKIN)
    for picture, (mask, size) in PANELS.items():
        try:
            found = jpeg_size(os.path.join(folder, picture))
        except (OSError, ValueError) as error:
            fail(f"{picture}: {error}")
            continue
        if found != size:
            fail(f"{picture}: {found[0]}x{found[1]}, want {size[0]}x{size[1]}")
        check_mask(folder, mask, size, 1)
    _, _, shape = bmp_pixels(os.path.join(folder, "backa.bmp"))
    if shape[225][300] < 128 or shape[0][0] >= 128:
        fail("backa.bmp: the window's middle must be inside, its corner outside")

    placed = {}
    for picture, (mask, places) in BUTTONS.items():
        try:
            width, height = jpeg_size(os.path.join(folder, picture))
        except (OSError, ValueError) as error:
            fail(f"{picture}: {error}")
            continue
        if width % 2:
            fail(f"{picture}: {width} pixels wide is no pair of cells")
        for (x, y), (area_w, area_h) in places:
            if x + width // 2 > area_w or y + height > area_h:
                fail(f"{picture}: a {width // 2}x{height} cell at {x},{y} leaves its screen")
            placed[picture] = (x, x + width // 2)
        if mask:
            check_mask(folder, mask, (width, height), 2)
    if "ms_yes.jpg" in placed and placed["ms_yes.jpg"][1] > 143:
        fail("ms_yes.jpg: the yes button runs into the no button")


# ---------------------------------------------------------------------------
# Setup information and settings

def check_setup_information(medium, installed, encoding):
    """setuphd.inf: CR LF lines; what its [Files] lines install (compressed files expanded)
    is exactly the installed tree; every [PM Info] target exists."""
    path = os.path.join(medium, SKIN, "setuphd.inf")
    with open(path, "rb") as f:
        raw = f.read()
    if b"\n" in raw.replace(b"\r\n", b""):
        fail("setuphd.inf: a line does not end in CR LF")
    expected, actual = expected_files(medium), installed_files(installed)
    for name in sorted(expected.keys() - actual.keys()):
        fail(f"setuphd.inf installs {name}, which the installed tree lacks")
    for name in sorted(actual.keys() - expected.keys()):
        fail(f"the installed tree holds {name}, which setuphd.inf does not install")
    for name in sorted(expected.keys() & actual.keys()):
        if expected[name] != actual[name]:
            fail(f"{name}: differs from its installed form")

    for line in read_sections(path).get("PM Info", []):
        target = line.decode(encoding).split(",", 1)[0]
        base = medium if target[1] in "Ss" else installed
        if not os.path.isfile(os.path.join(base, *target[3:].split("\\"))):
            fail(f"setuphd.inf: shortcut target {target} is missing")


def check_settings(medium, encoding):
    settings = configparser.RawConfigParser(strict=False)
    settings.optionxform = str.upper
    with open(os.path.join(medium, SKIN, "SETUP.INI"), encoding=encoding) as f:
        settings.read_file(f)
    for section, keys in SETTINGS_KEYS.items():
        for key in keys:
            if not settings.get(section, key, fallback="").strip():
                fail(f"SETUP.INI: [{section}] {key} is missing or empty")
    for key, passed in MESSAGE_ARGUMENTS.items():
        text = settings.get("INFO", key, fallback="")
        used = "".join(ARGUMENT_KIND.get(t, "?") for t in CONVERSION.findall(text) if t)
        if passed is None and "%" in text:
            fail(f"SETUP.INI: {key} is a title and must not hold a format")
        elif passed is not None and not passed.startswith(used):
            fail(f"SETUP.INI: {key} uses arguments '{used}', its key passes '{passed}'")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("medium")
    parser.add_argument("--installed", required=True)
    parser.add_argument("--chinese", metavar="MEDIUM_ZH")
    args = parser.parse_args()

    media = [(args.medium, "ascii")] + ([(args.chinese, "cp936")] if args.chinese else [])
    for medium, encoding in media:
        first = len(failures)
        for name in ("K_SETUP.exe", "K_INI.dll", "korvex.ini"):
            if not os.path.isfile(os.path.join(medium, name)):
                fail(f"{name} is missing")
        try:
            check_skin(medium)
            check_settings(medium, encoding)
            check_setup_information(medium, args.installed, encoding)
        except (OSError, ValueError, KeyError, IndexError) as error:
            fail(f"cannot be checked further: {error!r}")  # a file missing or malformed
        for message in failures[first:]:
            print(f"{medium}: {message}", file=sys.stderr)
        print(f"{medium}: {'FAILED' if failures[first:] else 'good'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

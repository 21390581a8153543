#!/usr/bin/python3
"""Checks K_SETUP.exe's own resources: the four screens' dialog templates (language 2052,
frameless 1 x 1 popups with the controls the screens look for, each with its full style),
the "ICON" icon group, the
version resource and a manifest that asks for administrator rights and names the Windows
versions it supports.  Usage: check_setup_resources.py K_SETUP.exe"""
import struct
import sys

RT_ICON_GROUP, RT_DIALOG, RT_VERSION, RT_MANIFEST = 14, 5, 16, 24
WS_POPUP, WS_VISIBLE, WS_CHILD, DS_SETFONT = 0x80000000, 0x10000000, 0x40000000, 0x40
WS_CLIPSIBLINGS, WS_BORDER, WS_VSCROLL, WS_TABSTOP = 0x04000000, 0x00800000, 0x00200000, 0x00010000
CBS_DROPDOWNLIST, CBS_SORT, ES_AUTOHSCROLL, LBS_NOTIFY, LBS_SORT = 0x3, 0x100, 0x80, 0x1, 0x2
PREDEFINED = {0x80: "BUTTON", 0x81: "EDIT", 0x82: "STATIC", 0x83: "LISTBOX", 0x85: "COMBOBOX"}

SKIN_WINDOW = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS
# dialog: (extra style, [(control id, class, style)])
DIALOGS = {
    1: (0, [(101, "KOLTASETUP_LOGO", SKIN_WINDOW)]),
    2: (DS_SETFONT, [
        (104, "COMBOBOX", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST
         | CBS_SORT),
        (102, "EDIT", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
        (103, "LISTBOX", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY
         | LBS_SORT),
    ]),
    3: (0, [(105, "KOLTASETUP_STATUS", SKIN_WINDOW)]),
    4: (0, [(106, "KOLTASETUP_MSG", SKIN_WINDOW)]),
}


class Resources:
    """The resource tree of a PE file: {type: {name: {language: bytes}}}."""

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        sections, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from(
            "<H", data, pe + 20)[0]
        optional = pe + 24
        directories = optional + (96 if struct.unpack_from("<H", data, optional)[0] == 0x10B else 112)
        rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.sections = [struct.unpack_from("<8sIIII", data, optional + optional_size + 40 * i)
                         for i in range(sections)]
        self.base = self.offset(rva)
        self.tree = {t: {n: {lang: self.leaf(leaf) for lang, leaf in self.entries(languages)}
                         for n, languages in self.entries(names)}
                     for t, names in self.entries(self.base)}

    def offset(self, rva):
        for _, virtual_size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return rva - address + raw
        raise ValueError(f"address {rva:#x} is in no section")

    def entries(self, directory):
        named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
            if name & 0x80000000:
                at = self.base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield name, self.base + (target & 0x7FFFFFFF)

    def leaf(self, at):
        rva, size = struct.unpack_from("<II", self.data, at)
        start = self.offset(rva)
        return self.data[start:start + size]


def text_or_ordinal(data, at):
    """A template's name field: (value, next offset)."""
    if struct.unpack_from("<H", data, at)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, at + 2)[0], at + 4
    end = at
    while struct.unpack_from("<H", data, end)[0]:
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def dialog_problems(number, template, extra_style, controls):
    problems = []
    style, _, count, x, y, cx, cy = struct.unpack_from("<IIHhhhh", template, 0)
    if style & ~extra_style != WS_POPUP | WS_VISIBLE or (x, y, cx, cy) != (0, 0, 1, 1):
        problems.append(f"dialog {number}: style {style:#x} at {x},{y} size {cx}x{cy}")
    at = 18
    for _ in range(3):  # menu, class, caption
        _, at = text_or_ordinal(template, at)
    if style & DS_SETFONT:
        size = struct.unpack_from("<H", template, at)[0]
        face, at = text_or_ordinal(template, at + 2)
        if (size, face) != (6, "System"):
            problems.append(f"dialog {number}: font {face} {size}")
    found = []
    for _ in range(count):
        at = (at + 3) & ~3
        item_style, _, _, _, _, _, ident = struct.unpack_from("<IIhhhhH", template, at)
        kind, at = text_or_ordinal(template, at + 18)
        _, at = text_or_ordinal(template, at)
        at += 2 + struct.unpack_from("<H", template, at)[0]
        found.append((ident, PREDEFINED.get(kind, kind).upper() if kind else kind, item_style))
    expected = [(ident, kind.upper(), style) for ident, kind, style in controls]
    if found != expected:
        shown = [(ident, kind, f"{style:#x}") for ident, kind, style in found]
        problems.append(f"dialog {number}: controls {shown}, expected "
                        f"{[(i, k, f'{s:#x}') for i, k, s in expected]}")
    return problems


def main(program):
    with open(program, "rb") as f:
        resources = Resources(f.read()).tree
    problems = []
    dialogs = resources.get(RT_DIALOG, {})
    for number, (extra_style, controls) in DIALOGS.items():
        languages = dialogs.get(number, {})
        if list(languages) != [2052]:
            problems.append(f"dialog {number}: languages {list(languages)}")
        else:
            problems += dialog_problems(number, languages[2052], extra_style, controls)
    if "ICON" not in resources.get(RT_ICON_GROUP, {}):
        problems.append("no icon group named ICON")
    if not resources.get(RT_VERSION):
        problems.append("no version resource")
    manifest = b"".join(resources.get(RT_MANIFEST, {}).get(1, {}).values()).decode("utf-8", "replace")
    if 'level="requireAdministrator"' not in manifest or manifest.count("<supportedOS ") < 5:
        problems.append(f"manifest: {manifest[:200]!r}")
    for problem in problems:
        print("FAIL " + problem)
    print(f"{program}: {len(DIALOGS)} dialogs, icon, version and manifest checked")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

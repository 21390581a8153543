"""What a medium's setup information says must be installed, worked out independently
of the installer: the [Files] entries of "setuphd.inf" over the medium's folders, with
SZDD files expanded by a decoder of our own. Also makes SZDD data for large test payloads.
Used by the medium's check, the end-to-end tests and the install benchmark.
"""
import fnmatch
import os
import struct

SZDD_MAGIC = b"SZDD\x88\xf0\x27\x33"
WINDOW = 4096


def szdd_expand(data):
    """The plain bytes of an SZDD file (LZSS over a 4 KiB window of blanks); any other
    data is returned as it is, as the LZ expander copies plain files."""
    if not data.startswith(SZDD_MAGIC):
        return data
    length = struct.unpack_from("<I", data, 10)[0]
    window = bytearray(b" " * WINDOW)
    position = WINDOW - 16
    out = bytearray()
    i = 14
    while i < len(data) and len(out) < length:
        control = data[i]
        i += 1
        for bit in range(8):
            if i >= len(data):
                break
            if control & (1 << bit):
                byte = data[i]
                i += 1
                out.append(byte)
                window[position] = byte
                position = (position + 1) % WINDOW
            else:
                if i + 1 >= len(data):
                    break
                low, high = data[i], data[i + 1]
                i += 2
                source = low | ((high & 0xF0) << 4)
                for k in range((high & 0x0F) + 3):
                    byte = window[(source + k) % WINDOW]
                    out.append(byte)
                    window[position] = byte
                    position = (position + 1) % WINDOW
    if len(out) < length:
        raise ValueError(f"SZDD data ends after {len(out)} of {length} bytes")
    return bytes(out[:length])  # the header's length is the file's length


def szdd_blanks(length):
    """SZDD data that expands to `length` blanks: the window starts full of blanks, so
    every piece is a longest match (18 bytes) of offset 0, eight to a control byte."""
    tokens = [18] * (length // 18)
    if length % 18 >= 3:
        tokens.append(length % 18)
    literals = length - sum(tokens)
    body = bytearray()
    full_groups = (length // 18) // 8
    body += (b"\x00" + b"\x00\x0f" * 8) * full_groups
    tail = [("match", n) for n in tokens[full_groups * 8:]] + [("literal", 1)] * literals
    for start in range(0, len(tail), 8):
        group = tail[start:start + 8]
        control = sum(1 << bit for bit, (kind, _) in enumerate(group) if kind == "literal")
        body.append(control)
        for kind, n in group:
            body += b" " if kind == "literal" else bytes([0x00, n - 3])
    return SZDD_MAGIC + b"A\x00" + struct.pack("<I", length) + bytes(body)


def read_sections(path):
    """The lines of each [Section] of an ini-like file (code page 936 read as bytes, so
    names pass through unchanged), stopping at [End]."""
    sections, current = {}, None
    with open(path, "rb") as f:
        for raw in f.read().split(b"\n"):
            line = raw.rstrip(b"\r")
            if line.startswith(b"["):
                current = line[1:line.index(b"]")].decode("ascii")
                if current == "End":
                    break
                sections.setdefault(current, [])
            elif current and line and not line.startswith(b";"):
                sections[current].append(line)
    return sections


def numbered(lines):
    """Number=folder lines: the first entry of each number wins."""
    folders = {}
    for line in lines:
        number, _, folder = line.partition(b"=")
        folders.setdefault(int(number), folder)
    return folders


def folder_path(medium, folder):
    return os.path.join(medium, *[p.decode("cp936") for p in folder.split(b"\\") if p])


def expected_files(medium):
    """{relative destination path (lower case, "/"-separated): bytes} for the medium."""
    sections = read_sections(os.path.join(medium, "lan", "chs", "setup", "setuphd.inf"))
    sources, dests = numbered(sections["SrcDirs"]), numbered(sections["DstDirs"])
    entries = []  # (source number, source name, destination number, destination name)
    for line in sections["Files"]:
        text = line.decode("cp936")
        if text[0] in "*?":
            pattern = "*.*"
            if text[0] == "?":
                pattern = "*." + text[text.index("(") + 1:text.index(")")]
                text = text[text.index(")"):]
            source, dest = (int(n) for n in text[1:].rstrip(",").split("-"))
            folder = folder_path(medium, sources[source])
            for name in sorted(os.listdir(folder)):
                if os.path.isfile(os.path.join(folder, name)) and \
                        fnmatch.fnmatch(name.lower(), pattern.lower()):
                    entries.append((source, name, dest, name))
        else:
            _, source_part, dest_part = [f.strip() for f in text.split(",")[:3]]
            source, source_name = source_part.split(":")
            dest, dest_name = dest_part.split(":")
            entries.append((int(source), source_name, int(dest), dest_name))
    files = {}
    for source, source_name, dest, dest_name in entries:
        with open(os.path.join(folder_path(medium, sources[source]), source_name), "rb") as f:
            data = szdd_expand(f.read())
        relative = "/".join(p for p in dests[dest].decode("cp936").split("\\") if p)
        files[f"{relative}/{dest_name}".lstrip("/").lower()] = data
    return files


def installed_files(folder):
    """{relative path (lower case, "/"-separated): bytes} of every file below folder."""
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder).replace(os.sep, "/").lower()] = f.read()
    return files

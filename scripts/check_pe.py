#!/usr/bin/env python3
"""Checks Windows binaries of the build with objdump.

  check_pe.py --objdump OBJDUMP [--deliverable] [--allow DLL]... [--exports FILE]
              [--imports DLL=FILE]... BINARY...

Every binary must import only Windows system DLLs (and the DLLs named by --allow); a
deliverable must also carry a version resource. With --exports, each binary must export exactly the names
listed in FILE, undecorated. With --imports, what each binary imports from DLL must be
names of FILE, undecorated (so the import library binds callers by plain name).
"""
import argparse
import re
import subprocess
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
    "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "winmm.dll", "dsound.dll", "msvcrt.dll",
    "shlwapi.dll", "version.dll", "lz32.dll", "imm32.dll", "msimg32.dll",
}


def objdump(tool, binary):
    return subprocess.run([tool, "-p", binary], check=True, capture_output=True, text=True).stdout


def exported_names(dump):
    # "[Ordinal/Name Pointer] Table" lists one "[   n] Name" line per named export.
    section = dump.split("[Ordinal/Name Pointer] Table", 1)
    if len(section) < 2:
        return []
    names = []
    for line in section[1].splitlines()[1:]:
        match = re.match(r"\s*\[\s*\d+\]\s+(\S+)\s*$", line)
        if not match:
            break
        names.append(match.group(1))
    return names


def imports(dump):
    """Maps each imported DLL (lower case) to the names imported from it."""
    result = {}
    current = None
    for line in dump.splitlines():
        match = re.match(r"\s*DLL Name: (\S+)", line)
        if match:
            current = result.setdefault(match.group(1).lower(), [])
            continue
        if current is not None:
            entry = re.match(r"\s*[0-9a-f]+\s+\d+\s+(\S+)\s*$", line)
            if entry:
                current.append(entry.group(1))
            elif not line.strip():
                current = None
    return result


def has_version_resource(binary):
    with open(binary, "rb") as f:
        return "VS_VERSION_INFO".encode("utf-16-le") in f.read()


def read_names(path):
    with open(path) as f:
        return [line.strip() for line in f if line.strip() and not line.startswith("#")]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--deliverable", action="store_true")
    parser.add_argument("--allow", action="append", default=[])
    parser.add_argument("--exports")
    parser.add_argument("--imports", action="append", default=[])
    parser.add_argument("binaries", nargs="+")
    args = parser.parse_args()

    allowed = SYSTEM_DLLS | {dll.lower() for dll in args.allow}
    failures = []
    for binary in args.binaries:
        dump = objdump(args.objdump, binary)
        imported = imports(dump)
        for dll in sorted(set(imported) - allowed):
            failures.append(f"{binary}: imports {dll}, which is not a system DLL")
        if args.deliverable and not has_version_resource(binary):
            failures.append(f"{binary}: no version resource")
        if args.exports:
            expected = read_names(args.exports)
            names = exported_names(dump)
            for name in sorted(set(expected) - set(names)):
                failures.append(f"{binary}: export {name} is missing")
            for name in sorted(set(names) - set(expected)):
                failures.append(f"{binary}: unexpected export {name}")
            print(f"{binary}: {len(names)} exports")
        for dll_and_list in args.imports:
            dll, _, listing = dll_and_list.partition("=")
            allowed_names = set(read_names(listing))
            used = imported.get(dll.lower(), [])
            if not used:
                failures.append(f"{binary}: imports nothing from {dll}")
            for name in used:
                if name not in allowed_names:
                    failures.append(f"{binary}: imports {name} from {dll}, not a plain export name")
            print(f"{binary}: {len(used)} names imported from {dll}")
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

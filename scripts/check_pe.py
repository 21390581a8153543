#!/usr/bin/env python3
"""Checks Windows binaries of the build with objdump.

  check_pe.py --objdump OBJDUMP [--deliverable] [--known-imports FILE] [--known-dlls-only]
              [--allow DLL]... [--exports FILE] [--imports DLL=FILE]... BINARY...

Every binary must import only Windows system DLLs (and the DLLs named by --allow); a
deliverable must also carry a version resource. With --known-imports (deliverables), every
function imported from a system DLL must be listed in FILE (scripts/pe_imports.txt) with a
minimum Windows release that the floor of the binary's architecture has (FLOORS), the
binary's subsystem version must not exceed the floor's, and no winpthread code may be
linked in. With --exports, each binary must export exactly the names listed in FILE,
undecorated. With --imports, what each binary imports from DLL must be names of FILE,
undecorated (so the import library binds callers by plain name). With --known-dlls-only
(what loads from a medium's folder before the setup's first window), the system DLLs
imported must be known DLLs (KNOWN_DLLS), which Windows never looks for beside the program.
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

# The system's known DLLs on current Windows (the Session Manager's KnownDLLs list, on 64-bit
# Windows for 64-bit and WoW64 programs alike): always loaded from the system folder. Any
# other DLL imported by name is looked for in the program's own folder first.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "coml2.dll", "difxapi.dll",
    "gdi32.dll", "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll",
    "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shcore.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "wldap32.dll", "ws2_32.dll",
}

# The releases a function's minimum may name (scripts/pe_imports.txt).
RELEASES = {
    "2000": "Windows 2000", "xp": "Windows XP", "xpsp2": "Windows XP SP2",
    "xpsp3": "Windows XP SP3", "2003": "Windows Server 2003 (NT 5.2)",
    "vista": "Windows Vista", "7": "Windows 7", "8": "Windows 8", "10": "Windows 10",
}

# The oldest Windows each architecture's deliverables must load on: its name, the releases
# whose functions it has, and its version (a loader refuses an image whose subsystem version
# is newer than itself). The 32-bit XP lacks what came with NT 5.2; XP x64 is NT 5.2, built
# from Server 2003 SP1, and is not taken to have what came with XP's service packs.
FLOORS = {
    "pei-i386": ("Windows XP SP3", {"2000", "xp", "xpsp2", "xpsp3"}, (5, 1)),
    "pei-x86-64": ("Windows XP x64", {"2000", "xp", "2003"}, (5, 2)),
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


def read_known_imports(path):
    """Maps (dll, function) to its minimum release from a list of "DLL FUNCTION MINIMUM [NOTE]"
    lines; msvcrt.dll names, which have no documented minimum, must carry a note."""
    known = {}
    with open(path) as f:
        for number, line in enumerate(f, 1):
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split(None, 3)
            where = f"{path}:{number}"
            if len(fields) < 3 or fields[2] not in RELEASES:
                sys.exit(f"{where}: expected DLL FUNCTION MINIMUM [NOTE], MINIMUM one of "
                         f"{', '.join(RELEASES)}")
            dll, name, minimum = fields[0].lower(), fields[1], fields[2]
            if dll == "msvcrt.dll" and len(fields) < 4:
                sys.exit(f"{where}: an msvcrt.dll name needs a note saying why it may be used")
            if (dll, name) in known:
                sys.exit(f"{where}: {name} from {dll} is listed twice")
            known[(dll, name)] = minimum
    return known


def pe_format(dump):
    match = re.search(r"file format (\S+)", dump)
    return match.group(1) if match else "unknown"


def subsystem_version(dump):
    major = re.search(r"^MajorSubsystemVersion\s+(\d+)", dump, re.M)
    minor = re.search(r"^MinorSubsystemVersion\s+(\d+)", dump, re.M)
    return (int(major.group(1)), int(minor.group(1))) if major and minor else None


def winpthread_traces(tool, binary):
    """Names of winpthread's functions in the binary's symbol table, and its own name (its
    source paths) anywhere in the file."""
    symbols = subprocess.run([tool, "-t", binary], check=True, capture_output=True,
                             text=True).stdout
    traces = sorted(set(re.findall(r"\b_?(pthread_\w+)$", symbols, re.M)))
    with open(binary, "rb") as f:
        if b"winpthread" in f.read():
            traces.append('the text "winpthread"')
    return traces


def floor_failures(tool, binary, dump, imported, known, known_path):
    """What keeps a deliverable from loading on its architecture's floor."""
    fmt = pe_format(dump)
    if fmt not in FLOORS:
        return [f"{binary}: no Windows floor for file format {fmt}"]
    floor, releases, version = FLOORS[fmt]
    failures = []
    for dll in sorted(set(imported) & SYSTEM_DLLS):
        for name in imported[dll]:
            minimum = known.get((dll, name))
            if minimum is None:
                failures.append(f"{binary}: imports {name} from {dll}, which is not on the "
                                f"list of reviewed imports ({known_path})")
            elif minimum not in releases:
                failures.append(f"{binary}: imports {name} from {dll}, which needs "
                                f"{RELEASES[minimum]}; the floor of this architecture is {floor}")
    subsystem = subsystem_version(dump)
    if subsystem is None or subsystem > version:
        shown = "missing" if subsystem is None else "%d.%d" % subsystem
        failures.append(f"{binary}: subsystem version {shown} is newer than {floor} "
                        f"({version[0]}.{version[1]}), whose loader refuses it")
    traces = winpthread_traces(tool, binary)
    if traces:
        failures.append(f"{binary}: contains winpthread ({', '.join(traces[:5])})")
    if not failures:
        count = sum(len(names) for dll, names in imported.items() if dll in SYSTEM_DLLS)
        print(f"{binary}: {count} system imports, all reviewed and present on {floor}; "
              f"no winpthread")
    return failures


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
    parser.add_argument("--known-imports")
    parser.add_argument("--known-dlls-only", action="store_true")
    parser.add_argument("--allow", action="append", default=[])
    parser.add_argument("--exports")
    parser.add_argument("--imports", action="append", default=[])
    parser.add_argument("binaries", nargs="+")
    args = parser.parse_args()

    allowed = SYSTEM_DLLS | {dll.lower() for dll in args.allow}
    known = read_known_imports(args.known_imports) if args.known_imports else None
    failures = []
    for binary in args.binaries:
        dump = objdump(args.objdump, binary)
        imported = imports(dump)
        for dll in sorted(set(imported) - allowed):
            failures.append(f"{binary}: imports {dll}, which is not a system DLL")
        if args.known_dlls_only:
            for dll in sorted((set(imported) & SYSTEM_DLLS) - KNOWN_DLLS):
                failures.append(f"{binary}: imports {dll}, which is not a known DLL: a file of "
                                "that name beside the program would be loaded instead")
        if args.deliverable and not has_version_resource(binary):
            failures.append(f"{binary}: no version resource")
        if known is not None:
            failures += floor_failures(args.objdump, binary, dump, imported, known,
                                       args.known_imports)
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

#!/usr/bin/env python3
"""Checks that the objects of the deliverables cannot throw: none of them refers to the
throwing operator new (single or array), to __cxa_throw, or to the standard library's
throw helpers (std::__throw_length_error and the like, which a growing std::vector or
std::string calls). Memory that runs out must give the interface's failure, never an
exception that ends the process.

  check_no_throw.py --nm NM OBJECT...

An argument may hold several objects separated by ";" (a CMake list).
"""
import argparse
import re
import subprocess
import sys

# Undefined symbols that mean a throw: operator new(size_t) and new[](size_t) for both
# pointer widths (the nothrow forms carry a std::nothrow_t parameter and are not matched),
# the throw itself, and the library's throw helpers.
THROWING = re.compile(r"^_?(_Znw[jm]|_Zna[jm]|__cxa_throw|_ZSt\d+__throw_\w+)$")


def throwing_references(nm, path):
    output = subprocess.run([nm, "--undefined-only", "--format=posix", path], check=True,
                            capture_output=True, text=True).stdout
    names = (line.split()[0] for line in output.splitlines() if line.strip())
    return sorted({name for name in names if THROWING.match(name)})


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nm", required=True)
    parser.add_argument("objects", nargs="+")
    args = parser.parse_args()
    objects = [path for argument in args.objects for path in argument.split(";") if path]
    failures = 0
    for path in objects:
        for name in throwing_references(args.nm, path):
            print(f"FAIL {path}: refers to {name}")
            failures += 1
    print(f"{len(objects)} objects checked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

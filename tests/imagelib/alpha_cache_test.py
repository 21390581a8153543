"""The alpha_cache tool on masks written by PIL: the cache it writes, what it prints, its
refusals and its exit codes. The masks lie in a short scratch folder of the test's own:
the tool refuses cache names of 128 characters or more, which the build tree's may be.

usage: alpha_cache_test.py ALPHA_CACHE_PROGRAM"""
import itertools
import os
import struct
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
from scratch_folder import ScratchFolder  # noqa: E402

FRAMES, FRAME_WIDTH, HEIGHT = 3, 8, 5
LEVELS = [0, 255, 128, 21, 20, 200, 255, 10, 64, 255, 1]


def mask_value(x, y):
    return LEVELS[(x // 3 + y) % len(LEVELS)]


def expected_runs(frame):
    """(opacity, length) of each visible run of equal opacity in the frame, row by row."""
    runs = []
    for y in range(HEIGHT):
        row = [mask_value(frame * FRAME_WIDTH + x, y) for x in range(FRAME_WIDTH)]
        runs += [(alpha, len(list(run))) for alpha, run in itertools.groupby(row) if alpha > 20]
    return runs


def run(program, *args):
    return subprocess.run([program, *args], capture_output=True, text=True)


def check(condition, message):
    if not condition:
        sys.exit("FAILED: " + message)


def main():
    with ScratchFolder("alpha-cache") as scratch:
        check_tool(sys.argv[1], scratch.path)
    print("alpha_cache: all checks passed")


def check_tool(program, scratch):
    mask, cache = os.path.join(scratch, "button.bmp"), os.path.join(scratch, "button.qa")
    picture = Image.new("L", (FRAMES * FRAME_WIDTH, HEIGHT))
    picture.putdata([mask_value(x, y) for y in range(HEIGHT) for x in range(FRAMES * FRAME_WIDTH)])
    picture.save(mask)

    built = run(program, mask, str(FRAMES))
    check(built.returncode == 0 and built.stderr == "", "build: " + built.stderr)
    lines = built.stdout.splitlines()
    check("magic        550 (bytes 26 02)" in lines, "magic line")
    check(f"frames       {FRAMES} of {FRAME_WIDTH} x {HEIGHT} pixels" in lines, "frames line")
    table = lines[lines.index("frame  runs  pixels  opaque runs  opaque pixels  partial runs"
                              "  partial pixels") + 1:]
    all_runs = []
    for frame in range(FRAMES):
        runs = expected_runs(frame)
        all_runs += runs
        opaque = [n for alpha, n in runs if alpha == 255]
        partial = [n for alpha, n in runs if alpha != 255]
        figures = [frame, len(runs), sum(n for _, n in runs), len(opaque), sum(opaque),
                   len(partial), sum(partial)]
        check(table[frame].split() == [str(v) for v in figures], f"frame {frame}: {table[frame]}")
    total = sum(n for _, n in all_runs)
    check(f"total pixels {total}" in lines, "total line")
    check(table[FRAMES].split()[:3] == ["all", str(len(all_runs)), str(total)], "all line")

    # The cache: the header's fields and the runs that follow it.
    with open(cache, "rb") as f:
        data = f.read()
    check(len(data) == 284 + 8 * len(all_runs), f"cache size {len(data)}")
    magic, _, x_offset, y_offset, width, height = struct.unpack_from("<HHiiii", data, 0)
    frames, pixels = struct.unpack_from("<ii", data, 36)
    counts = [struct.unpack_from("<i", data, 44 + 8 * i)[0] for i in range(30)]
    check((magic, x_offset, y_offset, width, height, frames, pixels) ==
          (550, 0, 0, FRAME_WIDTH, HEIGHT, FRAMES, total), "cache header")
    check(counts == [len(expected_runs(f)) for f in range(FRAMES)] + [0] * (30 - FRAMES),
          "cache run counts")
    stored = [struct.unpack_from("<HHHBB", data, 284 + 8 * i) for i in range(len(all_runs))]
    check([(alpha, n) for _, _, n, alpha, _ in stored] == all_runs, "cache runs")

    # Showing reads without writing, from the cache's name or its mask's.
    os.remove(mask)
    for name in (cache, mask):
        shown = run(program, "--show", name)
        check(shown.returncode == 0 and shown.stdout == built.stdout, "show " + name)

    def fails(code, *args):
        result = run(program, *args)
        check(result.returncode == code, f"{args}: exit {result.returncode}")
        if code == 1:
            check(result.stdout == "" and len(result.stderr.splitlines()) == 1, f"{args}: message")

    for args in [(), (mask,), (mask, "0"), (mask, "31"), (mask, "2x"), ("-x", "3"),
                 (mask, "3", "4")]:
        fails(2, *args)
    fails(1, mask, "3")  # the mask is gone
    for refused in (Image.new("RGB", (24, 5)), Image.new("L", (2, 5))):  # not grey; too narrow
        refused.save(mask)
        fails(1, mask, "3")
    fails(1, "--show", os.path.join(scratch, "none.qa"))
    with open(cache, "r+b") as f:
        f.write(b"\x27")
    fails(1, "--show", cache)


if __name__ == "__main__":
    main()

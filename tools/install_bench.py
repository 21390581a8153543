#!/usr/bin/python3
"""Times K_SETUP through its screens under the test Wine and prints the figures (not a test:
they depend on the machine):

    tools/install_bench.py [BUILD-DIR]      (default build/win64, built with its medium)

- start-up: from starting K_SETUP.exe to the first paint of its main window (the screen
  shows back.jpg there), for the first program of a new Wine prefix (cold) and for a
  second start while its Wine session is up (warm);
- install: from pressing next on the destination screen to the success message, for a
  payload of 2,000 small files and one of 200 MiB, each beside the same payload copied
  by setup_copy_bench.exe under the same Wine: a plain CopyFileA loop, and the setup's own
  folder creation and copy without any screen (best of three runs each).

The difference between the install through the screens and the setup's copy without
them is what the progress screen (repaints, message pumping) costs.
"""
import os
import random
import re
import shutil
import subprocess
import sys
import time

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "media"))
from medium_files import expected_files  # noqa: E402
from e2e import INSTALL, NEXT, PANEL_AT, WINESERVER, Failure, Installer, Session, check  # noqa: E402

SMALL = ("small", 2000, 20)        # 2,000 files in 20 folders, 1 to 8 KiB each
LARGE = ("large", 4, 1)            # 200 MiB in 4 files of 50 MiB
LARGE_FILE = 50 << 20


def make_payload_medium(build, name, files, folders):
    """The demo medium (hard links) with a payload of random bytes and a setup information
    file that installs it to c:\\bench NAME; returns (medium, files, bytes)."""
    medium = os.path.join(build, "e2e", f"bench-{name}-medium")
    shutil.rmtree(medium, ignore_errors=True)
    shutil.copytree(os.path.join(build, "medium"), medium, copy_function=os.link)
    rng = random.Random(7)
    lines = ["[App]", f"DefDir=$:\\bench {name}", "SpaceNeeded=250", "DefPMGroup=Kolta\\Bench",
             "[SrcDirs]"] + [f"{f + 1}=payload\\d{f:02d}" for f in range(folders)]
    lines += ["[DstDirs]", "0="] + [f"{f + 1}=d{f:02d}" for f in range(folders)] + ["[Files]"]
    total = 0
    for index in range(files):
        folder = index % folders
        path = os.path.join(medium, "payload", f"d{folder:02d}", f"f{index:04d}.dat")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        size = LARGE_FILE if files < 10 else rng.randint(1024, 8192)
        with open(path, "wb") as f:
            f.write(rng.randbytes(size))
        total += size
    lines += [f"*{f + 1}-{f + 1}," for f in range(folders)] + ["[PM Info]", "[End]"]
    inf = os.path.join(medium, "lan", "chs", "setup", "setuphd.inf")
    os.remove(inf)  # a hard link into the medium
    with open(inf, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")
    return medium, files, total


def wait_first_paint(session, setup, started):
    """Seconds from `started` until the main window shows back.jpg (sampled below the
    title, where the window's mask is opaque and no screen covers it)."""
    back = setup.picture("back.jpg").astype(int)
    mask = np.asarray(Image.open(os.path.join(setup.skin, "backa.bmp")))
    free = mask == 255
    free[:100] = False
    free[PANEL_AT[1]:PANEL_AT[1] + 330, PANEL_AT[0] - 2:PANEL_AT[0] + 440] = False
    ys, xs = np.nonzero(free)
    pick = np.linspace(0, len(ys) - 1, 400).astype(int)
    ys, xs = ys[pick], xs[pick]
    left = (session.display.width - 600) // 2
    top = (session.display.height - 450) // 2

    def painted():
        pixels = session.display.screenshot()[top + ys, left + xs].astype(int)
        return float(np.abs(pixels - back[ys, xs]).mean()) < 12
    session.wait_for("the first paint of the main window", painted, interval=0.005)
    return time.monotonic() - started


def install_through_screens(session, setup):
    """Seconds from pressing next to the success message."""
    logo = setup.wait_panel("the logo screen")
    setup.wait_painted(logo, INSTALL, "the logo screen")
    setup.click(logo, INSTALL)
    destination = setup.wait_panel("the destination screen", other_than=logo)
    setup.wait_painted(destination, NEXT, "the destination screen")
    setup.display.move(*setup.button_centre(destination, NEXT))
    setup.display.run("xdotool", "mousedown", "1")
    started = time.monotonic()
    setup.display.release()
    box = setup.wait_window((272, 145), "the success message", timeout=900)
    seconds = time.monotonic() - started
    setup.click(box, ("ms_ok.jpg", (118, 105)))
    code = session.wait_exit(setup.process, "the setup to end")
    check(code == 0, f"the setup ended with {code}")
    return seconds


def copy_bench(session, build, setup):
    """setup_copy_bench's times (seconds) for the setup's copy and a plain CopyFileA, from
    the medium where the setup was started from (a short path)."""
    program = os.path.join(build, "bin", "setup_copy_bench.exe")
    process = session.start(program, setup.windows_folder + "\\", "C:\\copy-bench\\")
    session.wait_exit(process, "setup_copy_bench", timeout=1800)
    with open(os.path.join(session.folder, "setup_copy_bench.exe.log"), errors="replace") as f:
        output = f.read()
    times = dict(re.findall(r"^(setup|plain)[^:]*:\s+([\d.]+) s$", output, re.M))
    check(len(times) == 2, f"setup_copy_bench printed:\n{output}")
    return float(times["setup"]), float(times["plain"])


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                            os.path.join(os.path.dirname(__file__), "..", "build", "win64"))
    rows = []
    # The demo medium itself first: what every install pays whatever its payload (the
    # screens' opening and closing; under Xvfb without a window manager Wine waits up to
    # 2 s for each closed window to be withdrawn).
    demo = os.path.join(build, "medium")
    payloads = [("demo", demo, len(expected_files(demo)),
                 sum(len(data) for data in expected_files(demo).values()))]
    for name, files, folders in (SMALL, LARGE):
        payloads.append((name, *make_payload_medium(build, name, files, folders)))
    for name, medium, files, total in payloads:
        with Session(build, f"bench-{name}") as session:
            setup = Installer(session, medium)
            started = time.monotonic()
            setup.start()
            cold = wait_first_paint(session, setup, started)
            install = install_through_screens(session, setup)
            os.remove(session.linux_path("c:\\windows\\korvex.ini"))  # else it starts the product
            started = time.monotonic()
            setup.start()
            warm = wait_first_paint(session, setup, started)
            setup.process.kill()
            subprocess.run([*WINESERVER, "-k"], env=session.environment())
            core, plain = copy_bench(session, build, setup)
        rows.append((name, files, total, cold, warm, install, core, plain))

    print("payload    files    MiB  first paint cold / warm  install via screens"
          "  setup copy without screens  plain CopyFileA")
    for name, files, total, cold, warm, install, core, plain in rows:
        print(f"{name:<8} {files:>7} {total / 1048576:>6.1f}  {cold:>10.2f} s / {warm:.2f} s"
              f"  {install:>17.2f} s  {core:>24.3f} s  {plain:>13.3f} s")
    _, base_files, _, _, _, base_install, base_core, _ = rows[0]
    for name, files, total, _, _, install, core, plain in rows[1:]:
        extra = install - base_install
        line = f"{name}: {extra:.2f} s through the screens beyond the demo install"
        if files > base_files:
            line += f", {1000 * extra / (files - base_files):.2f} ms per further file"
        print(f"{line}; without screens {1000 * core / files:.2f} ms per file, "
              f"CopyFileA {1000 * plain / files:.2f} ms per file")


if __name__ == "__main__":
    try:
        main()
    except Failure as failure:
        sys.exit(f"install_bench: {failure}")

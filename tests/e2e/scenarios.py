#!/usr/bin/python3
"""The installer's end-to-end scenarios, one per ctest entry:

    scenarios.py NAME --build BUILD-DIR

Each runs K_SETUP.exe from the demo medium laid out in BUILD-DIR (medium/, medium-zh/;
variants of it are made below BUILD-DIR/e2e/NAME/), started through a short link below
/tmp wherever BUILD-DIR lies, on a display and in a Wine prefix of its own, drives it
with the mouse and the keyboard, and checks what the screens show, the exit code and
what lands in the prefix. Screenshots go to BUILD-DIR/e2e/NAME/.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "media"))
from e2e import (BAR, CANCEL, DESTINATION_EXIT, INSTALL, LOGO_EXIT, NEXT, NO, OK,
                 PANEL_AT, ROOT_COLOUR, SKINNED_SIZES, YES, Failure, Installer, Session,
                 check, red_run, windows_path)
from medium_files import expected_files, installed_files, szdd_blanks  # noqa: E402

DEFAULT_FOLDER = "c:\\program files\\kolta demo"
ALL_USERS_PROGRAMS = "c:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"
ALL_USERS_DESKTOP = "c:\\users\\Public\\Desktop"
MAX_DIFFERENCE = 12.0  # mean per-channel difference allowed between two JPEG decoders


# ---------------------------------------------------------------------------------------
# Checks shared by the scenarios


def mean_difference(a, b, where):
    return float(np.abs(a.astype(int) - b.astype(int))[where].mean())


def check_main_shape(setup, pixels, covered):
    """Where backa.bmp is below 128 the root shows through; elsewhere the background
    does (outside the screen panel that covers the middle of the window)."""
    main = setup.main
    mask = np.asarray(Image.open(os.path.join(setup.skin, "backa.bmp")))
    back = setup.picture("back.jpg")
    shown = pixels[main.y:main.y + 450, main.x:main.x + 600]
    free = np.ones((450, 600), bool)
    left, top, width, height = covered
    free[top:top + height, left:left + width] = False
    outside, inside = (mask < 128) & free, (mask >= 128) & free
    check(outside.any() and inside.any(), "backa.bmp has no shape to test")
    is_root = np.all(shown == np.array(ROOT_COLOUR, np.uint8), axis=-1)
    check(is_root[outside].all(),
          f"{int((~is_root[outside]).sum())} pixels outside the window's shape are not the desktop")
    check(not is_root[inside].any(), "pixels inside the window's shape show the desktop")
    below_title = inside.copy()
    below_title[:90] = False  # the product title is drawn onto the background up there
    difference = mean_difference(shown, back, below_title)
    check(difference <= MAX_DIFFERENCE, f"the main window differs from back.jpg by {difference:.1f}")


def check_panel_blend(setup, pixels, panel, picture, mask_name, buttons):
    """The screen panel is its picture blended through its mask over the main window's
    background: the transparent areas show the background, the opaque ones the picture."""
    width, height = panel.size
    mask = np.asarray(Image.open(os.path.join(setup.skin, mask_name))).astype(int)
    left, top = PANEL_AT
    back = setup.picture("back.jpg")[top:top + height, left:left + width].astype(int)
    art = setup.picture(picture).astype(int)
    expected = (art * mask[..., None] + back * (255 - mask[..., None])) // 255
    shown = pixels[panel.y:panel.y + height, panel.x:panel.x + width]
    backa = np.asarray(Image.open(os.path.join(setup.skin, "backa.bmp")))
    behind_is_window = backa[top:top + height, left:left + width] >= 128
    free = behind_is_window.copy()
    for button in buttons:
        bx, by, bw, bh = setup.button_rect(panel, button)
        free[by - panel.y:by - panel.y + bh, bx - panel.x:bx - panel.x + bw] = False
    transparent = free & (mask == 0)
    check(transparent.any(), f"{mask_name} has no transparent area to test")
    difference = mean_difference(shown, back, transparent)
    check(difference <= MAX_DIFFERENCE,
          f"transparent areas of {mask_name} differ from the background by {difference:.1f}")
    difference = mean_difference(shown, expected, free)
    check(difference <= MAX_DIFFERENCE,
          f"the {picture} panel differs from its blend by {difference:.1f}")


def check_pressed_look(setup, panel, button, what):
    """Mouse down shows the button's second cell at once; returns with it still down."""
    setup.press(panel, button)
    setup.session.wait_for(
        f"{what} to show its pressed cell",
        lambda: setup.shows_cell(setup.display.screenshot(), panel, button, 1))
    setup.session.save_screenshot(what + " pressed")


def check_installed_tree(session, medium, folder):
    expected = expected_files(medium)
    installed = installed_files(session.linux_path(folder))
    missing = sorted(expected.keys() - installed.keys())
    extra = sorted(installed.keys() - expected.keys())
    different = sorted(k for k in expected.keys() & installed.keys() if expected[k] != installed[k])
    check(not (missing or extra or different),
          f"installed tree differs: missing {missing}, extra {extra}, different {different}")
    return expected


def read_ini(path):
    """{section: {key: value}} of an ini file (names in upper case)."""
    sections, current = {}, None
    with open(path, "rb") as f:
        for line in f.read().decode("cp936").splitlines():
            line = line.strip()
            if line.startswith("["):
                current = sections.setdefault(line[1:line.index("]")].upper(), {})
            elif "=" in line and current is not None and not line.startswith(";"):
                key, _, value = line.partition("=")
                current[key.strip().upper()] = value.strip()
    return sections


def check_product_config(session, folder):
    path = session.linux_path("c:\\windows\\korvex.ini")
    check(os.path.isfile(path), "no korvex.ini in C:\\windows")
    values = read_ini(path).get("PATH", {})
    want = folder.lower().rstrip("\\") + "\\"
    for key in ("INSTALLPATH", "CDPATH"):
        check(values.get(key, "").lower() == want, f"korvex.ini {key} is {values.get(key)!r}, not {want!r}")
    check(values.get("ALL") == "1", f"korvex.ini ALL is {values.get('ALL')!r}")


def link_target(path):
    """The target path lnkinfo reads from a shortcut file."""
    output = subprocess.run(["lnkinfo", path], capture_output=True, text=True,
                            errors="replace").stdout
    found = re.findall(r"^\s*Local path\s*:\s*(.*)$", output, re.M)
    check(found, f"lnkinfo finds no path in {path}:\n{output}")
    return found[0].strip().strip('"')


def check_shortcuts(session, setup, folder):
    """The program group and the desktop shortcut point at the installed program, the
    read-me and the setup on the medium (where it was started from)."""
    setup_path = setup.windows_folder + "\\k_setup.exe"
    group = ALL_USERS_PROGRAMS + "\\Kolta\\Kolta Demo\\"
    links = {
        group + "Kolta Demo.lnk": folder + "\\bin\\koltamain.exe",
        group + "Read Me.lnk": folder + "\\docs\\readme.txt",
        group + "Kolta Demo Setup.lnk": setup_path,
        ALL_USERS_DESKTOP + "\\Kolta Demo.lnk": folder + "\\bin\\koltamain.exe",
    }
    for link, target in links.items():
        path = session.linux_path(link)
        check(os.path.isfile(path), f"no shortcut {link}")
        got = link_target(path)
        check(got.lower() == target.lower(), f"{link} points at {got!r}, not {target!r}")


def medium_copy(session, medium):
    """A copy of the medium (hard links) under the session's folder."""
    copy = os.path.join(session.folder, "medium")
    shutil.copytree(medium, copy, copy_function=os.link)
    return copy


def medium_variant(session, medium, setup_info):
    """A copy of the medium whose setup information file is replaced by the given text."""
    variant = medium_copy(session, medium)
    inf = os.path.join(variant, "lan", "chs", "setup", "setuphd.inf")
    os.remove(inf)  # a hard link: never write through it into the medium
    with open(inf, "wb") as f:
        f.write(setup_info.replace("\n", "\r\n").encode("ascii"))
    return variant


def no_space_texts(session, drive, needed):
    """The no-space message for the drive of the prefix: the free megabytes the setup sees
    may be those free to anyone or to users (a file system keeps some back), and may move by
    a little while other programs write. Taken just after the setup measured."""
    st = os.statvfs(session.linux_path("c:\\"))
    free = [blocks * st.f_frsize // (1 << 20) for blocks in (st.f_bavail, st.f_bfree)]
    return [("IDS_NODISKSPACE", drive, mb + d, needed)
            for mb in free for d in (0, 1, -1, 2, -2, 3, -3)]


def setup_info(def_dir, files, space_needed=2, sources="1=product\\bin"):
    return (f"[App]\nDefDir={def_dir}\nSpaceNeeded={space_needed}\nDefPMGroup=Kolta\\E2E\n"
            f"[SrcDirs]\n{sources}\n[DstDirs]\n0=\n1=bin\n[Files]\n{files}\n[PM Info]\n[End]\n")


# ---------------------------------------------------------------------------------------
# Walking through the screens


def to_logo(setup):
    setup.start()
    setup.wait_main()
    logo = setup.wait_panel("the logo screen")
    return logo, setup.wait_painted(logo, INSTALL, "the logo screen to paint")


def to_destination(setup):
    logo, _ = to_logo(setup)
    setup.click(logo, INSTALL)
    destination = setup.wait_panel("the destination screen", other_than=logo)
    setup.wait_painted(destination, NEXT, "the destination screen to paint")
    return destination


def quit_from(setup, screen, exit_button):
    """Exit, yes, and the failure message: the setup ends with code 0."""
    setup.click(screen, exit_button)
    setup.answer("the quit question", ("IDS_SUREQUIT",), "yesno", YES, owner=screen)
    setup.finish("the failure message", "IDS_SETUPNOGOOD")


def install_to_end(setup):
    # The demo medium installs in a few milliseconds: the success message is what is
    # waited for; the progress screen is checked wherever a poll sees it.
    setup.finish("the success message", "IDS_SETUPGOOD", timeout=300)


# ---------------------------------------------------------------------------------------
# The scenarios


def happy_path(build):
    medium = os.path.join(build, "medium")
    with Session(build, "happy_path") as session:
        setup = Installer(session, medium)
        logo, pixels = to_logo(setup)
        session.save_screenshot("logo", pixels)
        check_main_shape(setup, pixels, (*PANEL_AT, *logo.size))
        check_panel_blend(setup, pixels, logo, "logo.jpg", "logoa.bmp", [INSTALL, LOGO_EXIT])
        check(setup.shows_cell(pixels, logo, LOGO_EXIT, 0), "the exit button is not drawn")

        check_pressed_look(setup, logo, INSTALL, "the install button")
        setup.display.release()
        destination = setup.wait_panel("the destination screen", other_than=logo)
        pixels = setup.wait_painted(destination, NEXT, "the destination screen to paint")
        session.save_screenshot("destination", pixels)
        check(os.path.isdir(session.linux_path(DEFAULT_FOLDER)),
              "the destination screen did not create its default folder")

        setup.click(destination, NEXT)
        install_to_end(setup)
        check_installed_tree(session, medium, DEFAULT_FOLDER)
        check_shortcuts(session, setup, DEFAULT_FOLDER)
        check_product_config(session, DEFAULT_FOLDER)


def exit_no_then_yes(build):
    with Session(build, "exit_no_then_yes") as session:
        setup = Installer(session, os.path.join(build, "medium"))
        logo, _ = to_logo(setup)
        setup.click(logo, LOGO_EXIT)
        setup.answer("the quit question", ("IDS_SUREQUIT",), "yesno", NO, owner=logo)
        pixels = setup.wait_painted(logo, LOGO_EXIT, "the logo screen to draw exit released")
        check(setup.shows_cell(pixels, logo, INSTALL, 0), "install is not drawn released")
        check(any(w.ident == logo.ident for w in setup.windows()), "the logo screen closed")
        quit_from(setup, logo, LOGO_EXIT)
        check(not os.path.exists(session.linux_path(DEFAULT_FOLDER)),
              "quitting from the logo screen created the default folder")
        check(not os.path.exists(session.linux_path("c:\\windows\\korvex.ini")),
              "quitting wrote korvex.ini")


def invalid_path(build):
    with Session(build, "invalid_path") as session:
        setup = Installer(session, os.path.join(build, "medium"))
        destination = to_destination(setup)
        for text in ("c:", "c:\\", "c:\\games\\..", "\\\\server\\share\\kolta"):
            setup.set_destination(destination, text)
            setup.click(destination, NEXT)
            setup.answer(f"the invalid folder message for {text}", ("IDS_INVALIDDIR",), "ok", OK,
                         owner=destination)
            check(any(w.ident == destination.ident for w in setup.windows()),
                  f"the destination screen closed after {text}")
        quit_from(setup, destination, DESTINATION_EXIT)
        check(not os.path.exists(session.linux_path("c:\\games")), "c:\\games was created")


def missing_folder(build):
    medium = os.path.join(build, "medium")
    folder = "c:\\e2e new\\deep\\folder"
    with Session(build, "missing_folder") as session:
        setup = Installer(session, medium)
        destination = to_destination(setup)
        setup.set_destination(destination, folder)
        setup.click(destination, NEXT)
        question = ("IDS_NOEXISTDIR", folder)
        setup.answer("the missing folder question", question, "yesno", NO, owner=destination)
        check(not os.path.exists(session.linux_path(folder)), "answering no created the folder")
        setup.wait_painted(destination, NEXT, "the destination screen to stay")
        setup.click(destination, NEXT)
        setup.answer("the missing folder question again", question, "yesno", YES,
                     owner=destination)
        install_to_end(setup)
        check_installed_tree(session, medium, folder)
        check_product_config(session, folder)


def no_space(build):
    with Session(build, "no_space") as session:
        medium = medium_variant(session, os.path.join(build, "medium"), setup_info(
            "$:\\Program Files\\Kolta Demo", "*1-1,", space_needed=99999999))
        setup = Installer(session, medium)
        destination = to_destination(setup)
        setup.click(destination, NEXT)
        setup.answer("the no disk space message", no_space_texts(session, "c", 99999999), "ok",
                     OK, owner=destination)
        setup.wait_painted(destination, NEXT, "the destination screen to stay")
        quit_from(setup, destination, DESTINATION_EXIT)
        left = os.listdir(session.linux_path(DEFAULT_FOLDER))
        check(left == [], f"files were installed without space: {left}")


# Three files that take a while to expand: the cancel click lands while the first one is
# being written and is handled after it, so the bar stands at 1 of 3 (126 of 380 pixels).
BIG_FILE = 256 << 20
BIG_NAMES = ("one.dat", "two.dat", "three.dat")


def cancel(build):
    folder = "c:\\kolta big"
    with Session(build, "cancel") as session:
        files = "\n".join(f"{n}, 1:{n[:-1]}_, 0:{n}," for n in BIG_NAMES)
        medium = medium_variant(session, os.path.join(build, "medium"), setup_info(
            "$:\\kolta big", files, sources="1=big"))
        os.makedirs(os.path.join(medium, "big"))
        data = szdd_blanks(BIG_FILE)
        for name in BIG_NAMES:
            with open(os.path.join(medium, "big", name[:-1] + "_"), "wb") as f:
                f.write(data)
        setup = Installer(session, medium)
        destination = to_destination(setup)
        setup.click(destination, NEXT)
        progress = setup.wait_progress()
        targets = [session.linux_path(f"{folder}\\{n}") for n in BIG_NAMES]

        session.wait_for("the first file to be written", lambda: os.path.exists(targets[0]))
        setup.click(progress, CANCEL)
        box, kind = setup.wait_message("the cancel question", [("IDS_QUERYABORT",)],
                                       owner=progress)
        check(kind == "yesno", f"the cancel question is a {kind} box")
        pixels = setup.display.screenshot()
        session.save_screenshot("cancel-question", pixels)
        left, top, right, bottom = BAR
        bar = red_run(pixels, progress.x + left, progress.x + right, progress.y + (top + bottom) // 2)
        check(bar == 126, f"the bar is {bar} pixels wide at 1 of 3, not 126")
        check(os.path.getsize(targets[0]) == BIG_FILE, "the first file is not complete")
        setup.click(box, NO)
        setup.wait_gone(box, "the cancel question to close")

        # "No" goes on with the second file; cancelling again during it stops before the third.
        setup.click(progress, CANCEL)
        setup.answer("the cancel question again", ("IDS_QUERYABORT",), "yesno", YES,
                     owner=progress)
        setup.finish("the failure message", "IDS_SETUPNOGOOD")
        check([os.path.exists(t) for t in targets] == [True, True, False],
              f"files left: {[os.path.exists(t) for t in targets]}")
        check(os.path.getsize(targets[1]) == BIG_FILE, "the second file is not complete")
        check(not os.path.exists(session.linux_path("c:\\windows\\korvex.ini")),
              "a cancelled setup wrote korvex.ini")


def second_copy(build):
    with Session(build, "second_copy") as session:
        setup = Installer(session, os.path.join(build, "medium"))
        to_logo(setup)
        second = Installer(session, setup.medium).start()
        code = session.wait_exit(second, "the second copy to end", timeout=60)
        check(code == 0, f"the second copy ended with {code}")
        mains = [w for w in setup.windows() if w.size == (600, 450)]
        check(len(mains) == 1, f"main windows: {mains}")
        check(setup.process.poll() is None, "the first copy ended")


def installed_product(build):
    medium = os.path.join(build, "medium")
    with Session(build, "installed_product") as session:
        installed = session.linux_path("c:\\kolta installed")
        shutil.copytree(os.path.join(medium, "product", "bin"), os.path.join(installed, "bin"))
        with open(session.linux_path("c:\\windows\\korvex.ini"), "wb") as f:
            f.write(b"[PATH]\r\nINSTALLPATH=c:\\kolta installed\\\r\nALL=1\r\n")
        setup = Installer(session, medium)
        setup.start()
        seen = set()

        def product_shown():
            seen.update(w.size for w in setup.windows())
            return setup.process.poll() is not None and [
                w for w in session.display.windows("koltamain.exe") if w.title == "Kolta Demo"]
        session.wait_for("the installed product's window and the setup's end", product_shown)
        session.save_screenshot("product")
        check(setup.process.returncode == 0, f"exit code {setup.process.returncode}")
        check(not seen & SKINNED_SIZES, f"the setup showed windows: {seen}")


def stale_install(build):
    """The recorded product's folder is gone (deleted by hand after an install): the next
    run cannot start the product and becomes a fresh install, instead of ending without a
    word every time."""
    medium = os.path.join(build, "medium")
    with Session(build, "stale_install") as session:
        for run in ("first", "second"):
            setup = Installer(session, medium)
            destination = to_destination(setup)
            setup.click(destination, NEXT)
            install_to_end(setup)
            check_installed_tree(session, medium, DEFAULT_FOLDER)
            check_product_config(session, DEFAULT_FOLDER)
            if run == "first":
                shutil.rmtree(session.linux_path(DEFAULT_FOLDER))


def planted_library(build):
    """A stranger's LZ32.DLL beside a copy of the medium (in a downloads folder, say), and
    Wine told to take a DLL found on the search path before its own, as Windows does for a
    DLL that is not one of its known DLLs: the setup never loads it, and installs all the
    same (the demo medium's files are compressed)."""
    with Session(build, "planted_library") as session:
        session.dll_overrides += ";lz32=n,b"
        medium = medium_copy(session, os.path.join(build, "medium"))
        planted = os.path.join(medium, "LZ32.DLL")
        shutil.copy(os.path.join(build, "bin", "setup_helpers", "planted", "LZ32.DLL"), planted)
        setup = Installer(session, medium)
        destination = to_destination(setup)
        setup.click(destination, NEXT)
        install_to_end(setup)
        # The double names its marker after its own path as the loader spells it.
        markers = [n for n in os.listdir(medium) if n.lower() == "lz32.dll.loaded"]
        check(not markers, "the setup loaded the LZ32.DLL beside it")
        check_installed_tree(session, medium, DEFAULT_FOLDER)
        check_product_config(session, DEFAULT_FOLDER)


def restart_question(build):
    """On a Windows of the 95 family the setup runs the medium's DirectX set-up (here a
    stand-in, with a companion DLL beside it, that asks for a restart): the restart
    question follows the install, and "no" closes the setup without restarting."""
    with Session(build, "restart_question") as session:
        medium = medium_copy(session, os.path.join(build, "medium"))
        directx = os.path.join(medium, "DIRECTX")
        os.makedirs(directx)
        for name in ("DSETUP.dll", "DSETUPCO.dll"):
            shutil.copy(os.path.join(build, "bin", "setup_helpers", name), directx)
        log = os.path.join(session.folder, "dsetup.log")
        os.environ.update(DSETUP_DOUBLE_LOG=windows_path(log), DSETUP_DOUBLE_VERSION="4",
                          DSETUP_DOUBLE_RESULT="1")
        session.run("reg", "add", "HKCU\\Software\\Wine\\AppDefaults\\K_SETUP.exe", "/v",
                    "Version", "/d", "win98", "/f")
        setup = Installer(session, medium)
        destination = to_destination(setup)
        setup.click(destination, NEXT)
        setup.answer("the restart question", ("IDS_REBOOT",), "yesno", NO, owner=setup.main,
                     timeout=300)
        code = session.wait_exit(setup.process, "the setup to end")
        check(code == 0, f"exit code {code}, expected 0")
        with open(log) as f:
            calls = f.read().splitlines()
        check(len(calls) == 3 and calls[1] == "version" and calls[2].startswith("setup "),
              f"the DirectX set-up was called as {calls}")
        check_installed_tree(session, medium, DEFAULT_FOLDER)
        check_product_config(session, DEFAULT_FOLDER)


FULL_DISK_SIZE = "2m"  # the small drive; the product's one file is larger
FULL_DISK_FILE = 3 << 20


def full_disk(build):
    """An install to a drive too small for the product's files (whose stated size still
    fits): the copy fails with the file's name, the setup ends with its failure message, no
    file copied short stays behind, and nothing is recorded as installed. The drive is a
    size-limited tmpfs mounted in a private mount namespace of this run, so that no mount
    outlives it."""
    if os.environ.get("KOLTA_E2E_PRIVATE_MOUNTS") != "1":
        private = (["unshare", "--mount", "--propagation", "private"] if os.geteuid() == 0
                   else ["unshare", "--map-root-user", "--mount"])
        done = subprocess.run([*private, sys.executable, "-B", os.path.abspath(__file__),
                               "full_disk", "--build", build],
                              env=dict(os.environ, KOLTA_E2E_PRIVATE_MOUNTS="1"))
        check(done.returncode == 0, "the run in its own mount namespace failed")
        return
    with Session(build, "full_disk") as session:
        small = os.path.join(session.scratch().path, "small")
        os.mkdir(small)
        subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={FULL_DISK_SIZE}", "tmpfs", small],
                       check=True)
        os.environ["KOLTA_WINE_BINDS"] = small  # into the test Wine's root as well
        os.symlink(small, os.path.join(session.prefix, "dosdevices", "e:"))
        medium = medium_variant(session, os.path.join(build, "medium"), setup_info(
            "$:\\kolta", "big.dat, 1:big.dat, 0:big.dat,", space_needed=1, sources="1=big"))
        os.makedirs(os.path.join(medium, "big"))
        with open(os.path.join(medium, "big", "big.dat"), "wb") as f:
            f.write(os.urandom(FULL_DISK_FILE))
        setup = Installer(session, medium)
        destination = to_destination(setup)
        setup.set_destination(destination, "e:\\kolta")
        setup.click(destination, NEXT)
        setup.answer("the missing folder question", ("IDS_NOEXISTDIR", "e:\\kolta"), "yesno", YES,
                     owner=destination)
        progress = setup.wait_progress()
        setup.answer("the copy failure", ("IDS_COPYFILEERROR", "big.dat"), "ok", OK,
                     owner=progress)
        setup.finish("the failure message", "IDS_SETUPNOGOOD")
        left = [name for _, _, names in os.walk(small) for name in names]
        check(left == [], f"files left on the full drive: {left}")
        check(not os.path.exists(session.linux_path("c:\\windows\\korvex.ini")),
              "a failed setup wrote korvex.ini")
        check(not os.path.exists(session.linux_path(ALL_USERS_PROGRAMS + "\\Kolta")),
              "a failed setup made a program group")


def long_folder(build):
    """A medium whose program folder, or whose language folder below it, does not fit a
    128-byte path ends the setup at start-up with code 0 and no window, instead of reading
    a cut path that names another folder."""
    medium = os.path.join(build, "medium")
    with Session(build, "long_folder") as session:
        # (what, length of the program's own path as Windows sees it: Z: and the Linux path
        # of a link to the medium, padded from the session's short scratch folder)
        for what, exe_length in (("program path of 130 characters", 130),
                                 ("language folder of 129 characters", 126)):
            parent = what.split()[0]
            padding = (exe_length - len("Z:" + session.scratch().join(parent) + "/")
                       - len("/K_SETUP.exe"))
            folder = session.scratch().link(os.path.join(parent, "m" * padding), medium)
            check(len("Z:" + os.path.join(folder, "K_SETUP.exe")) == exe_length, "padding")
            setup = Installer(session, folder, exact=True)
            setup.start()
            seen = set()

            def ended():
                seen.update(w.size for w in setup.windows())
                return setup.process.poll() is not None
            session.wait_for(f"the setup with a {what} to end", ended)
            check(setup.process.returncode == 0, f"{what}: exit code {setup.process.returncode}")
            check(not seen, f"{what}: the setup showed windows {seen}")


def small_display(build):
    with Session(build, "small_display", geometry="512x384x24") as session:
        setup = Installer(session, os.path.join(build, "medium"))
        setup.start()

        def platform_box():
            windows = setup.windows()
            check(not any(w.size in SKINNED_SIZES for w in windows), f"skinned: {windows}")
            return next((w for w in windows if w.width > 100 and w.height > 50), None)
        box = session.wait_for("the platform message box", platform_box)
        session.save_screenshot("error-screen")
        check(box.title == "Kolta Demo Setup", f"the box's caption is {box.title!r}")
        expected = setup.message_text("IDS_ERRORSCREEN")
        shown = setup.platform_box_texts()
        check(expected in shown, f"the platform box shows {shown}, not {expected!r}")
        # Enter answers the box when it has the keyboard; else its one button is clicked,
        # which the platform centres at its bottom.
        session.display.key("Return")
        try:
            session.wait_exit(setup.process, "the box to take Enter", timeout=5)
        except Failure:
            session.display.click(box.x + box.width // 2, box.y + box.height - 22)
        code = session.wait_exit(setup.process, "the setup to end")
        check(code == 0, f"exit code {code}")


def chinese(build):
    medium = os.path.join(build, "medium-zh")
    inf = os.path.join(medium, "lan", "chs", "setup", "setuphd.inf")
    with open(inf, "rb") as f:
        def_dir = re.search(rb"^DefDir=\$(.*?)\r?$", f.read(), re.M).group(1).decode("cp936")
    folder = "c" + def_dir
    check(any(ord(c) > 0x2E80 for c in folder), f"the default folder {folder} is not Chinese")
    with Session(build, "chinese", locale="zh_CN.UTF-8") as session:
        setup = Installer(session, medium)
        destination = to_destination(setup)
        pixels = session.display.screenshot()
        session.save_screenshot("destination", pixels)
        check_texts_drawn(setup, pixels, destination, "choose.jpg", (27, 218, 400, 280))
        setup.click(destination, NEXT)
        box, kind = setup.wait_message("the success message", [("IDS_SETUPGOOD",)],
                                       timeout=300)  # see install_to_end
        session.save_screenshot("success")
        check(kind == "ok", f"the success message is a {kind} box")
        setup.click(box, OK)
        code = session.wait_exit(setup.process, "the setup to end")
        check(code == 0, f"exit code {code}")
        check_installed_tree(session, medium, folder)
        check_product_config(session, folder)


def check_texts_drawn(setup, pixels, window, picture, rect):
    """Text was drawn in rect of a screen: many pixels there differ from its picture."""
    left, top, right, bottom = rect
    shown = pixels[window.y + top:window.y + bottom, window.x + left:window.x + right]
    art = setup.picture(picture)[top:bottom, left:right]
    changed = int((np.abs(shown.astype(int) - art.astype(int)).max(axis=-1) > 80).sum())
    check(changed > 40, f"no text drawn in {rect} of {picture} ({changed} pixels changed)")


SCENARIOS = {f.__name__: f for f in (happy_path, exit_no_then_yes, invalid_path,
                                     missing_folder, no_space, cancel, second_copy,
                                     installed_product, stale_install, planted_library,
                                     restart_question, full_disk, long_folder, small_display, chinese)}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--build", required=True)
    args = parser.parse_args()
    try:
        SCENARIOS[args.scenario](os.path.abspath(args.build))
    except Failure as failure:
        print(f"FAILED {args.scenario}: {failure}")
        return 1
    print(f"passed {args.scenario}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

"""Drives K_SETUP under the test Wine on a display of its own, the way a user would.

A `Session` owns one Xvfb display (with a root colour of its own, so that whatever no
window covers can be told apart), one Wine prefix made by scripts/wine-run.sh, and a
folder for the run's screenshots. It starts Windows programs in that prefix, finds their
top-level windows by size with xdotool, clicks, types, takes screenshots and waits by
polling; every wait that runs out saves a screenshot and fails with what it waited for.

`Installer` knows the installer's screens: their sizes, where they sit in the main
window, where their buttons are and how big the button pictures on the medium are. It
starts K_SETUP from a short link to the medium in the session's scratch folder below
/tmp: the setup refuses a program folder too long for its 128-byte fields, which one in
a deep build tree would be.
"""
import ctypes
import io
import os
import re
import shutil
import signal
import subprocess
import sys
import time

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
from scratch_folder import ScratchFolder  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
WINE_RUN = os.path.join(SOURCE, "scripts", "wine-run.sh")
# The test Wine runs i686 and x86_64 programs alike (scripts/wine-exec.sh).
WINE_EXEC = os.path.join(SOURCE, "scripts", "wine-exec.sh")
WINE = [WINE_EXEC, "wine"]
WINESERVER = [WINE_EXEC, "wineserver"]

# What the screen shows where no window is: a colour no skin of ours uses.
ROOT_COLOUR = (255, 0, 255)


class Failure(Exception):
    """A scenario did not go as expected; the message says what and where to look."""


def check(condition, message):
    if not condition:
        raise Failure(message)


class Window:
    """A visible top-level X window: its id, screen rectangle and title."""

    def __init__(self, ident, x, y, width, height, title):
        self.ident, self.x, self.y = ident, x, y
        self.width, self.height, self.title = width, height, title

    @property
    def size(self):
        return (self.width, self.height)

    def __repr__(self):
        return f"<{self.title!r} {self.width}x{self.height}+{self.x}+{self.y} #{self.ident}>"


# ---------------------------------------------------------------------------------------
# The display


def _start_xvfb(geometry):
    """Starts Xvfb on a free display number (it reports the number it took)."""
    reader, writer = os.pipe()
    process = subprocess.Popen(
        ["Xvfb", "-displayfd", str(writer), "-nolisten", "tcp", "-noreset",
         "-screen", "0", geometry],
        pass_fds=(writer,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        start_new_session=True)
    os.close(writer)
    with os.fdopen(reader, "rb") as pipe:
        number = pipe.readline().strip()
    if not number:
        process.kill()
        raise Failure(f"Xvfb {geometry} did not start")
    return process, f":{number.decode()}"


def _paint_root(display, colour):
    """Gives the root window a solid colour (what xsetroot -solid does), through Xlib."""
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XSetWindowBackground.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong]
    xlib.XClearWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = xlib.XOpenDisplay(display.encode())
    check(connection, f"cannot open display {display}")
    root = xlib.XDefaultRootWindow(connection)
    red, green, blue = colour
    xlib.XSetWindowBackground(connection, root, (red << 16) | (green << 8) | blue)
    xlib.XClearWindow(connection, root)
    xlib.XCloseDisplay(connection)  # flushes


class Display:
    """An Xvfb display of the given geometry (WxHxD) with a root of one colour."""

    def __init__(self, geometry="1024x768x24", colour=ROOT_COLOUR):
        self.geometry, self.colour = geometry, colour
        self.width, self.height = (int(v) for v in geometry.split("x")[:2])
        self.process, self.name = _start_xvfb(geometry)
        _paint_root(self.name, colour)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait()

    def run(self, *args, check_status=True):
        env = dict(os.environ, DISPLAY=self.name)
        done = subprocess.run(args, env=env, capture_output=True)
        if check_status and done.returncode != 0:
            raise Failure(f"{' '.join(args)}: {done.stderr.decode(errors='replace').strip()}")
        return done.stdout

    def screenshot(self):
        """What the screen shows, as an RGB array. ImageMagick's import composes the
        picture from every window's own contents (and honours window shapes); the root's
        raw image (xwd -root) does not show what Wine drew into its dialogs here. Asked for
        8-bit samples, because PIL reads ImageMagick's default 16-bit ones one by one in
        Python (seconds a picture)."""
        data = self.run("import", "-window", "root", "-depth", "8", "ppm:-")
        return np.asarray(Image.open(io.BytesIO(data)).convert("RGB"))

    def windows(self, program):
        """The visible top-level windows of a program (by its lower-case .exe name)."""
        pattern = "^" + re.escape(program.lower()) + "$"
        found = self.run("xdotool", "search", "--onlyvisible", "--classname", pattern,
                         check_status=False)
        windows = []
        for ident in found.split():
            shell = self.run("xdotool", "getwindowgeometry", "--shell", ident,
                             "getwindowname", ident, check_status=False).decode("utf-8", "replace")
            # The geometry as KEY=value lines up to SCREEN=, then the title's line.
            geometry, _, title = shell.partition("\nSCREEN=")
            values = dict(re.findall(r"^([A-Z]+)=(-?\d+)$", geometry, re.M))
            if not {"X", "Y", "WIDTH", "HEIGHT"} <= values.keys():
                continue  # gone meanwhile
            title = title.partition("\n")[2].rstrip("\n")
            windows.append(Window(int(ident), int(values["X"]), int(values["Y"]),
                                  int(values["WIDTH"]), int(values["HEIGHT"]), title))
        return windows

    def move(self, x, y):
        self.run("xdotool", "mousemove", "--sync", str(x), str(y))

    def press(self, x, y):
        self.move(x, y)
        self.run("xdotool", "mousedown", "1")

    def release(self):
        self.run("xdotool", "mouseup", "1")

    def click(self, x, y):
        self.press(x, y)
        self.release()

    def type_text(self, text):
        self.run("xdotool", "type", "--delay", "20", text)

    def key(self, *names):
        self.run("xdotool", "key", "--delay", "20", *names)


# ---------------------------------------------------------------------------------------
# The Wine prefix and the programs in it


class Session:
    """One scenario's display, Wine prefix and artefact folder (build/e2e/NAME unless
    another folder is given), and a short scratch folder made when first asked for. The
    desktop is ROOT_COLOUR unless another is given."""

    def __init__(self, build, name, geometry="1024x768x24", locale=None, folder=None,
                 desktop=ROOT_COLOUR):
        self._scratch, self._links = None, {}
        self.build, self.name, self.locale = build, name, locale
        self.folder = folder or os.path.join(build, "e2e", name)
        self.wine_root = os.path.join(build, "e2e", "wine")
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        self.shots = 0
        self.display = Display(geometry, desktop)
        try:
            self.prefix = self._make_prefix()
        except BaseException:
            self.display.close()
            raise
        self.processes = []
        # WINEDLLOVERRIDES of the programs started; a scenario may add to it.
        self.dll_overrides = "winemenubuilder.exe=d"

    def _make_prefix(self):
        """A fresh prefix of the scenario's own (a hard-linked copy of a shared template),
        made by wine-run.sh, whose desktop has the root's colour, so that the desktop looks
        the same wherever Wine should paint it instead of leaving the root to show."""
        wine_name = f"e2e-{self.name}"
        shutil.rmtree(os.path.join(self.wine_root, wine_name), ignore_errors=True)
        colour = " ".join(str(c) for c in self.display.colour)
        done = subprocess.run(
            [WINE_RUN, "--root", self.wine_root, "--name", wine_name, "reg", "add",
             "HKCU\\Control Panel\\Colors", "/v", "Background", "/d", colour, "/f"],
            env=dict(os.environ, DISPLAY=self.display.name), capture_output=True)
        check(done.returncode == 0, f"wine-run.sh could not make the prefix: {done.stderr!r}")
        self.home = os.path.join(self.wine_root, wine_name, "home")
        return os.path.join(self.wine_root, wine_name, "prefix")

    def environment(self):
        # As wine-run.sh runs its programs, on this session's display.
        env = dict(os.environ, WINEPREFIX=self.prefix, HOME=self.home, WINEDEBUG="-all",
                   WINEDLLOVERRIDES=self.dll_overrides, DISPLAY=self.display.name)
        env.pop("WINEARCH", None)
        if self.locale:
            env.update(LANG=self.locale, LC_ALL=self.locale)
        return env

    def start(self, program, *args):
        """Starts a Windows program (a Linux path) in the prefix; returns the process."""
        log = open(os.path.join(self.folder, os.path.basename(program) + ".log"), "ab")
        process = subprocess.Popen([*WINE, program, *args], env=self.environment(),
                                   cwd=os.path.dirname(program), stdout=log,
                                   stderr=subprocess.STDOUT, start_new_session=True)
        log.close()
        self.processes.append(process)
        return process

    def run(self, program, *args, timeout=120):
        """Runs a Windows program (a Linux path) in the prefix to its end; its output."""
        done = subprocess.run([*WINE, program, *args], env=self.environment(),
                              capture_output=True, timeout=timeout)
        check(done.returncode == 0, f"{os.path.basename(program)} {' '.join(args)} ended with "
                                    f"{done.returncode}: {done.stderr.decode(errors='replace')}")
        return done.stdout

    def close(self):
        subprocess.run([*WINESERVER, "-k"], env=self.environment(), capture_output=True)
        for process in self.processes:
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        self.display.close()

    def __enter__(self):
        return self

    def __exit__(self, kind, value, trace):
        if kind is not None:
            try:
                path = self.save_screenshot("failure")
                print(f"screenshot at the failure: {path}")
            except Exception as error:  # the display itself may be what failed
                print(f"no screenshot at the failure: {error}")
        self.close()
        if self._scratch is not None:
            self._scratch.close()

    # --- files ------------------------------------------------------------------------

    def scratch(self):
        """The session's scratch folder below /tmp, made on first use and removed with
        everything in it when the session ends."""
        if self._scratch is None:
            self._scratch = ScratchFolder(f"e2e-{self.name}")
        return self._scratch

    def short_link(self, folder):
        """A short path to a Linux folder: a link to it in the scratch folder, one per
        folder. A program started from it sees its folder as Z:\\tmp\\kolta-e2e-...\\."""
        folder = os.path.abspath(folder)
        if folder not in self._links:
            self._links[folder] = self.scratch().link(f"m{len(self._links) + 1}", folder)
        return self._links[folder]

    def linux_path(self, windows_path):
        """The Linux path of a C:\\ path in the prefix, matching names without regard to
        case as Windows does; the missing tail is appended as written."""
        check(windows_path[:2].lower() == "c:", f"not on drive C: {windows_path}")
        path = os.path.join(self.prefix, "drive_c")
        for part in [p for p in re.split(r"[\\/]", windows_path[2:]) if p]:
            match = None
            if os.path.isdir(path):
                match = next((n for n in os.listdir(path) if n.lower() == part.lower()), None)
            path = os.path.join(path, match or part)
        return path

    # --- screenshots and waiting -------------------------------------------------------

    def save_screenshot(self, label, pixels=None):
        self.shots += 1
        name = re.sub(r"[^A-Za-z0-9]+", "-", label).strip("-").lower()
        path = os.path.join(self.folder, f"{self.shots:02d}-{name}.png")
        Image.fromarray(self.display.screenshot() if pixels is None else pixels).save(path)
        return path

    def wait_for(self, what, probe, timeout=60.0, interval=0.05):
        """Polls probe() until it gives something true (or an array) and returns that."""
        deadline = time.monotonic() + timeout
        while True:
            value = probe()
            if isinstance(value, np.ndarray) or value:
                return value
            if time.monotonic() > deadline:
                path = self.save_screenshot("timeout")
                raise Failure(f"timed out after {timeout:.0f} s waiting for {what}; "
                              f"screenshot {path}")
            time.sleep(interval)

    def wait_exit(self, process, what, timeout=60.0):
        self.wait_for(what, lambda: process.poll() is not None, timeout)
        return process.returncode


# ---------------------------------------------------------------------------------------
# The installer's screens

MAIN_SIZE = (600, 450)
PANEL_SIZE = (436, 324)       # logo and destination screens, at 82, 93 of the main window
PANEL_AT = (82, 93)
PROGRESS_SIZE = (438, 328)    # at 81, 91
PROGRESS_AT = (81, 91)
MESSAGE_SIZE = (272, 145)
SKINNED_SIZES = {MAIN_SIZE, PANEL_SIZE, PROGRESS_SIZE, MESSAGE_SIZE}

# Buttons: (picture of two cells, position in its screen).
INSTALL = ("setuphd.jpg", (31, 140))
LOGO_EXIT = ("exit.jpg", (31, 218))
NEXT = ("next.jpg", (290, 205))
DESTINATION_EXIT = ("exit.jpg", (290, 249))
CANCEL = ("cancel.jpg", (163, 258))
OK = ("ms_ok.jpg", (118, 105))
YES = ("ms_yes.jpg", (94, 105))
NO = ("ms_no.jpg", (143, 106))

EDIT_BOX = (85, 85, 240, 20)  # destination screen: left, top, width, height
MESSAGE_TEXT = (13, 38, 245, 95)  # message box: where the message is laid out
MESSAGE_FONT_HEIGHT = 15
TEXT_PROBE = os.path.join("bin", "setup_helpers", "message_text_probe.exe")
BAR = (19, 236, 399, 256)     # progress screen: left, top, right, bottom
PROGRAM = "k_setup.exe"


def load_rgb(path):
    return np.asarray(Image.open(path).convert("RGB"))


def windows_path(path):
    """A Linux path as Wine's programs see it, on drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def ini_value(path, section, key):
    """The bytes of a key of an ini file as the platform reads them (trimmed), or None."""
    with open(path, "rb") as f:
        lines = f.read().splitlines()
    current = None
    for line in lines:
        line = line.strip()
        if line.startswith(b"["):
            current = line[1:line.find(b"]")].decode("ascii", "replace").upper()
        elif current == section.upper() and b"=" in line and not line.startswith(b";"):
            name, _, value = line.partition(b"=")
            if name.strip().decode("ascii", "replace").upper() == key.upper():
                return value.strip()
    return None


def put_arguments(text, arguments, encoding):
    """The text with %s, %c and %d replaced by the arguments, in order, as the setup's
    message formatting does."""
    arguments = list(arguments)

    def argument(match):
        check(arguments, f"too few arguments for {text!r}")
        value = arguments.pop(0)
        return (value if isinstance(value, str) else str(value)).encode(encoding)
    result = re.sub(rb"%[scd]", argument, text)
    check(not arguments, f"too many arguments for {text!r}")
    return result


class Installer:
    """K_SETUP.exe of a medium (a Linux folder), started and driven in a session. It is
    started from a short link to the medium (Session.short_link), or with `exact` from
    the folder as given, for a scenario that sets the length of the path itself."""

    def __init__(self, session, medium, exact=False):
        self.session, self.display = session, session.display
        self.medium = medium
        self.start_folder = medium if exact else session.short_link(medium)
        self.skin = os.path.join(medium, "lan", "chs", "setup")
        self.process = None
        self.main = None

    @property
    def windows_folder(self):
        """The medium's folder as the setup sees it: Z: and the Linux path it is started
        from, without a final backslash."""
        return "Z:" + self.start_folder.replace("/", "\\")

    def start(self):
        self.process = self.session.start(os.path.join(self.start_folder, "K_SETUP.exe"))
        return self.process

    def picture(self, name):
        return load_rgb(os.path.join(self.skin, name))

    # --- windows ----------------------------------------------------------------------

    def windows(self):
        return self.display.windows(PROGRAM)

    def wait_window(self, size, what, timeout=60.0, other_than=None):
        def probe():
            if self.process is not None and self.process.poll() is not None:
                self.session.save_screenshot("ended")
                raise Failure(f"the setup ended (code {self.process.returncode}) "
                              f"while waiting for {what}")
            for window in self.windows():
                # A progress screen is checked for its place whenever a poll sees it: a
                # small install may show it only between two polls.
                if window.size == PROGRESS_SIZE:
                    self._check_placed(window, PROGRESS_AT)
                if window.size == size and (other_than is None or window.ident != other_than.ident):
                    return window
            return None
        return self.session.wait_for(what, probe, timeout)

    def wait_gone(self, window, what, timeout=30.0):
        self.session.wait_for(
            what, lambda: all(w.ident != window.ident for w in self.windows()), timeout)

    def wait_main(self):
        self.main = self.wait_window(MAIN_SIZE, "the 600 x 450 main window")
        check((self.main.x, self.main.y) == ((self.display.width - 600) // 2,
                                             (self.display.height - 450) // 2),
              f"main window not centred: {self.main}")
        return self.main

    def wait_panel(self, what, other_than=None):
        panel = self.wait_window(PANEL_SIZE, what, other_than=other_than)
        self._check_placed(panel, PANEL_AT)
        return panel

    def wait_progress(self):
        return self.wait_window(PROGRESS_SIZE, "the progress screen")

    def _check_placed(self, window, offset):
        if self.main is not None:
            check((window.x - self.main.x, window.y - self.main.y) == offset,
                  f"{window} is not at {offset} of the main window {self.main}")

    # --- buttons ----------------------------------------------------------------------

    def button_rect(self, window, button):
        """Screen rectangle (left, top, width, height) of one cell of a button."""
        picture, (x, y) = button
        width, height = Image.open(os.path.join(self.skin, picture)).size
        return (window.x + x, window.y + y, width // 2, height)

    def button_centre(self, window, button):
        left, top, width, height = self.button_rect(window, button)
        return (left + width // 2, top + height // 2)

    def click(self, window, button):
        self.display.click(*self.button_centre(window, button))

    def press(self, window, button):
        self.display.press(*self.button_centre(window, button))

    def shows_cell(self, pixels, window, button, cell, tolerance=12.0):
        """Whether the screen shows the given cell of a button where the button is drawn
        opaque (its mask, when it has one, at 255): mean difference within tolerance."""
        picture, _ = button
        left, top, width, height = self.button_rect(window, button)
        expected = self.picture(picture)[:, cell * width:(cell + 1) * width].astype(int)
        shown = pixels[top:top + height, left:left + width].astype(int)
        opaque = np.ones((height, width), bool)
        mask_path = os.path.join(self.skin, picture[:-4] + "a.bmp")
        if os.path.exists(mask_path):
            mask = np.asarray(Image.open(mask_path))
            opaque = mask[:, cell * width:(cell + 1) * width] == 255
        if not opaque.any():
            return False
        return float(np.abs(shown - expected)[opaque].mean()) <= tolerance

    def wait_painted(self, panel, button, what):
        """Waits until a screen shows one of its buttons released, i.e. it has painted;
        returns that screenshot."""
        def probe():
            pixels = self.display.screenshot()
            return pixels if self.shows_cell(pixels, panel, button, 0) else None
        return self.session.wait_for(what, probe)

    # --- message boxes ----------------------------------------------------------------

    def message_text(self, key, *arguments):
        """The text the setup shows for a message key: its line of the medium's settings
        file, in the settings' code page, with the arguments put in."""
        encoding = "cp936" if self.session.locale else "cp1252"
        text = ini_value(os.path.join(self.skin, "SETUP.INI"), "INFO", key)
        check(text is not None, f"SETUP.INI has no {key}")
        return put_arguments(text, arguments, encoding)

    def drawn_text(self, text):
        """The ink of a text as GDI draws it in the message box's font and layout (255 where
        fully black), by the probe in the session's prefix."""
        left, top, right, bottom = MESSAGE_TEXT
        folder = self.session.scratch().path
        text_file, ink_file = os.path.join(folder, "text.bin"), os.path.join(folder, "ink.pgm")
        with open(text_file, "wb") as f:
            f.write(text)
        face = ini_value(os.path.join(self.skin, "SETUP.INI"), "INI", "FONTNAME") or b""
        self.session.run(os.path.join(self.session.build, TEXT_PROBE), "draw",
                         face.decode("cp936"), str(MESSAGE_FONT_HEIGHT), str(right - left),
                         str(bottom - top), windows_path(text_file), windows_path(ink_file))
        return np.asarray(Image.open(ink_file))

    def check_message_text(self, pixels, box, what, texts):
        """The box's message area shows one of the texts ((key, arguments...) tuples): its
        dark pixels over ms_back.jpg are the ink of GDI's own drawing of that text, where
        the box is opaque."""
        left, top, right, bottom = MESSAGE_TEXT
        weights = np.array([0.299, 0.587, 0.114])
        shown = pixels[box.y + top:box.y + bottom, box.x + left:box.x + right] @ weights
        art = self.picture("ms_back.jpg")[top:bottom, left:right] @ weights
        ink = (art - shown) / np.maximum(art, 1.0) > 0.5
        mask = np.asarray(Image.open(os.path.join(self.skin, "ms_backa.bmp")))
        opaque = mask[top:bottom, left:right] == 255
        report = []
        for key, *arguments in texts:
            text = self.message_text(key, *arguments)
            expected = self.drawn_text(text) > 127
            inked = int((expected & opaque).sum())
            check(inked > 20, f"{what}: {text!r} draws no ink to compare")
            differing = int(((ink != expected) & opaque).sum())
            if differing <= max(3, inked // 100):
                print(f"{what}: shows {text!r} ({differing} of {inked} ink pixels differ)")
                return text
            report.append(f"{text!r}: {differing} of {inked} ink pixels differ")
        path = self.session.save_screenshot(f"{what} text")
        raise Failure(f"{what}: the box does not show the expected text ({'; '.join(report)}); "
                      f"screenshot {path}")

    def wait_message(self, what, texts, owner=None, timeout=60.0):
        """Waits for the skinned message box showing one of the texts ((key, arguments...)
        tuples); returns (window, "ok" or "yesno"). With an owner window, checks that the
        box is centred on it."""
        box = self.wait_window(MESSAGE_SIZE, what, timeout)

        def kind():
            pixels = self.display.screenshot()
            if self.shows_cell(pixels, box, OK, 0):
                return "ok", pixels
            if self.shows_cell(pixels, box, YES, 0) and self.shows_cell(pixels, box, NO, 0):
                return "yesno", pixels
            return None
        found, pixels = self.session.wait_for(f"the buttons of {what}", kind, timeout=15)
        if owner is not None:
            check((box.x, box.y) == (owner.x + (owner.width - 272) // 2,
                                     owner.y + (owner.height - 145) // 2),
                  f"{what}: {box} is not centred on {owner}")
        self.check_message_text(pixels, box, what, texts)
        return box, found

    def answer(self, what, text, expected_kind, button, owner=None, timeout=60.0):
        """Waits for a message box of the expected kind showing the text (a (key,
        arguments...) tuple, or a list of such alternatives), clicks one of its buttons and
        waits for it to close."""
        texts = text if isinstance(text, list) else [text]
        box, kind = self.wait_message(what, texts, owner, timeout)
        self.session.save_screenshot(what)
        check(kind == expected_kind, f"{what}: a {kind} box, expected {expected_kind}")
        self.click(box, button)
        self.wait_gone(box, f"{what} to close")

    def finish(self, what, key, timeout=60.0):
        """Answers the final OK box, which shows the message of `key`, and checks that the
        setup ends with code 0."""
        self.answer(what, (key,), "ok", OK, owner=self.main, timeout=timeout)
        code = self.session.wait_exit(self.process, "the setup to end")
        check(code == 0, f"exit code {code}, expected 0")

    def platform_box_texts(self):
        """The texts of the controls of the platform's dialog boxes now shown, as bytes."""
        output = self.session.run(os.path.join(self.session.build, TEXT_PROBE), "read")
        return [line.rstrip(b"\r") for line in output.split(b"\n") if line.strip()]

    # --- the destination screen -------------------------------------------------------

    def set_destination(self, panel, text):
        """Replaces the destination edit box's text."""
        left, top, width, height = EDIT_BOX
        self.display.click(panel.x + left + width // 2, panel.y + top + height // 2)
        self.display.key("ctrl+a", "BackSpace", "End", "shift+Home", "BackSpace")
        self.display.type_text(text)


def red_run(pixels, x0, x1, y):
    """Length of the run of pure-ish red pixels from x0 on row y (at most to x1)."""
    row = pixels[y, x0:x1].astype(int)
    red = (row[:, 0] > 200) & (row[:, 1] < 60) & (row[:, 2] < 60)
    return int(np.argmin(red)) if not red.all() else len(red)

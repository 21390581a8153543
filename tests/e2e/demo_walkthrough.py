#!/usr/bin/python3
"""Installs the demo medium headless, the way a user would click through it, and keeps
a screenshot of every screen:

    demo_walkthrough.py --build BUILD-DIR --shots FOLDER

Logo -> install -> destination (the default folder) -> next -> progress -> success -> OK.
Prints the screenshot folder; exits 0 when the setup ended with code 0.
"""
import argparse
import os
import sys

from e2e import (CANCEL, INSTALL, MESSAGE_SIZE, NEXT, OK, PROGRESS_SIZE, Failure, Installer,
                 Session, check)


# A calm desktop for pictures people look at (the tests use a colour no skin has).
DESKTOP = (58, 68, 80)


def walk_through(build, shots):
    with Session(build, "demo", folder=shots, desktop=DESKTOP) as session:
        setup = Installer(session, os.path.join(build, "medium"))
        setup.start()
        setup.wait_main()
        logo = setup.wait_panel("the logo screen")
        session.save_screenshot("logo", setup.wait_painted(logo, INSTALL, "the logo screen"))
        setup.click(logo, INSTALL)

        destination = setup.wait_panel("the destination screen", other_than=logo)
        session.save_screenshot("destination",
                                setup.wait_painted(destination, NEXT, "the destination screen"))
        setup.click(destination, NEXT)

        # A small payload may be installed before a poll sees the progress screen: it is
        # photographed when it is seen painted.
        def progress_or_message():
            sizes = {w.size: w for w in setup.windows()}
            return sizes.get(PROGRESS_SIZE) or sizes.get(MESSAGE_SIZE)
        progress = session.wait_for("the progress screen or the last message", progress_or_message,
                                    timeout=300)

        def painted_or_gone():
            pixels = session.display.screenshot()
            if setup.shows_cell(pixels, progress, CANCEL, 0):
                return pixels
            return all(w.ident != progress.ident for w in setup.windows())
        if progress.size == PROGRESS_SIZE:
            shown = session.wait_for("the progress screen to paint", painted_or_gone)
            if shown is not True:
                session.save_screenshot("progress", shown)
        box, kind = setup.wait_message("the success message", [("IDS_SETUPGOOD",)],
                                       owner=setup.main, timeout=300)
        session.save_screenshot("success")
        check(kind == "ok", f"the last message is a {kind} box, not the success message")
        setup.click(box, OK)
        code = session.wait_exit(setup.process, "the setup to end")
        check(code == 0, f"the setup ended with code {code}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--shots", required=True)
    args = parser.parse_args()
    try:
        walk_through(os.path.abspath(args.build), os.path.abspath(args.shots))
    except Failure as failure:
        print(f"the demo run failed: {failure}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

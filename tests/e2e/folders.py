#!/usr/bin/env python3
"""The real program started from program folders named as users name them.

Each name gets a copy of the built program folder. A usable name shows the main window and no
message; a name that is not valid UTF-8 shows the Spanish message about the folder's name and
ends with status 1 once it is answered. No run changes a file of its folder.

Usage: folders.py --app <folder of the built program> --shots <folder for failure screenshots>
"""

import argparse
import os
import re
import shutil
import sys
import tempfile

from xdriver import Desktop, Failure, Program, Screenshots, VirtualDisplay, snapshot

SPLASH = r"Orlaneva\. v\.1\.1\.3"
MAIN = "Orlaneva. - Presentación."
MESSAGE = "Orlaneva"  # the title of the program's message boxes

# Folder names as bytes, and whether the program can work from them.
FOLDERS = [
    (b"Recursos; 2024", True),
    (b"x;Data Source=otro.mdb;Persist Security Info=True", True),
    ("L'aula \"nueva\" = 1º".encode(), True),
    (b"Recursos\\2024\\", True),
    (b"caf\xe9", False),  # Latin-1, as an archive made on another system leaves it
]


def run_one(app_source, work, name, usable, pictures):
    app = os.path.join(os.fsencode(work), name)
    shutil.copytree(os.fsencode(app_source), app, symlinks=True)
    before = snapshot(app)
    program = Program(os.fsdecode(os.path.join(app, b"orlaneva")), work)
    desk = Desktop(program)
    try:
        desk.start(SPLASH)
        if usable:
            desk.wait_window(re.escape(MAIN), timeout=20)
            desk.expect_windows([MAIN])
            program.kill()
        else:
            _, box = desk.wait_window(re.escape(MESSAGE), timeout=20)
            desk.focus(box)
            desk.key("Return")
            status = program.wait(15)
            if status != 1:
                raise Failure(f"ended with status {status}, not 1")
    except Failure:
        pictures.take(re.sub(r"[^A-Za-z0-9]+", "-", os.fsdecode(name)))
        raise
    finally:
        program.kill()
    if snapshot(app) != before:
        raise Failure("the program folder changed")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--app", required=True, help="folder of the built program")
    parser.add_argument("--shots", required=True, help="where failure screenshots go")
    args = parser.parse_args()
    pictures = Screenshots(os.path.abspath(args.shots))
    failed = False
    with VirtualDisplay():
        for name, usable in FOLDERS:
            work = tempfile.mkdtemp(prefix="orlaneva-folders-")
            try:
                run_one(os.path.abspath(args.app), work, name, usable, pictures)
                print(f"{name!r}: {'works' if usable else 'refused with the message'}")
            except Failure as error:
                print(f"FAILED {name!r}: {error}", file=sys.stderr)
                failed = True
            finally:
                shutil.rmtree(work, ignore_errors=True)
    if not failed:
        pictures.discard()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

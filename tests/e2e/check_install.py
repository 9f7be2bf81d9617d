#!/usr/bin/env python3
"""Checks what `cmake --install` lays out, then starts the installed program.

  check_install.py --cmake <cmake> --build <build folder> --sample ON|OFF
      installs into a temporary prefix, checks the layout (executable in lib/orlaneva,
      bin/orlaneva linking to it, menu entry, AppStream metainfo, icons, manual page,
      copyright and changelog, the sample catalogue in share/orlaneva only when asked for),
      installs the sample component and starts the installed program through bin/orlaneva
      with the prefix's share folder as the system data folder: splash, main window, exit
      button, status 0.
  check_install.py --cpack <cpack> --build <build folder> --sample ON|OFF
      builds the Debian package into a temporary folder and checks its dependencies and
      its files, without installing it.
  check_install.py --run <installed bin/orlaneva>
      only starts an installed program that way (used for the Debian package), with the
      system's data folders as they are.

The program starts on an X display of its own (Xvfb).
"""

import argparse
import configparser
import glob
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from xdriver import Desktop, Failure, Program, Screenshots, VirtualDisplay

MAIN = r"Orlaneva\. - Presentación\."
SPLASH = r"Orlaneva\. v\.1\.1\.3"
EXIT_BUTTON = (13845, 240, 975, 855)
ICON_SIZES = (16, 24, 32, 48)
DESKTOP_ID = "org.example.orlaneva"
SAMPLE_DIR = ("share", "orlaneva")
# What the package holds besides the program and its sample, under the prefix.
DOC_FILES = ("share/man/man1/orlaneva.1.gz", "share/doc/orlaneva/copyright",
             "share/doc/orlaneva/changelog.gz", f"share/metainfo/{DESKTOP_ID}.metainfo.xml")


def install(cmake, build, prefix, component=None):
    command = [cmake, "--install", build, "--prefix", prefix]
    if component:
        command += ["--component", component]
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        raise Failure(f"{' '.join(command)} failed:\n{result.stdout}{result.stderr}")


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise Failure(f"{path} is not a PNG file")
    return struct.unpack(">II", head[16:24])


def check_layout(prefix, sample):
    app = os.path.join(prefix, "lib", "orlaneva")
    program = os.path.join(app, "orlaneva")
    if not (os.path.isfile(program) and os.access(program, os.X_OK)):
        raise Failure(f"no executable {program}")
    link = os.path.join(prefix, "bin", "orlaneva")
    if not os.path.islink(link):
        raise Failure(f"{link} is not a symbolic link")
    if os.path.isabs(os.readlink(link)):
        raise Failure(f"{link} points to an absolute path: the prefix could not move")
    if os.path.realpath(link) != os.path.realpath(program):
        raise Failure(f"{link} leads to {os.path.realpath(link)}, not {program}")

    entry_path = os.path.join(prefix, "share", "applications", f"{DESKTOP_ID}.desktop")
    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str
    if not entry.read(entry_path, encoding="utf-8"):
        raise Failure(f"no menu entry {entry_path}")
    fields = entry["Desktop Entry"]
    wanted = {"Type": "Application", "Name": "Orlaneva", "Exec": "orlaneva",
              "Icon": "orlaneva", "Terminal": "false", "Categories": "Education;"}
    for key, value in wanted.items():
        if fields.get(key) != value:
            raise Failure(f"menu entry: {key}={fields.get(key)!r}, expected {value!r}")
    if not fields.get("Comment"):
        raise Failure("menu entry without a Comment")
    if shutil.which("desktop-file-validate"):
        result = subprocess.run(["desktop-file-validate", entry_path], capture_output=True,
                                text=True)
        if result.returncode != 0 or result.stdout.strip():
            raise Failure(f"desktop-file-validate: {result.stdout}{result.stderr}")

    for name in DOC_FILES:
        path = os.path.join(prefix, name)
        if not os.path.isfile(path):
            raise Failure(f"no {path}")
        if name.endswith(".gz"):
            with open(path, "rb") as f:
                head = f.read(8)
            # gzip -n: no time stamp, so that two builds give the same package.
            if head[:2] != b"\x1f\x8b" or head[4:8] != b"\0\0\0\0":
                raise Failure(f"{path} is not gzipped without a time stamp")
    if shutil.which("appstreamcli"):
        metainfo = os.path.join(prefix, DOC_FILES[3])
        result = subprocess.run(["appstreamcli", "validate", "--no-net", metainfo],
                                capture_output=True, text=True)
        if result.returncode != 0:
            raise Failure(f"appstreamcli validate: {result.stdout}{result.stderr}")

    for size in ICON_SIZES:
        icon = os.path.join(prefix, "share", "icons", "hicolor", f"{size}x{size}", "apps",
                            "orlaneva.png")
        if not os.path.isfile(icon):
            raise Failure(f"no icon {icon}")
        if png_size(icon) != (size, size):
            raise Failure(f"{icon} is {png_size(icon)}")

    if os.listdir(app) != ["orlaneva"]:
        raise Failure(f"{app} holds more than the program: {os.listdir(app)}")
    data = os.path.join(prefix, *SAMPLE_DIR)
    catalogue = [os.path.join(data, name) for name in ("fichas.mdb", "Fichas", "Documentos")]
    present = [os.path.exists(path) for path in catalogue]
    if sample and not all(present):
        raise Failure(f"the sample catalogue is incomplete in {data}")
    if not sample and any(present):
        raise Failure(f"a catalogue was installed without being asked for: {os.listdir(data)}")
    if sample:
        for document in ("Presentación.bmp", "Orlaneva.bmp", "Orlaneva.pdf"):
            if not os.path.isfile(os.path.join(data, "Documentos", document)):
                raise Failure(f"Documentos/{document} is missing")


# The run-time libraries the program links, by their Debian package names.
DEB_DEPENDS = {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libsqlite3-0", "libmdb3",
               "qt6-translations-l10n"}


def check_deb(cpack, build, sample):
    out = tempfile.mkdtemp(prefix="orlaneva-deb-")
    try:
        command = [cpack, "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"),
                   "-B", out]
        result = subprocess.run(command, capture_output=True, text=True)
        if result.returncode != 0:
            raise Failure(f"{' '.join(command)} failed:\n{result.stdout}{result.stderr}")
        debs = glob.glob(os.path.join(out, "orlaneva_*.deb"))
        if len(debs) != 1:
            raise Failure(f"cpack made {debs}")
        fields = subprocess.run(["dpkg-deb", "--field", debs[0], "Package", "Depends"],
                                capture_output=True, text=True, check=True).stdout
        control = dict(line.split(": ", 1) for line in fields.splitlines() if ": " in line)
        if control.get("Package") != "orlaneva":
            raise Failure(f"package name {control.get('Package')!r}")
        names = {item.split()[0] for item in control.get("Depends", "").split(", ") if item}
        if not DEB_DEPENDS <= names:
            raise Failure(f"Depends lacks {sorted(DEB_DEPENDS - names)}: {control.get('Depends')}")
        listing = subprocess.run(["dpkg-deb", "--contents", debs[0]], capture_output=True,
                                 text=True, check=True).stdout
        files = {line.split(None, 5)[5] for line in listing.splitlines()}
        wanted = {"./usr/bin/orlaneva -> ../lib/orlaneva/orlaneva", "./usr/lib/orlaneva/orlaneva",
                  f"./usr/share/applications/{DESKTOP_ID}.desktop"}
        wanted |= {f"./usr/{name}" for name in DOC_FILES}
        wanted |= {f"./usr/share/icons/hicolor/{n}x{n}/apps/orlaneva.png" for n in ICON_SIZES}
        if not wanted <= files:
            raise Failure(f"the package lacks {sorted(wanted - files)}")
        if ("./usr/share/orlaneva/fichas.mdb" in files) != sample:
            raise Failure("the package's sample catalogue does not follow the option")
        in_lib = sorted(f for f in files if f.startswith("./usr/lib/orlaneva/")
                        and f != "./usr/lib/orlaneva/")
        if in_lib != ["./usr/lib/orlaneva/orlaneva"]:
            raise Failure(f"data under /usr/lib: {in_lib}")
    finally:
        shutil.rmtree(out, ignore_errors=True)


def start_and_close(executable, shots, data_dirs=None):
    """The installed program comes up on its catalogue and ends by its exit button.

    The user's data folder is an empty one, so the catalogue comes from the system's data
    folders: data_dirs, or the machine's own when None."""
    work = tempfile.mkdtemp(prefix="orlaneva-installed-")
    program = Program(executable, work)
    user_data = os.path.join(work, "data")
    os.makedirs(user_data)
    program.env["XDG_DATA_HOME"] = user_data
    if data_dirs is not None:
        program.env["XDG_DATA_DIRS"] = data_dirs
    else:
        program.env.pop("XDG_DATA_DIRS", None)
    desk = Desktop(program)
    pictures = Screenshots(shots)
    try:
        desk.start(SPLASH)
        _, main = desk.wait_window(MAIN, timeout=20)
        desk.expect_windows(["Orlaneva. - Presentación."])
        desk.measure_scale(main)
        pictures.take("main")
        desk.click(main, EXIT_BUTTON)
        status = program.wait(15)
        if status != 0:
            raise Failure(f"the installed program ended with status {status}")
        if program.opened():
            raise Failure(f"unexpected hand-overs to xdg-open: {program.opened()}")
    except Exception:
        try:
            pictures.take("failure")
        except Exception:
            pass
        program.kill()
        if program.process:
            print("program output:\n" + program.output(), file=sys.stderr)
        print(f"screenshots kept in {shots}", file=sys.stderr)
        raise
    finally:
        shutil.rmtree(work, ignore_errors=True)
    pictures.discard()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cmake")
    parser.add_argument("--cpack")
    parser.add_argument("--build")
    parser.add_argument("--sample", choices=["ON", "OFF"])
    parser.add_argument("--run", help="an installed bin/orlaneva to start")
    parser.add_argument("--shots", default=os.path.abspath("install-shots"))
    args = parser.parse_args()
    try:
        if args.run:
            with VirtualDisplay():
                start_and_close(args.run, args.shots)
            print(f"{args.run} started and ended with status 0")
            return 0
        if args.cpack and args.build and args.sample:
            check_deb(args.cpack, args.build, sample=args.sample == "ON")
            print("the Debian package holds the program and depends on its libraries")
            return 0
        if not (args.cmake and args.build and args.sample):
            parser.error("--cmake or --cpack, --build and --sample go together")
        root = tempfile.mkdtemp(prefix="orlaneva-install-")
        try:
            prefix = os.path.join(root, "usr")
            install(args.cmake, args.build, prefix)
            check_layout(prefix, sample=args.sample == "ON")
            install(args.cmake, args.build, prefix, component="sample")
            check_layout(prefix, sample=True)
            with VirtualDisplay():
                start_and_close(os.path.join(prefix, "bin", "orlaneva"), args.shots,
                                data_dirs=os.path.join(prefix, "share") + ":/usr/share")
        finally:
            shutil.rmtree(root, ignore_errors=True)
    except Failure as error:
        print(f"FAILED: {error}", file=sys.stderr)
        return 1
    print("install layout checked; the installed program started and ended with status 0")
    return 0


if __name__ == "__main__":
    sys.exit(main())

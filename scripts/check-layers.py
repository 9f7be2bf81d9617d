#!/usr/bin/env python3
"""Rejects an include in src/ that points up or sideways in the order of src/layers.txt.

Usage: check-layers.py [ROOT]   (ROOT holds src/; the repository by default)
Prints one line per wrong include and exits 1 if there is any.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def read_layers(path):
    level = {}
    allowed = set()
    line_no = 0
    for raw in path.read_text(encoding="utf-8").splitlines():
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        if line.startswith("allow "):
            who, _, header = line[len("allow "):].partition("->")
            if not header.strip():
                sys.exit(f"{path}: an allow line needs '-> header': {raw}")
            for folder in who.split():
                allowed.add((folder, header.strip()))
            continue
        for folder in line.split():
            if folder in level:
                sys.exit(f"{path}: {folder} is listed twice")
            level[folder] = line_no
        line_no += 1
    return level, allowed


def unit_of(relative):
    # src/main.cpp is a layer of its own; every other file belongs to its first folder.
    return relative.parts[0] if len(relative.parts) > 1 else relative.name


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    src = root / "src"
    level, allowed = read_layers(src / "layers.txt")
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".cpp", ".h") or not path.is_file():
            continue
        relative = path.relative_to(src)
        unit = unit_of(relative)
        if unit not in level:
            faults.append(f"{relative}: {unit} has no line in src/layers.txt")
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        for match in INCLUDE.finditer(text):
            header = match.group(1)
            target = header.split("/", 1)[0] if "/" in header else None
            if target is None or target == unit or target not in level:
                continue
            if level[target] < level[unit] or (unit, header) in allowed:
                continue
            line = text.count("\n", 0, match.start()) + 1
            way = "sideways" if level[target] == level[unit] else "up"
            faults.append(f"src/{relative}:{line}: includes {header}, which points {way}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Checks every #include in source/ against the layer map in README.md (the ```layers block).

Usage: check-layers.py [ROOT]   (ROOT: the tree's root, by default the one holding this script)
Prints one line per include that runs against the map and exits 1 when there is any, 2 when the map
itself cannot be read.

The map lists layers in order, one a line: a name, its folders, then optionally "libs:" with the
in-house libraries its files may include (gp, uia, ngl, ab; "gp-win32": gp from _win32 files only) and
"+" with single headers of later layers its files may include; an indented line continues the one
above. A file may include headers of its own
layer, of earlier layers, and those named. The files of later folders that the sound core builds
(MORVANE_*_CORE_NAMES in source/CMakeLists.txt) are held to the core's layer.
"""
import os
import re
import sys

LIBRARIES = {"gp": "gp/src", "uia": "uia/src", "ngl": "ngl/src", "ab": "ab/src"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def read_map(root):
    text = open(os.path.join(root, "README.md"), encoding="utf-8").read()
    m = re.search(r"^```layers\n(.*?)^```", text, re.S | re.M)
    if not m:
        raise ValueError("README.md has no ```layers block")
    layers = []  # (name, folders, libs, extra headers)
    lines = []
    for line in m.group(1).splitlines():
        if line[:1].isspace() and lines:
            lines[-1] += " " + line.strip()  # an indented line continues the layer above
        elif line.strip():
            lines.append(line)
    for line in lines:
        rest, _, extra = line.partition("+")
        rest, _, libs = rest.partition("libs:")
        words = rest.split()
        if len(words) < 2:
            raise ValueError("layer line without folders: " + line)
        layers.append((words[0], words[1:], libs.split(), extra.split()))
    return layers


def core_files(root):
    """Stems (folder/name) of files in later folders that the sound core builds."""
    text = open(os.path.join(root, "source", "CMakeLists.txt"), encoding="utf-8").read()
    stems = set()
    for folder, names in re.findall(r"set\(MORVANE_([A-Z]+)_CORE_NAMES([^)]*)\)", text):
        for name in names.split():
            stems.add(folder.lower() + "/" + os.path.splitext(name)[0])
    return stems


def library_headers(root):
    found = {}
    for lib, path in LIBRARIES.items():
        for _, _, files in os.walk(os.path.join(root, path)):
            for f in files:
                found.setdefault(f, lib)
    return found


def check(root):
    layers = read_map(root)
    rank = {}
    for i, (name, folders, _, _) in enumerate(layers):
        for folder in folders:
            if folder in rank:
                raise ValueError("folder in two layers: " + folder)
            rank[folder] = i
    core_rank = next((i for i, l in enumerate(layers) if l[0] == "core"), None)
    in_core = core_files(root)
    libs = library_headers(root)
    source = os.path.join(root, "source")
    faults = []
    for folder in sorted(os.listdir(source)):
        path = os.path.join(source, folder)
        if not os.path.isdir(path):
            continue
        if folder not in rank:
            faults.append("source/%s: folder missing from the layer map" % folder)
            continue
        names = sorted(os.path.relpath(os.path.join(d, f), path) for d, _, fs in os.walk(path) for f in fs)
        for name in names:
            if not name.endswith((".h", ".cpp", ".c")):
                continue
            stem = folder + "/" + os.path.splitext(name)[0]
            r = rank[folder]
            if stem in in_core and core_rank is not None:
                r = core_rank
            allowed_libs = set(layers[r][2])
            if name.endswith(("_win32.cpp", "_win32.c")) and "gp-win32" in allowed_libs:
                allowed_libs.add("gp")
            extra = set(layers[r][3])
            lines = open(os.path.join(path, name), encoding="utf-8", errors="replace").read().splitlines()
            for n, line in enumerate(lines, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                target = m.group(1)
                where = "source/%s/%s:%d: %s" % (folder, name, n, target)
                if "/" in target:
                    top, header = target.split("/", 1)
                    if top not in rank:
                        continue  # a generated or outside header
                    header_stem = top + "/" + os.path.splitext(header)[0]
                    if target in extra:
                        continue
                    if r == core_rank and header_stem in in_core:
                        continue  # the core's own files in later folders
                    if rank[top] > r:
                        faults.append("%s: layer %s may not include layer %s" % (where, layers[r][0],
                                                                                  layers[rank[top]][0]))
                elif target in libs and libs[target] not in allowed_libs:
                    faults.append("%s: layer %s may not include the %s library" % (where, layers[r][0],
                                                                                     libs[target]))
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    try:
        faults = check(root)
    except (OSError, ValueError) as e:
        print("layer map: %s" % e)
        return 2
    for f in faults:
        print(f)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Fails when a folder of src/ includes a folder above it.

The layers, lowest first:
    platform < core < {network, statistics} < capture < {contacts, statswindow} < popup < config
    < mainwindow < app
A folder's ui/ sits just above its own logic (core/ui is above core and below network). Folders on one
level may include each other one way only. A lower folder that needs something of a higher one offers a
hook (core/WindowLinks.h, core/ProgramLinks.h) that the higher one sets.

Usage: check-layers.py [project folder]   (default: the folder above this script)
Exit 0 when every include goes down or sideways one way, 1 otherwise."""
import collections
import os
import re
import sys

RANK = {"platform": 0, "core": 1, "network": 2, "statistics": 2, "capture": 3, "contacts": 4, "statswindow": 4,
        "popup": 5, "config": 6, "mainwindow": 7, "app": 8}
INCLUDE = re.compile(r'\s*#\s*include\s+"([^"]+)"')


def folder(path):
    """The layer folder of a path relative to src/: "core", "core/ui" ..."""
    parts = path.split("/")
    if len(parts) >= 3 and parts[1] == "ui":
        return parts[0] + "/ui"
    return parts[0]


def level(name):
    rank = RANK.get(name.split("/")[0])
    if rank is None:
        return None
    return rank * 2 + (1 if name.endswith("/ui") else 0)


def include_edges(src):
    """(including folder, included folder) -> number of include lines."""
    edges = collections.Counter()
    for directory, _, files in os.walk(src):
        for name in files:
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(directory, name)
            me = folder(os.path.relpath(path, src).replace(os.sep, "/"))
            with open(path, errors="replace") as f:
                for line in f:
                    m = INCLUDE.match(line)
                    if not m or "/" not in m.group(1):
                        continue
                    other = folder(m.group(1))
                    if other != me:
                        edges[(me, other)] += 1
    return edges


def back_edges(edges):
    found, unknown = [], set()
    for (a, b), count in sorted(edges.items()):
        la, lb = level(a), level(b)
        for name, lv in ((a, la), (b, lb)):
            if lv is None:
                unknown.add(name)
        if la is None or lb is None:
            continue
        if lb > la:
            found.append("%s -> %s (%d includes)" % (a, b, count))
        elif lb == la and (b, a) in edges and a < b:
            found.append("%s <-> %s (%d and %d includes)" % (a, b, count, edges[(b, a)]))
    return found, unknown


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    src = os.path.join(root, "src")
    if not os.path.isdir(src):
        print("check-layers: no src folder in %s" % root, file=sys.stderr)
        return 2
    edges = include_edges(src)
    found, unknown = back_edges(edges)
    for edge in found:
        print("check-layers: back-edge %s" % edge, file=sys.stderr)
    if unknown:
        print("check-layers: folders outside the layer list (not judged): %s" % ", ".join(sorted(unknown)),
              file=sys.stderr)
    if found:
        print("check-layers: %d back-edges; a lower folder offers a hook instead of including a higher one"
              % len(found), file=sys.stderr)
        return 1
    print("check-layers: ok (%d folder edges, none upwards)" % len(edges))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

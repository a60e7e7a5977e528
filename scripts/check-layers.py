#!/usr/bin/env python3
"""Fails when a folder of src/ includes a folder above it.

The layers, lowest first:
    platform < core < {network, statistics} < capture < {contacts, statswindow} < popup < config
    < mainwindow < app
A folder's ui/ sits just above its own logic (core/ui is above core and below network). Folders on one
level may include each other one way only. A lower folder that needs something of a higher one offers a
hook (core/WindowLinks.h, core/ProgramLinks.h) that the higher one sets.

A logic folder (any folder of src/ but a ui/ folder and app/) holds no widget: it includes no header of Qt's
widget modules (QtWidgets, and those built on it) and no header of a ui/ folder. A box, a menu or a dialog, and
the exec() that runs its loop, can then stand only where scripts/check-yields.sh looks at every exec(). Nor does
it hold a drag, QtGui's though it is: its exec() runs a loop of its own, and whatever name reaches it, the type is
named somewhere in the folder (a parameter, a declaration, an alias) or included.

Usage: check-layers.py [project folder] [Qt's header folder]
    (defaults: the folder above this script; the folder qtpaths6 or qmake6 names)
Exit 0 when every include goes down or sideways one way and no logic folder holds a widget, 1 otherwise."""
import collections
import os
import re
import subprocess
import sys

RANK = {"platform": 0, "core": 1, "network": 2, "statistics": 2, "capture": 3, "contacts": 4, "statswindow": 4,
        "popup": 5, "config": 6, "mainwindow": 7, "app": 8}
INCLUDE = re.compile(r'\s*#\s*include\s+"([^"]+)"')
ANY_INCLUDE = re.compile(r'\s*#\s*include\s*[<"]([^>"]+)[>"]')
# QtGui's drag: its class, and its header by either of its names.
DRAG = re.compile(r'\bQDrag\b')
DRAG_HEADERS = {"qdrag", "qdrag.h"}
# What is no code: comments, and the texts of string and character literals.
NOT_CODE = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)
# Qt's modules whose classes are widgets or need them; any other module named "...Widgets" counts too.
WIDGET_MODULES = {"QtWidgets", "QtPrintSupport", "QtCharts"}


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


def is_widget_module(name):
    return name in WIDGET_MODULES or (name.startswith("Qt") and name.endswith("Widgets"))


def qt_header_folder():
    """Where Qt's module folders are, as the installed Qt tools say; None when none answers."""
    for tool in (["qtpaths6", "--query", "QT_INSTALL_HEADERS"], ["qmake6", "-query", "QT_INSTALL_HEADERS"],
                 ["qtpaths", "--query", "QT_INSTALL_HEADERS"], ["qmake", "-query", "QT_INSTALL_HEADERS"]):
        try:
            out = subprocess.run(tool, capture_output=True, text=True, timeout=30).stdout.strip()
        except (OSError, subprocess.SubprocessError):
            continue
        if out and os.path.isdir(os.path.join(out, "QtCore")):
            return out
    return None


def widget_headers(qt):
    """The header names ("QMenu", "qmenu.h") that only a widget module of Qt has: a name another module has
    too (QAction, which QtWidgets still forwards to QtGui) is no widget."""
    widget, other = set(), set()
    for module in os.listdir(qt):
        path = os.path.join(qt, module)
        if not module.startswith("Qt") or not os.path.isdir(path):
            continue
        names = {n for n in os.listdir(path) if os.path.isfile(os.path.join(path, n))}
        (widget if is_widget_module(module) else other).update(names)
    return widget - other


def logic_files(src):
    """(path, path below src) of each source file in a logic folder: neither a ui/ folder nor app/."""
    for directory, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(directory, name)
            rel = os.path.relpath(path, src).replace(os.sep, "/")
            me = folder(rel)
            if not (me.endswith("/ui") or me == "app"):
                yield path, rel


def widget_includes(src, headers):
    """(file, line number, included name) for each include of a widget in a logic folder."""
    found = []
    for path, rel in logic_files(src):
        with open(path, errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = ANY_INCLUDE.match(line)
                if not m:
                    continue
                included = m.group(1)
                parts = included.split("/")
                if (is_widget_module(parts[0]) or (len(parts) == 1 and included in headers)
                        or "ui" in parts[:-1]):
                    found.append(("src/" + rel, number, included))
    return found


def code_only(text):
    """The text with its comments and literals blanked, every line kept where it was."""
    return NOT_CODE.sub(lambda m: re.sub(r"[^\n]", " ", m.group(0)), text)


def drag_uses(src):
    """(file, line number, what) for each include or naming of QtGui's drag in a logic folder."""
    found = []
    for path, rel in logic_files(src):
        with open(path, errors="replace") as f:
            text = f.read()
        for number, line in enumerate(text.split("\n"), 1):
            m = ANY_INCLUDE.match(line)
            if m and m.group(1).split("/")[-1].lower() in DRAG_HEADERS:
                found.append(("src/" + rel, number, "includes " + m.group(1)))
        for number, line in enumerate(code_only(text).split("\n"), 1):
            if not ANY_INCLUDE.match(line) and DRAG.search(line):
                found.append(("src/" + rel, number, "names QDrag"))
    return found


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    src = os.path.join(root, "src")
    if not os.path.isdir(src):
        print("check-layers: no src folder in %s" % root, file=sys.stderr)
        return 2
    qt = argv[2] if len(argv) > 2 else qt_header_folder()
    if not qt or not os.path.isdir(qt):
        print("check-layers: Qt's header folder cannot be found (give it as the second argument)", file=sys.stderr)
        return 2
    edges = include_edges(src)
    found, unknown = back_edges(edges)
    for edge in found:
        print("check-layers: back-edge %s" % edge, file=sys.stderr)
    widgets = widget_includes(src, widget_headers(qt))
    for path, number, included in widgets:
        print("check-layers: widget in a logic folder: %s:%d includes %s" % (path, number, included), file=sys.stderr)
    drags = drag_uses(src)
    for path, number, what in drags:
        print("check-layers: drag in a logic folder: %s:%d %s" % (path, number, what), file=sys.stderr)
    if unknown:
        print("check-layers: folders outside the layer list (not judged): %s" % ", ".join(sorted(unknown)),
              file=sys.stderr)
    if found:
        print("check-layers: %d back-edges; a lower folder offers a hook instead of including a higher one"
              % len(found), file=sys.stderr)
    if widgets:
        print("check-layers: %d widget includes outside the ui and app folders; a window belongs in its folder's "
              "ui/" % len(widgets), file=sys.stderr)
    if drags:
        print("check-layers: %d drags outside the ui and app folders; a drag and its loop belong in a window"
              % len(drags), file=sys.stderr)
    if found or widgets or drags:
        return 1
    print("check-layers: ok (%d folder edges, none upwards; no widget or drag in a logic folder)" % len(edges))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

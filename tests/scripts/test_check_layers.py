#!/usr/bin/env python3
"""The folder check (scripts/check-layers.py) on small src/ trees made for the purpose, and on the project's own.

Usage: test_check_layers.py <check-layers.py> <project folder>"""
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = None
PROJECT = None


def run_check(root, qt=None):
    return subprocess.run([sys.executable, SCRIPT, root] + ([qt] if qt else []), capture_output=True, text=True)


def fake_qt(test):
    """A Qt header folder of a few modules: QAction is in QtGui and, forwarded, in QtWidgets too."""
    qt = tempfile.TemporaryDirectory()
    test.addCleanup(qt.cleanup)
    for module, names in {"QtCore": ["QString", "QObject"],
                          "QtGui": ["QtGui", "QAction", "qaction.h", "QFont", "QDrag", "qdrag.h"],
                          "QtWidgets": ["QtWidgets", "QMenu", "qmenu.h", "QAction", "qaction.h", "QWidget"],
                          "QtCharts": ["QChartView"], "QtPrintSupport": ["QPrintDialog"],
                          "QtMultimediaWidgets": ["QVideoWidget"]}.items():
        os.makedirs(os.path.join(qt.name, module))
        for name in names:
            open(os.path.join(qt.name, module, name), "w").close()
    return qt.name


class CheckLayers(unittest.TestCase):
    def tree(self, files):
        """A project folder whose src/ holds the files (relative path -> include lines)."""
        root = tempfile.TemporaryDirectory()
        self.addCleanup(root.cleanup)
        for path, includes in files.items():
            full = os.path.join(root.name, "src", path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as f:
                f.write("#pragma once\n")
                for name in includes:
                    f.write("#include %s\n" % (name if name.startswith("<") else '"%s"' % name))
                f.write("#include <QString>\n")
        return root.name

    def assertClean(self, files):
        result = run_check(self.tree(files))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotIn("back-edge", result.stderr)

    def assertBackEdge(self, files, edge):
        result = run_check(self.tree(files))
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertIn("back-edge " + edge, result.stderr)

    def test_downward_includes_pass(self):
        self.assertClean({
            "platform/Clock.h": [],
            "core/modMain.cpp": ["platform/Clock.h", "core/modMain.h"],
            "core/ui/modMainGui.cpp": ["core/modMain.h", "platform/Clock.h"],
            "network/clsServer.cpp": ["core/modMain.h"],
            "statistics/modStatistics.cpp": ["network/clsServer.h"],  # sideways, one way only
            "network/ui/frmWaiting.cpp": ["core/ui/modMainGui.h", "network/clsServer.h"],
            "capture/CallHandler.cpp": ["network/clsServer.h", "statistics/modStatistics.h"],
            "config/ui/frmOneTimeSetup.cpp": ["popup/ui/frmMiniDisplay.h"],
            "app/StartUp.cpp": ["mainwindow/ui/frmBaseMain.h", "config/ui/frmOneTimeSetup.h"],
        })

    def test_store_reaching_the_server_fails(self):
        self.assertBackEdge({
            "core/modContactDB.cpp": ["network/clsServer.h", "platform/Clock.h"],
            "network/clsServer.h": [],
        }, "core -> network")

    def test_logic_including_its_own_ui_fails(self):
        self.assertBackEdge({"popup/MiniDisplay.cpp": ["popup/ui/frmMiniDisplay.h"]}, "popup -> popup/ui")

    def test_ui_of_a_lower_folder_including_a_higher_logic_fails(self):
        # core/ui is just above core, below network.
        self.assertBackEdge({"core/ui/modMainGui.cpp": ["network/clsRemoteSocket.h"]}, "core/ui -> network")

    def test_window_including_the_composition_root_fails(self):
        self.assertBackEdge({"mainwindow/ui/frmBaseMain.cpp": ["app/StartUp.h"]}, "mainwindow/ui -> app")

    def test_sideways_both_ways_fails(self):
        self.assertBackEdge({
            "network/clsServer.cpp": ["statistics/modStatistics.h"],
            "statistics/modStatistics.cpp": ["network/clsServer.h"],
        }, "network <-> statistics")

    def test_unknown_folders_are_named_not_judged(self):
        result = run_check(self.tree({"extras/Thing.cpp": ["app/StartUp.h"], "core/X.cpp": ["extras/Thing.h"]}))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("extras", result.stderr)

    def test_a_widget_in_a_logic_folder_fails(self):
        # Whatever its variable is called: the menu's header is what gives it away.
        for path, include in [("capture/A.cpp", "<QMenu>"), ("core/A.h", "<QtWidgets>"),
                              ("network/A.cpp", "<QtWidgets/QWidget>"), ("statistics/A.cpp", "<qmenu.h>"),
                              ("mainwindow/A.cpp", "<QChartView>"), ("contacts/A.cpp", "<QtPrintSupport/QPrintDialog>"),
                              ("popup/A.cpp", "<QVideoWidget>"), ("mainwindow/A.cpp", "core/ui/ProgressWindow.h"),
                              ("core/deeper/A.cpp", "<QMenu>")]:
            with self.subTest(path=path, include=include):
                root = self.tree({path: [include], "core/ui/ProgressWindow.h": []})
                with open(os.path.join(root, "src", path), "a") as f:
                    f.write("void f() { QMenu m; m.exec(QCursor::pos()); }\n")
                result = run_check(root, fake_qt(self))
                self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
                self.assertIn("widget in a logic folder: src/%s:2 includes %s" % (path, include.strip("<>")),
                              result.stderr)

    def test_widgets_in_the_ui_and_app_folders_pass(self):
        result = run_check(self.tree({
            "capture/ui/A.cpp": ["<QMenu>", "<QtWidgets/QWidget>"], "app/StartUp.cpp": ["<QtWidgets>"],
            "core/ui/B.cpp": ["<qmenu.h>", "<QChartView>"],
            # QAction is QtGui's, whatever QtWidgets still forwards.
            "core/A.cpp": ["<QAction>", "<qaction.h>", "<QFont>", "<QString>", "platform/Clock.h"],
            "platform/Clock.h": []}), fake_qt(self))
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_a_drag_in_a_logic_folder_fails(self):
        # By its header, or by its type wherever it is named: a parameter handed on to a second name, an alias.
        probe = "Qt::DropAction probe(QDrag* drag) { auto* held = drag; return held->exec(); }"
        for path, include, code, line, what in [
                ("core/A.cpp", "<QDrag>", "", 2, "includes QDrag"),
                ("capture/A.cpp", "<QtGui/QDrag>", "", 2, "includes QtGui/QDrag"),
                ("network/A.h", "<qdrag.h>", "", 2, "includes qdrag.h"),
                ("core/A.cpp", "<QtGui>", "class QDrag;\n" + probe, 4, "names QDrag"),
                ("core/A.cpp", "<QtGui>", "// the loop\n" + probe, 5, "names QDrag"),
                ("statistics/A.h", "<QtGui>", "using Carry = QDrag;", 4, "names QDrag"),
                ("core/deeper/A.cpp", "<QtGui>", "void f(QObject* s) { auto* d = new QDrag(s); d->exec(); }", 4,
                 "names QDrag")]:
            with self.subTest(path=path, code=code or include):
                root = self.tree({path: [include]})
                with open(os.path.join(root, "src", path), "a") as f:
                    f.write(code + "\n")
                result = run_check(root, fake_qt(self))
                self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
                self.assertIn("drag in a logic folder: src/%s:%d %s" % (path, line, what), result.stderr)

    def test_a_drag_in_a_window_folder_or_in_words_passes(self):
        root = self.tree({"mainwindow/ui/A.cpp": ["<QDrag>"], "app/A.cpp": ["<QtGui/QDrag>"],
                          "core/A.cpp": ["<QtGui>"], "platform/A.h": []})
        for path, code in [("mainwindow/ui/A.cpp", "void f(QDrag* d) { d->exec(); }"),
                           ("core/A.cpp", '// no QDrag here\nconst char* t = "QDrag"; char c = \'"\';\n'
                                          "void f(QDragEnterEvent* e);"),
                           ("platform/A.h", "/* a QDrag\n   would run a loop */")]:
            with open(os.path.join(root, "src", path), "a") as f:
                f.write(code + "\n")
        result = run_check(root, fake_qt(self))
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_the_project_itself_passes(self):
        result = run_check(PROJECT)
        self.assertEqual(result.returncode, 0, result.stderr)


if __name__ == "__main__":
    SCRIPT, PROJECT = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)

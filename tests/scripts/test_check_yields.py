#!/usr/bin/env python3
"""The event-loop check (scripts/check-yields.sh) on src/ trees of one-line files.

Usage: test_check_yields.py <check-yields.sh>"""
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = None
ALLOWED = "    answered.exec(QEventLoop::DialogExec);"  # one line of platform/ui/ModalDialog.cpp
LOOPS = [("core/A.cpp", "QEventLoop wait;"), ("core/A.cpp", "QEventLoop().exec();"),
         ("core/A.cpp", "auto* l = new QEventLoop(this);"), ("core/A.h", "std::unique_ptr<QEventLoop> m_loop;"),
         ("core/A.cpp", "connect(x, &X::done, &l, &QEventLoop::quit);"), ("core/A.cpp", "qApp->processEvents();"),
         ("core/A.cpp", "qApp->sendPostedEvents();"), ("network/A.cpp", "socket.waitForReadyRead(100);"),
         ("core/A.cpp", "QTest::qWait(10);"), ("config/ui/A.cpp", "dialog->exec();"),
         ("mainwindow/ui/A.cpp", "menu.exec(QCursor::pos());"), ("mainwindow/ui/A.cpp", "drag->exec(Qt::MoveAction);"),
         ("core/A.cpp", "QMessageBox::warning(nullptr, title, text);"),
         ("statistics/A.cpp", "const auto answer = QMessageBox::question(w, title, text);"),
         ("network/A.cpp", "const QString f = QFileDialog::getOpenFileName(w);"),
         ("core/A.cpp", "const QString t = QInputDialog::getText(w, title, label);"),
         ("capture/A.cpp", "const QColor c = QColorDialog::getColor();"), ("core/A.cpp", "box->exec();"),
         ("statistics/A.cpp", "menu.exec(pos);"), ("network/A.cpp", "QProgressDialog progress(text, {}, 0, 9);"),
         # A loop of a type a logic folder may hold, on a later line, through a name that says nothing of it.
         ("capture/A.cpp", "QDrag d(source);\n    d.exec(Qt::CopyAction);"),
         ("core/A.cpp", "auto* app = QCoreApplication::instance();\n    app->exec();"),
         ("network/A.cpp", "QCoreApplication::exec();")]


def check(files):
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, "src", path)), exist_ok=True)
            with open(os.path.join(root, "src", path), "w") as f:
                f.write(text + "\n")
        return subprocess.run(["bash", SCRIPT, root], capture_output=True, text=True)


class CheckYields(unittest.TestCase):
    def test_every_form_of_a_loop_is_found(self):
        for path, line in LOOPS:
            with self.subTest(line=line):
                self.assertIn(line.split("\n")[-1], check({path: "    " + line}).stderr)

    def test_an_allowed_line_allows_no_other_line_of_its_file(self):
        self.assertEqual(check({"platform/ui/ModalDialog.cpp": ALLOWED,
                                "core/Db.cpp": "    auto* app = QCoreApplication::instance();\n    st.exec();",
                                "core/L.h": "void yield(QEventLoop::ProcessEventsFlags flags);",
                                "platform/ui/Box.cpp": "    QMessageBox::showEvent(event);"}).returncode, 0)
        result = check({"platform/ui/ModalDialog.cpp": ALLOWED + "\nQEventLoop w;"})
        self.assertIn("ModalDialog.cpp:2:", result.stderr)


if __name__ == "__main__":
    SCRIPT = sys.argv[1]
    unittest.main(argv=sys.argv[:1], verbosity=2)

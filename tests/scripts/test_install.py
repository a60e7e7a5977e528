#!/usr/bin/env python3
"""What `cmake --install` puts beside the program: the bundled sounds and the help, where the installed program
looks for them (share/velquon beside its bin folder), and what a desktop needs to list it: an application
entry and the icon in the freedesktop theme sizes.

Usage: test_install.py <build folder>"""
import os
import subprocess
import sys
import tempfile
import unittest

BUILD = None


class Install(unittest.TestCase):
    def test_help_and_sounds_beside_the_program(self):
        with tempfile.TemporaryDirectory() as prefix:
            done = subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix], capture_output=True, text=True)
            if "development build" in (done.stdout + done.stderr).lower():
                self.skipTest("a development build cannot be installed")
            self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            data = os.path.join(prefix, "share", "velquon")
            self.assertTrue(os.path.isfile(os.path.join(prefix, "bin", "velquon")))
            self.assertTrue(os.path.isdir(os.path.join(data, "Sounds")))
            help_file = os.path.join(data, "help", "Velquon.html")
            self.assertTrue(os.path.isfile(help_file))
            with open(help_file, encoding="utf-8") as f:
                self.assertIn("<title>Velquon Help</title>", f.read())

    def test_desktop_entry_and_icons(self):
        with tempfile.TemporaryDirectory() as prefix:
            done = subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix], capture_output=True, text=True)
            if "development build" in (done.stdout + done.stderr).lower():
                self.skipTest("a development build cannot be installed")
            self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            share = os.path.join(prefix, "share")
            entry_file = os.path.join(share, "applications", "velquon.desktop")
            self.assertTrue(os.path.isfile(entry_file))
            with open(entry_file, encoding="utf-8") as f:
                lines = f.read().splitlines()
            self.assertEqual(lines[0], "[Desktop Entry]")
            self.assertIn("Type=Application", lines)
            self.assertIn("Icon=velquon", lines)
            execs = [line for line in lines if line.startswith("Exec=")]
            self.assertEqual(len(execs), 1)
            # The entry starts the installed program (the prefix the build was configured for).
            self.assertTrue(execs[0][len("Exec="):].strip('"').endswith("/bin/velquon"), execs[0])
            for size in (16, 22, 24, 32, 48, 64, 128, 256):
                icon = os.path.join(share, "icons", "hicolor", "%dx%d" % (size, size), "apps", "velquon.png")
                self.assertTrue(os.path.isfile(icon), icon)
                with open(icon, "rb") as f:
                    head = f.read(24)
                self.assertEqual(head[:8], b"\x89PNG\r\n\x1a\n", icon)
                width = int.from_bytes(head[16:20], "big")
                height = int.from_bytes(head[20:24], "big")
                self.assertEqual((width, height), (size, size), icon)


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main()

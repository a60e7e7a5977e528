#!/usr/bin/env python3
"""What `cmake --install` puts beside the program: the bundled sounds and the help, where the installed program
looks for them (share/velquon beside its bin folder).

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


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main()

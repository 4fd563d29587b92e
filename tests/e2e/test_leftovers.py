"""Installed from a CD (the medium as a pressed disc in drive D:, every file read-only), then
removed: no copy stays read-only, the removal leaves exactly the list a hard-disk installation
leaves (docs/leftovers.md, written by test_lifecycle.py), and installing again goes as the
first time."""
import unittest

from bench.flows import installed, read_only_files, removed
from bench.leftovers import documented, left_behind, snapshot
from bench.session import Session


class FromACd(unittest.TestCase):
    def check(self, version):
        with Session("leftovers-%s-cd" % version, version, cd=True) as win:
            before = snapshot(win)
            installed(win, "LPT1")
            self.assertEqual(read_only_files(win), [])
            removed(win)
            self.maxDiff = None
            self.assertEqual(left_behind(before, snapshot(win)), sorted(documented(version), key=str.lower))
            again = installed(win, "LPT1")
            self.assertEqual(len(again.transcript.boxes()), 1, "only the restart question")
            self.assertEqual(read_only_files(win), [])

    def test_windows_xp(self):
        self.check("winxp")

    def test_windows_98(self):
        self.check("win98")


if __name__ == "__main__":
    unittest.main()

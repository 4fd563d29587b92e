"""Installed from a CD (the medium as a pressed disc in drive D:, every file read-only), then
removed: no copy stays read-only, the removal leaves exactly the list a hard-disk installation
leaves (docs/leftovers.md, written by test_lifecycle.py), and installing again goes as the
first time.

Then installed again over what the removal kept, read-only and with other content, as an
earlier package installed from a CD leaves it: the new copies replace every one (a plain user
cannot write through a read-only file), and the removal after leaves what it leaves on a clean
machine."""
import os
import unittest

from bench.flows import installed, read, read_only_files, removed
from bench.leftovers import documented, left_behind, snapshot
from bench.session import Session

PRODUCT_FOLDER = ["C:\\windows\\KYR-730\\" + f for f in
                  ("KYRPOS730_Uninstaller.exe", "Unhook_A.dll", "Unhook_B.dll")]
EARLIER_PACKAGE = {
    "winxp": PRODUCT_FOLDER + ["C:\\windows\\" + f for f in
                               ("MON730.DLL", "KYR730E.DLL", "UI730.DLL", "UI730.INI", "KYR730E.GPD")],
    # The universal driver's files are left out: the overwrite policy may rightly keep them.
    "win98": PRODUCT_FOLDER + ["C:\\windows\\KYR-730\\usb\\" + f for f in
                               ("dmcolor.dll", "iconlib.dll", "KYR730E.DRV", "MON730.DLL", "PRO730.DLL",
                                "usbmon.dll")]
    + ["C:\\windows\\system32\\MON730.DLL", "C:\\windows\\system32\\usbmon.dll",
       "C:\\windows\\cyclerun.exe",
       # What a run ended before placing the driver INF left; it must never block the INF.
       "C:\\windows\\inf\\kyr730.inf.new"],
}
EARLIER_CONTENT = b"an earlier package's copy"


class FromACd(unittest.TestCase):
    def check(self, version):
        with Session("leftovers-%s-cd" % version, version, cd=True) as win:
            before = snapshot(win)
            installed(win, "LPT1")
            self.assertEqual(read_only_files(win), [])
            removed(win)
            self.maxDiff = None
            self.assertEqual(left_behind(before, snapshot(win)), sorted(documented(version), key=str.lower))
            # What the removal kept, as an earlier package from a CD keeps it.
            earlier = EARLIER_PACKAGE[version]
            for windows_path in earlier:
                path = win.path(windows_path)
                with open(path, "wb") as f:
                    f.write(EARLIER_CONTENT)
                os.chmod(path, 0o444)
            again = installed(win, "LPT1")
            self.assertEqual(len(again.transcript.boxes()), 1, "only the restart question")
            self.assertEqual(read_only_files(win), [])
            self.assertEqual([p for p in earlier if win.exists(p) and read(win, p) == EARLIER_CONTENT], [])
            self.assertFalse(win.exists("C:\\windows\\inf\\kyr730.inf.new"))
            removed(win)
            self.assertEqual(left_behind(before, snapshot(win)), sorted(documented(version), key=str.lower))

    def test_windows_xp(self):
        self.check("winxp")

    def test_windows_98(self):
        self.check("win98")


if __name__ == "__main__":
    unittest.main()

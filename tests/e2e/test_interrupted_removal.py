"""The uninstaller ended as a power cut or the task manager would (wine taskkill /f) at each
of its status lines, then run again to its end: afterwards the machine must match an
installation followed by one uninterrupted removal leaves (docs/leftovers.md).

The default run covers representative points; every point runs with KYR_INTERRUPT_FULL=1
under the CTest label interrupt-full (README).
"""
import os
import time
import unittest

from bench.flows import installed, remove
from bench.leftovers import documented, left_behind, snapshot
from bench.product import PRODUCT, PRODUCT_UNINSTALLER, UNINSTALLER_CAPTION
from bench.session import Session

CAPTION = UNINSTALLER_CAPTION
UNINSTALLER = PRODUCT_UNINSTALLER

# Kill points: the status line (or "box" for the message box that ends the removal) and
# how long after it appeared. A pause after a line lands inside the work of that step:
# "Delete printer driver..." + 3 s is inside the NT module, between the driver's removal and
# the monitor's, while it waits for the spooler restart.
NT_POINTS = [("Checking OS...", 0), ("Delete printers...", 0), ("Delete printer driver...", 0),
             ("Delete printer driver...", 3), ("box", 0), ("Uninstall completed!", 0)]
W9X_POINTS = [("Checking OS...", 0), ("Delete printers...", 0), ("Delete printer driver...", 0),
              ("box", 0), ("Uninstall completed!", 0)]
DEFAULT_POINTS = {"winxp": [("Delete printer driver...", 3)], "win98": [("Delete printer driver...", 0)]}

def last_box(win):
    return "box No 120000" if win.version == "winxp" else "box OK 120000"


class Interrupted:
    """A removal interrupted at one point and run again."""

    def __init__(self, win):
        self.win = win

    def kill_at(self, line, delay):
        win = self.win
        # The box is left up when the kill is meant for it, else answered as a user would.
        answer = "box none 120000" if line == "box" else last_box(win)
        script = ['wait "%s" 60000' % CAPTION, 'watch "%s" 1000 1002' % CAPTION, "itemclick 1006 0",
                  "sleep 300", "click 1001", answer, "sleep 120000"]
        program = win.start(UNINSTALLER, cwd=PRODUCT)
        driving = win.drive_async(script)
        driver = driving.process
        try:
            seen = self.wait_for(driving, line, timeout=120)
            time.sleep(delay)
            win.tool("taskkill", "/f", "/im", "KYRPOS730_Uninstaller.exe")
            program.wait(timeout=60)
        finally:
            for proc in (driver, program):
                if proc.poll() is None:
                    proc.kill()
                proc.wait(timeout=30)
        # The module's "net" runs on its own; let it end before the machine is looked at.
        deadline = time.monotonic() + 60
        while win.processes("net.exe") and time.monotonic() < deadline:
            time.sleep(0.1)
        return seen

    @staticmethod
    def wait_for(driving, line, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            t = driving.transcript()
            if line == "box" and t.boxes():
                return t
            if any(e[1] == line for e in t.of("status")):
                return t
            time.sleep(0.02)
        raise AssertionError("never shown: %r" % line)


class InterruptedRemoval(unittest.TestCase):
    def check(self, version, points):
        for line, delay in points:
            with self.subTest(line=line, delay=delay):
                name = "interrupt-%s-%s-%d" % (version, line.strip(".!").replace(" ", "-").lower(), delay)
                with Session(name, version) as win:
                    before = snapshot(win)
                    installed(win)
                    Interrupted(win).kill_at(line, delay)
                    self.assertFalse(win.processes("KYRPOS730_Uninstaller"), "the uninstaller was ended")
                    rerun = remove(win)
                    self.assertIsNone(rerun.transcript.error, rerun.transcript.raw)
                    self.assertEqual(rerun.exit_code, 0)
                    self.maxDiff = None
                    self.assertEqual(left_behind(before, snapshot(win)), sorted(documented(version), key=str.lower),
                                     "after a kill at %r + %d s" % (line, delay))

    def test_nt(self):
        self.check("winxp", DEFAULT_POINTS["winxp"])

    def test_9x(self):
        self.check("win98", DEFAULT_POINTS["win98"])


@unittest.skipUnless(os.environ.get("KYR_INTERRUPT_FULL"), "the whole matrix runs under the label interrupt-full")
class FullMatrix(InterruptedRemoval):
    def test_nt(self):
        self.check("winxp", NT_POINTS)

    def test_9x(self):
        self.check("win98", W9X_POINTS)


if __name__ == "__main__":
    unittest.main()

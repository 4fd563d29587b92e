"""The uninstaller ended as a power cut or the task manager would (wine taskkill /f) at each
of its status lines, then run again to its end: afterwards the machine must match an
installation followed by one uninterrupted removal.

The default run covers representative points; every point runs with KYR_INTERRUPT_FULL=1
under the CTest label interrupt-full (README).
"""
import os
import subprocess
import time
import unittest

from bench.session import Windows
from bench.transcript import Transcript
from flows import INSTALLER, PORT_DIALOG, PORT_RADIO, PROGRESS

CAPTION = "KYR POS 730 uninstaller"
PRODUCT = "C:\\windows\\KYR-730"
UNINSTALLER = PRODUCT + "\\KYRPOS730_Uninstaller.exe"

# Kill points: the status line (or "box" for the message box that ends the removal) and
# how long after it appeared. A pause after a line lands inside the work of that step:
# "Delete printer driver..." + 3 s is inside the NT module, between the driver's removal and
# the monitor's, while it waits for the spooler restart.
NT_POINTS = [("Checking OS...", 0), ("Delete printers...", 0), ("Delete printer driver...", 0),
             ("Delete printer driver...", 3), ("box", 0), ("Uninstall completed!", 0)]
W9X_POINTS = [("Checking OS...", 0), ("Delete printers...", 0), ("Delete printer driver...", 0),
              ("box", 0), ("Uninstall completed!", 0)]
DEFAULT_POINTS = {"winxp": [("Delete printer driver...", 3)], "win98": [("Delete printer driver...", 0)]}

# What is compared: the spooler's objects, the registry trees the product writes to, and
# the folders its files go to.
KEYS = ["HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730",
        "HKLM\\SOFTWARE\\KYR_POS_PRINTER",
        "HKLM\\System\\CurrentControlSet\\Control\\Print",
        "HKLM\\System\\CurrentControlSet\\Enum"]
FOLDERS = ["C:\\windows\\system32\\spool", "C:\\windows\\inf", "C:\\windows\\KYR-730"]
FILES = ["C:\\windows\\system32\\MON730.DLL", "C:\\windows\\system32\\usbmon.dll"]


def listing(win, folder):
    root = win.find(folder)
    if root is None:
        return []
    out = []
    for base, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(base, name)
            rel = os.path.relpath(path, root).lower()
            out.append(rel + ("/" if os.path.isdir(path) else "|%d" % os.path.getsize(path)))
    return sorted(out)


def machine(win):
    state = {"spooler": [l for l in win.spooler() if not l.startswith("form|")]}
    for key in KEYS:
        state[key] = win.registry(key)
    for folder in FOLDERS:
        state[folder] = listing(win, folder)
    for path in FILES:
        state[path] = win.exists(path)
    return state


def install(win):
    script = ['wait "%s" 60000' % PROGRESS, 'wait "%s" 60000' % PORT_DIALOG,
              "click %d" % PORT_RADIO["LPT1"], "sleep 100", "click 1", "box No 120000",
              'gone "%s" 120000' % PROGRESS]
    if win.version == "win98":
        os.makedirs(win.path("C:\\windows\\system32\\spool\\prtprocs\\win40"), exist_ok=True)
    run = win.run(INSTALLER, script)
    assert run.exit_code == 0 and run.transcript.error is None, run.transcript.raw


def last_box(win):
    return "box No 120000" if win.version == "winxp" else "box OK 120000"


def full_removal(win):
    """One uninstaller run to its end, whatever an earlier run left: the printers listed
    are all ticked; with none the removal runs by itself or says there is nothing left."""
    spooler = win.spooler()
    printers = [l for l in spooler if l.startswith("printer|") and "|driver=KYR POS 730|" in l]
    driver = any(l.startswith("driver|") and "|KYR POS 730|" in l for l in spooler)
    if printers:
        script = ['wait "%s" 60000' % CAPTION] + ["itemclick 1006 %d" % i for i in range(len(printers))]
        script += ["sleep 300", "click 1001", last_box(win)]
    elif driver:
        script = [last_box(win)]
    else:
        script = ["box OK 60000"]
    script.append('gone "%s" 60000' % CAPTION)
    run = win.run(UNINSTALLER, script, cwd=PRODUCT)
    assert run.exit_code == 0 and run.transcript.error is None, run.transcript.raw
    return run


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
        script_path = win.path("C:\\bench\\interrupt.txt")
        with open(script_path, "w", newline="\r\n") as f:
            f.write("\n".join(script) + "\n")
        out_path = os.path.join(win.shots, "interrupt.txt")
        program = win.start(UNINSTALLER, cwd=PRODUCT)
        with open(out_path, "wb") as out:
            driver = subprocess.Popen(["wine", "C:\\bench\\guidriver.exe", "C:\\bench\\interrupt.txt"],
                                      env=win.env, stdout=out, stderr=subprocess.DEVNULL,
                                      stdin=subprocess.DEVNULL)
        try:
            seen = self.wait_for(out_path, line, timeout=120)
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
    def wait_for(out_path, line, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with open(out_path, "rb") as f:
                t = Transcript(f.read().decode("utf-8", "replace"))
            if line == "box" and t.boxes():
                return t
            if any(e[1] == line for e in t.of("status")):
                return t
            time.sleep(0.02)
        raise AssertionError("never shown: %r" % line)


REFERENCE = {}


class InterruptedRemoval(unittest.TestCase):
    def expected(self, version):
        """A clean installation followed by one full removal."""
        if version not in REFERENCE:
            with Windows("interrupt-reference-" + version, version) as win:
                install(win)
                full_removal(win)
                REFERENCE[version] = machine(win)
        return REFERENCE[version]

    def check(self, version, points):
        expected = self.expected(version)
        for line, delay in points:
            with self.subTest(line=line, delay=delay):
                name = "interrupt-%s-%s-%d" % (version, line.strip(".!").replace(" ", "-").lower(), delay)
                with Windows(name, version) as win:
                    install(win)
                    Interrupted(win).kill_at(line, delay)
                    self.assertFalse(win.processes("KYRPOS730_Uninstaller"), "the uninstaller was ended")
                    full_removal(win)
                    got = machine(win)
                    for part in expected:
                        self.assertEqual(got[part], expected[part], "%s after a kill at %r + %d s" %
                                         (part, line, delay))

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

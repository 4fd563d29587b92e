"""An installation ended at one of its status lines, as a power cut or the task manager ends
it, then run again to its end, then removed with the uninstaller. After every rerun a complete
uninstall entry must exist whose UninstallString starts a working uninstaller, and after the
removal the machine must hold what a clean installation followed by a full removal leaves
(docs/leftovers.md).

The default suite ends runs between the driver registration and the uninstall entry, where an
interrupted run used to leave a driver that could never be removed. The whole matrix (every
status line; NT on XP with LPT1 and USB, Windows 9x on 98) runs with KYR_INTERRUPT_FULL=1, under
the CTest label interrupt-full."""
import os
import unittest

from bench.flows import install, kill, printers, registry_values, remove, wait_for
from bench.leftovers import documented, explain, left_behind, snapshot
from bench.product import (INSTALLER, NT_LINES, PORT_DIALOG, PORT_RADIO, PROGRESS, UNINSTALL_KEY, W9X_LINES)
from bench.session import OUT_DIR, Session

# What the documented LPT1 installation leaves and a USB one, which adds no printer, does not.
PRINTER_LISTS = ["key HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices",
                 "key HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts"]


def interrupt_at(win, port, line):
    """Starts the installer on port and ends it as soon as its status line reads line.
    Returns the status lines it showed."""
    program = win.start(INSTALLER)
    driving = win.drive_async(['wait "%s" 60000' % PROGRESS, 'watch "%s" 1003 1000' % PROGRESS,
                                     'wait "%s" 60000' % PORT_DIALOG, "click %d" % PORT_RADIO[port], "sleep 100",
                                     "click 1", 'gone "%s" 120000' % PROGRESS])
    shown = wait_for(lambda: line in [s[0] for s in driving.transcript().status_lines()], 120, 0.02)
    kill(win)
    program.wait(60)
    driving.process.wait(150)
    assert shown, "the installer never showed %r" % line
    return driving.transcript().status_lines()


def complete_entry(test, win):
    """The uninstall entry has all its values and names an uninstaller that is there."""
    values = dict(registry_values(win, UNINSTALL_KEY))
    test.assertEqual(sorted(values), ["DisplayName", "InfFile", "KYR POS 730", "UninstallString"])
    command = values["UninstallString"][len("sz:"):]
    test.assertEqual(command.lower(), "c:\\windows\\kyr-730\\kyrpos730_uninstaller.exe")
    for name in ("KYRPOS730_Uninstaller.exe", "Unhook_A.dll", "Unhook_B.dll"):
        test.assertTrue(win.exists("C:\\windows\\KYR-730\\" + name), name)
    inf = values["InfFile"][len("sz:"):]
    if win.version == "winxp":
        test.assertTrue(inf and win.exists(inf), "InfFile names the INF copy in the store: %r" % inf)
    else:
        test.assertEqual(inf, "")


class Interrupted(unittest.TestCase):
    def cycle(self, version, port, line):
        with Session("interrupt-%s-%s-%s" % (version, port, line.strip(".\r\n!").replace(" ", "-").lower()),
                     version) as win:
            before = snapshot(win)
            shown = interrupt_at(win, port, line)
            self.assertIn(line, [s[0] for s in shown])
            nine_x = version == "win98"
            if nine_x and win.exists("C:\\windows\\inf\\kyr730.inf"):
                # Whole or absent: a later run takes its presence for a finished placement.
                with open(win.find("C:\\windows\\inf\\kyr730.inf"), "rb") as f:
                    self.assertTrue(f.read().endswith(b"\\KYR-730\\usb\"\r\n"))

            # Run again to its end. What it shows follows from what the ended run left: with
            # the driver registered, one more printer and nothing else; without it, the whole
            # installation, reporting a language monitor that is registered already.
            spooler = win.spooler()
            driver_present = any(l.startswith("driver|") and "|KYR POS 730|" in l for l in spooler)
            monitor_present = any(l.startswith("monitor|KYRPOS Language Monitor 730|") for l in spooler)
            entry_present = not any(l.startswith("nokey|") for l in win.registry(UNINSTALL_KEY))
            # Where the end landed, for the record (the end comes a moment after the line).
            with open(os.path.join(OUT_DIR, "interrupt-landings.txt"), "a") as f:
                f.write("%s %s %r: last line %r, driver %s, entry %s\n" % (
                    version, port, line, shown[-1][0], driver_present, entry_present))
            answers = []
            if not driver_present:
                answers = (["OK"] if monitor_present else []) + (["OK"] if port == "USB" else ["No"])
            rerun = install(win, port, answers=answers)
            self.assertIsNone(rerun.transcript.error, rerun.transcript.raw)
            self.assertEqual(rerun.exit_code, 0)
            self.assertEqual(len(rerun.transcript.boxes()), len(answers), rerun.transcript.boxes())
            complete_entry(self, win)
            if nine_x:
                # However often the INF files were placed, each append is there once.
                with open(win.find("C:\\windows\\inf\\usbprint.inf"), "rb") as f:
                    self.assertEqual(f.read().count(b"CYCLERUN = "), 1)
                with open(win.find("C:\\windows\\inf\\kyr730.inf"), "rb") as f:
                    self.assertEqual(f.read().count(b"\\KYR-730\\usb\"\r\n"), 1)

            removal = remove(win)
            self.assertEqual(removal.exit_code, 0)
            self.assertEqual(printers(win), {})
            items = left_behind(before, snapshot(win))
            rows, unexplained = explain(version, items)
            self.assertEqual(unexplained, [])
            expected = documented(version)
            if port == "USB":
                # No printer was ever added, so Wine's spooler never made its per-user lists.
                expected = [i for i in expected if i not in PRINTER_LISTS]
            self.assertEqual(sorted(items, key=str.lower), sorted(expected, key=str.lower))


# (Windows, port, the line the run is ended at)
DEFAULT_POINTS = [
    ("winxp", "LPT1", "Install printer...\r\n"),
    ("winxp", "LPT1", "Delete installed files...\r\n"),
    ("win98", "LPT1", "Install printer...\r\n"),
]
FULL_POINTS = ([("winxp", "LPT1", l) for l in NT_LINES]
               + [("winxp", "USB", l) for l in NT_LINES if l != "Install printer...\r\n"]
               + [("win98", "LPT1", l) for l in W9X_LINES])


class BetweenDriverAndEntry(Interrupted):
    def test_each_point(self):
        for version, port, line in DEFAULT_POINTS:
            with self.subTest(version=version, port=port, line=line):
                self.cycle(version, port, line)


# (Windows, the removal module gone after a complete installation)
MISSING_MODULES = [("winxp", "Unhook_B.dll"), ("win98", "Unhook_A.dll")]


class RemovalModuleMissing(Interrupted):
    def test_redeployed_beside_the_kept_entry(self):
        for version, module in MISSING_MODULES:
            with self.subTest(version=version), Session("repair-%s-%s" % (version, module), version) as win:
                self.assertEqual(install(win, "LPT1", answers=["No"]).exit_code, 0)
                entry = win.registry(UNINSTALL_KEY)
                os.remove(win.find("C:\\windows\\KYR-730\\" + module))
                self.assertEqual(install(win, "LPT1").transcript.boxes(), [])
                complete_entry(self, win)
                self.assertEqual(win.registry(UNINSTALL_KEY), entry)
                removal = remove(win)
                self.assertEqual((removal.exit_code, printers(win)), (0, {}))


@unittest.skipUnless(os.environ.get("KYR_INTERRUPT_FULL"), "the whole matrix runs under the label interrupt-full")
class FullMatrix(Interrupted):
    def test_every_status_line(self):
        for version, port, line in FULL_POINTS:
            with self.subTest(version=version, port=port, line=line):
                self.cycle(version, port, line)


if __name__ == "__main__":
    unittest.main()

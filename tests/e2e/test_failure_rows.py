"""Failure reports of the installer and the uninstaller, each provoked by a real condition
of the registry the spooler keeps its records in: a driver key whose name fills the
registry's 255-character limit (the spooler cannot list the drivers past it), and a
volatile key in place of a lasting one (the spooler cannot store a registration below it).
Also Cancel in the uninstaller, and the uninstaller's Windows 9x branch as a user sees it."""
import os
import unittest

from bench.session import Windows
from flows import CAPTION, INSTALLER, PORT_DIALOG, PORT_RADIO, PROGRESS, UNINSTALL_KEY

UNINSTALLER_CAPTION = "KYR POS 730 uninstaller"
PRODUCT = "C:\\windows\\KYR-730"
UNINSTALLER = PRODUCT + "\\KYRPOS730_Uninstaller.exe"
ENVIRONMENTS = "HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\"
# The driver folder key of the current environment, per family.
DRIVER_FOLDER = {"winxp": ENVIRONMENTS + "Windows NT x86\\Drivers\\Version-3",
                 "win98": ENVIRONMENTS + "Windows 4.0\\Drivers\\Version-0"}
PRINT_PROCESSORS = ENVIRONMENTS + "Windows NT x86\\Print Processors"
PRINTERS = "HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers"
PROCESSORS_9X = "C:\\windows\\system32\\spool\\prtprocs\\win40"
WIN9X_RESTART_NOTICE = ("Restart the computer can take effect.\nPlease finish the program in process "
                        "before it restarts the computer.")


def install(win, boxes, port="LPT1"):
    script = ['wait "%s" 60000' % PROGRESS, 'watch "%s" 1003 1000' % PROGRESS,
              'wait "%s" 60000' % PORT_DIALOG, "click %d" % PORT_RADIO[port], "sleep 100", "click 1"]
    script += ["box %s 120000" % b for b in boxes]
    script.append('gone "%s" 120000' % PROGRESS)
    return win.run(INSTALLER, script)


def nokey(win, key):
    return win.registry(key)[0].startswith("nokey|")


def assert_report(test, box, call_text):
    """A failure report as the programs show it: the call's text first, no owner,
    the installer's caption, an exclamation icon and OK."""
    test.assertTrue(box.text.startswith(call_text), box.text)
    test.assertEqual((box.caption, box.icon, box.buttons, box.owner),
                     (CAPTION, "exclamation", ["OK"], "none"))


def the_only_report(test, run, call_text):
    """The run ended with status 0 after exactly one box, a failure report; its transcript."""
    t = run.transcript
    test.assertIsNone(t.error, t.raw)
    test.assertEqual(run.exit_code, 0)
    boxes = t.boxes()
    test.assertEqual(len(boxes), 1, boxes)
    assert_report(test, boxes[0], call_text)
    return t


def footprint(win):
    """What the scenarios compare: spooler objects, the product's keys and folder."""
    return (win.spooler(), win.registry(UNINSTALL_KEY), win.registry("HKLM\\SOFTWARE\\KYR_POS_PRINTER"),
            sorted(os.listdir(win.find(PRODUCT))) if win.exists(PRODUCT) else None)


class DriverListingFails(unittest.TestCase):
    def check(self, version):
        with Windows("rows-enum-" + version, version) as win:
            if version == "win98":
                os.makedirs(win.path(PROCESSORS_9X), exist_ok=True)
            win.tool("reg", "add", DRIVER_FOLDER[version] + "\\" + "L" * 255, "/f")
            before = footprint(win)
            run = install(win, ["OK"])
            t = the_only_report(self, run, "EnumPrinterDrivers Error Code: ")
            # The first step only, and nothing changed.
            self.assertEqual([s[0] for s in t.status_lines()],
                             ["Check drivers...\r\n" if version == "winxp" else "Check driver...\r\n"])
            self.assertEqual(footprint(win), before)
            self.assertFalse(win.exists("C:\\windows\\system32\\MON730.DLL"))

    def test_nt(self):
        self.check("winxp")

    def test_9x(self):
        self.check("win98")

    def test_uninstaller_keeps_the_driver(self):
        # A USB installation adds no printer: the uninstaller goes straight to the listing.
        for version in ("winxp", "win98"):
            with self.subTest(version=version), Windows("rows-enum-uninstall-" + version, version) as win:
                os.makedirs(win.path(PROCESSORS_9X), exist_ok=True)
                self.assertEqual(install(win, ["OK"], port="USB").exit_code, 0)
                key = DRIVER_FOLDER[version] + "\\" + "L" * 255
                win.tool("reg", "add", key, "/f")
                requests = len(win.restart_requests())
                run = win.run(UNINSTALLER, ["box OK 60000", 'gone "%s" 60000' % UNINSTALLER_CAPTION], cwd=PRODUCT)
                self.assertEqual(run.exit_code, 0)
                self.assertEqual([b.text for b in run.transcript.boxes()],
                                 ["KYR POS 730 Driver is not exist.\nUnistall aleady completed."])
                win.tool("reg", "delete", key, "/f")
                self.assertTrue(any(l.startswith("driver|") and "|KYR POS 730|" in l for l in win.spooler()))
                self.assertTrue(nokey(win, UNINSTALL_KEY))
                self.assertEqual(len(win.restart_requests()), requests)


class PrintProcessorRefusedOnNt(unittest.TestCase):
    def test_reported_and_the_sequence_goes_on(self):
        with Windows("rows-addprocess", "winxp") as win:
            # The processors' key, volatile: no lasting processor key can be made below it.
            win.tool("reg", "delete", PRINT_PROCESSORS, "/f")
            self.assertTrue(win.tool("C:\\bench\\volatile_key.exe", PRINT_PROCESSORS).startswith("created|"))
            run = install(win, ["OK", "OK"])
            t = run.transcript
            self.assertIsNone(t.error, t.raw)
            self.assertEqual(run.exit_code, 0)
            boxes = t.boxes()
            assert_report(self, boxes[0], "AddProcess Error Code: 1021\n\n")
            statuses = [s[0] for s in t.status_lines()]
            # It went on: the driver was registered after the report.
            self.assertIn("Install printer driver...\r\n", statuses)
            self.assertTrue(any(l.startswith("driver|Windows NT x86|KYR POS 730|") for l in win.spooler()))
            # Wine's spooler takes no printer without its processor, so the run ends with
            # the printer's report.
            assert_report(self, boxes[1], "AddPrinter Error Code: ")
            self.assertEqual(len(boxes), 2, boxes)


class PrinterRefusedOn9x(unittest.TestCase):
    def test_driver_stays_without_inf_or_uninstall_entry(self):
        with Windows("rows-9x-printer", "win98") as win:
            os.makedirs(win.path(PROCESSORS_9X), exist_ok=True)
            win.tool("reg", "delete", PRINTERS, "/f")
            self.assertTrue(win.tool("C:\\bench\\volatile_key.exe", PRINTERS).startswith("created|"))
            run = install(win, ["OK"])
            t = the_only_report(self, run, "AddPrinter Error Code: ")
            self.assertEqual(t.status_lines()[-1][0], "Install printer...\r\n")
            spooler = win.spooler()
            self.assertTrue(any(l.startswith("driver|Windows 4.0|KYR POS 730|") for l in spooler), spooler)
            self.assertFalse(any(l.startswith("printer|") for l in spooler), spooler)
            self.assertFalse(win.exists("C:\\windows\\inf\\kyr730.inf"))
            self.assertFalse(win.exists("C:\\windows\\inf\\OTHER\\kyr730.inf"))
            self.assertTrue(nokey(win, UNINSTALL_KEY))


class CancelInTheUninstaller(unittest.TestCase):
    def test_nothing_removed(self):
        with Windows("rows-cancel", "winxp") as win:
            self.assertEqual(install(win, ["No"]).exit_code, 0)
            before = footprint(win)
            run = win.run(UNINSTALLER, ['wait "%s" 60000' % UNINSTALLER_CAPTION, 'itemclick 1006 0',
                                        'sleep 300', 'click 2', 'gone "%s" 30000' % UNINSTALLER_CAPTION],
                          cwd=PRODUCT)
            t = run.transcript
            self.assertIsNone(t.error, t.raw)
            self.assertEqual(run.exit_code, 0)
            self.assertEqual(t.boxes(), [])
            self.assertEqual(footprint(win), before)
            self.assertTrue(win.exists("C:\\windows\\system32\\MON730.DLL"))


class UninstallerOn9x(unittest.TestCase):
    def test_notice_then_restart_with_the_bar_of_each_step(self):
        with Windows("rows-9x-uninstall", "win98") as win:
            os.makedirs(win.path(PROCESSORS_9X), exist_ok=True)
            self.assertEqual(install(win, ["No"]).exit_code, 0)
            program = win.start(UNINSTALLER, cwd=PRODUCT)
            try:
                shown = win.drive(['wait "%s" 60000' % UNINSTALLER_CAPTION, 'itemclick 1006 0', 'sleep 300',
                                   'watch "%s" 1000 1002' % UNINSTALLER_CAPTION, 'click 1001',
                                   'box none 90000'])
                # The notice is up and no restart has been asked for yet.
                requests_while_shown = win.restart_requests()
                answered = win.drive(['box OK 30000', 'gone "%s" 60000' % UNINSTALLER_CAPTION])
                code = program.wait(timeout=120)
            finally:
                if program.poll() is None:
                    program.kill()
            self.assertIsNone(shown.error, shown.raw)
            self.assertIsNone(answered.error, answered.raw)
            self.assertEqual(code, 0)
            seq = shown.sequence()
            self.assertEqual([s[1:] for s in seq if s[0] == "status"],
                             [("Checking OS...", 30), ("Delete printers...", 60), ("Delete printer driver...", 90)])
            box = seq[-1][1]
            self.assertEqual((box.caption, box.text, box.icon, box.buttons),
                             (UNINSTALLER_CAPTION, WIN9X_RESTART_NOTICE, "information", ["OK"]))
            self.assertEqual(requests_while_shown, [])
            self.assertEqual(len(win.restart_requests()), 1, win.restart_requests())
            self.assertFalse(any("730" in l for l in win.spooler() if not l.startswith("form|")))


if __name__ == "__main__":
    unittest.main()

"""Failure reports of the installer and the uninstaller, each provoked by a real condition
of the registry the spooler keeps its records in: a driver key whose name fills the
registry's 255-character limit (the spooler cannot list the drivers past it), and a
volatile key in place of a lasting one (the spooler cannot store a registration below it).
The USB installation the listing failure needs is checked whole on XP and 98."""
import os
import unittest

from bench import flows
from bench.flows import key_exists, run_uninstaller
from bench.product import (CAPTION, PRODUCT, UNINSTALLER_CAPTION, UNINSTALL_KEY, USB_DONE, USB_NOTICE_9X,
                           USB_SWITCH_ONLY, W9X_USB_INSTALL_LINES, nt_install_lines)
from bench.session import Session
from checks import nt_installation
ENVIRONMENTS = "HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\"
# The driver folder key of the current environment, per family.
DRIVER_FOLDER = {"winxp": ENVIRONMENTS + "Windows NT x86\\Drivers\\Version-3",
                 "win98": ENVIRONMENTS + "Windows 4.0\\Drivers\\Version-0"}
PRINT_PROCESSORS = ENVIRONMENTS + "Windows NT x86\\Print Processors"
PRINTERS = "HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers"


def install(win, boxes, port="LPT1"):
    return flows.install(win, port, answers=boxes)


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
        with Session("rows-enum-" + version, version) as win:
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
            with self.subTest(version=version), Session("rows-enum-uninstall-" + version, version) as win:
                run = install(win, ["OK"], port="USB")
                self.assertEqual(run.exit_code, 0)
                if version == "winxp":
                    self.assertEqual(run.transcript.status_lines(), nt_install_lines(printer=False))
                    self.assertEqual([(b.text, b.icon, b.buttons, b.owner) for b in run.transcript.boxes()],
                                     [(USB_DONE, "information", ["OK"], "none")])
                    nt_installation(self, win, "USB")
                    self.assertEqual(win.restart_requests(), [])
                else:
                    # The notice, then the restart at once.
                    self.assertEqual(run.transcript.status_lines(), W9X_USB_INSTALL_LINES)
                    self.assertEqual([(b.caption, b.text, b.icon, b.buttons, b.owner)
                                      for b in run.transcript.boxes()],
                                     [(CAPTION, USB_NOTICE_9X, "information", ["OK"], "none")])
                    self.assertEqual(len(win.restart_requests()), 1)
                key = DRIVER_FOLDER[version] + "\\" + "L" * 255
                win.tool("reg", "add", key, "/f")
                requests = len(win.restart_requests())
                run = run_uninstaller(win, ["box OK 60000", 'gone "%s" 60000' % UNINSTALLER_CAPTION])
                self.assertEqual(run.exit_code, 0)
                # Not "already completed": the listing failed, and the user is told so.
                boxes = run.transcript.boxes()
                self.assertEqual(len(boxes), 1, boxes)
                self.assertTrue(boxes[0].text.startswith("EnumPrinterDrivers Error Code: "), boxes[0].text)
                self.assertEqual((boxes[0].caption, boxes[0].icon), (UNINSTALLER_CAPTION, "exclamation"))
                win.tool("reg", "delete", key, "/f")
                self.assertTrue(any(l.startswith("driver|") and "|KYR POS 730|" in l for l in win.spooler()))
                # The entry stays, so that a later run, with the listing back, removes it all.
                self.assertTrue(key_exists(win, UNINSTALL_KEY))
                self.assertEqual(len(win.restart_requests()), requests)


class PrintProcessorRefusedOnNt(unittest.TestCase):
    def test_reported_and_the_sequence_goes_on(self):
        for port in ("LPT1", "USB"):
            with self.subTest(port=port), Session("rows-addprocess-" + port.lower(), "winxp") as win:
                # The processors' key, volatile: no lasting processor key can be made below it.
                win.tool("reg", "delete", PRINT_PROCESSORS, "/f")
                self.assertTrue(win.tool("C:\\bench\\volatile_key.exe", PRINT_PROCESSORS).startswith("created|"))
                run = install(win, ["OK", "OK"], port=port)
                t = run.transcript
                self.assertIsNone(t.error, t.raw)
                self.assertEqual(run.exit_code, 0)
                boxes = t.boxes()
                assert_report(self, boxes[0], "AddProcess Error Code: 1021\n\n")
                statuses = [s[0] for s in t.status_lines()]
                # It went on: the driver was registered after the report.
                self.assertIn("Install printer driver...\r\n", statuses)
                self.assertTrue(any(l.startswith("driver|Windows NT x86|KYR POS 730|") for l in win.spooler()))
                if port == "USB":
                    # No printer is added for USB: without its processor the one Plug and Play
                    # makes could not print, so only the switch-off instruction, no "Completed!".
                    self.assertEqual([(b.text, b.icon) for b in boxes[1:]], [(USB_SWITCH_ONLY, "information")])
                    self.assertNotIn("Completed!", statuses)
                else:
                    # Wine's spooler takes no printer without its processor, so the run ends
                    # with the printer's report.
                    assert_report(self, boxes[1], "AddPrinter Error Code: ")
                    self.assertEqual(len(boxes), 2, boxes)


class PrinterRefusedOn9x(unittest.TestCase):
    def test_driver_stays_without_inf_or_uninstall_entry(self):
        with Session("rows-9x-printer", "win98") as win:
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
            self.assertTrue(not key_exists(win, UNINSTALL_KEY))




if __name__ == "__main__":
    unittest.main()

"""The Windows 9x installation beyond the life Windows 98 has in test_lifecycle.py: a second
run with the driver present, USB then nothing; a language monitor already registered; a refused
driver registration; a read-only target; Windows 95 without shlwapi and setupapi and with an
INF\\OTHER folder; Windows Me started from another current folder."""
import os
import unittest

from bench.flows import install, make_read_only, read, writable
from bench.product import CAPTION, RESTART_QUESTION, UNINSTALL_KEY, W9X_INSTALL_LINES
from bench.session import Session
from checks import STAGING, SYSTEM, WINDOWS, medium_9x, w9x_installation

QUESTION = RESTART_QUESTION
NEW_DRIVER_LPT = W9X_INSTALL_LINES
PRINTER_FIELDS = ("server=(null)|share=(null)|port=%s|driver=KYR POS 730|comment=(null)|location=(null)|"
                  "sepfile=(null)|processor=KYRPOS PRINT PROCESSOR 730|datatype=RAW|parameters=(null)|"
                  "attributes=0x1800|priority=1|defaultpriority=1|start=0|until=0|status=0x0|jobs=0|ppm=0")


class Checks(unittest.TestCase):
    def assert_new_installation(self, win, run, port, statuses, inf_folder="C:\\windows\\inf"):
        self.assertEqual(run.exit_code, 0)
        self.assertIsNone(run.transcript.error)
        self.assertEqual(run.transcript.status_lines(), statuses)
        w9x_installation(self, win, port, inf_folder)


class NoRestartThenDriverPresent(Checks):
    def test_numbered_printer_only_and_usb_changes_nothing(self):
        with Session("w9x-present", "win98") as win:
            run = install(win, "COM2", answers=["No"])
            self.assert_new_installation(win, run, "COM2", NEW_DRIVER_LPT)
            self.assertEqual(win.restart_requests(), [])
            infs = {p: read(win, p) for p in (WINDOWS + "\\inf\\kyr730.inf", WINDOWS + "\\inf\\usbprint.inf")}
            # A run that could not copy into the staging folder left a copy out; one there that
            # differs from the medium's is kept.
            os.remove(win.find(STAGING + "\\unidrv.dll"))
            with open(win.find(STAGING + "\\unidrv.hlp"), "ab") as f:
                f.write(b"another build")
            uninstall_entry = win.registry(UNINSTALL_KEY)

            run = install(win, "LPT2")
            self.assertEqual(run.exit_code, 0)
            self.assertEqual(run.transcript.status_lines(),
                             [("Check driver...\r\n", 11), ("Add printer...\r\n", 22), ("Install printer...\r\n", 33)])
            self.assertEqual(run.transcript.boxes(), [])
            printers = [l for l in win.spooler() if l.startswith("printer|")]
            self.assertEqual(printers, ["printer|KYR POS 730|" + PRINTER_FIELDS % "COM2:",
                                        "printer|KYR POS 730(#1)|" + PRINTER_FIELDS % "LPT2:"])
            self.assertEqual({p: read(win, p) for p in infs}, infs, "no second append")
            self.assertTrue(win.exists(STAGING + "\\unidrv.dll"), "the missing copy is put back")
            with open(win.find(STAGING + "\\unidrv.hlp"), "rb") as f:
                self.assertTrue(f.read().endswith(b"another build"), "what is there is kept")
            self.assertEqual(win.registry(UNINSTALL_KEY), uninstall_entry)
            self.assertEqual(win.restart_requests(), [])

            spooler = win.spooler()
            run = install(win, "USB")
            self.assertEqual(run.exit_code, 0)
            self.assertEqual(run.transcript.status_lines(), [("Check driver...\r\n", 11), ("Add printer...\r\n", 22)])
            self.assertEqual(run.transcript.boxes(), [])
            self.assertEqual(win.spooler(), spooler)
            self.assertEqual({p: read(win, p) for p in infs}, infs)
            self.assertEqual(win.restart_requests(), [])



class MonitorAlreadyRegistered(Checks):
    def test_reported_and_the_installation_completes(self):
        with Session("w9x-monitor", "win98") as win:
            win.tool("reg", "add", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Monitors\\"
                     "KYRPOS Language Monitor 730", "/v", "Driver", "/t", "REG_SZ", "/d", "MON730.DLL", "/f")
            run = install(win, "LPT1", answers=["OK", "No"])
            self.assertEqual(run.exit_code, 0)
            boxes = run.transcript.boxes()
            # Wine has no system text for the spooler's 3000-range codes.
            self.assertEqual([(b.caption, b.text, b.icon, b.buttons, b.owner) for b in boxes],
                             [(CAPTION, "AddMonitor Error Code: 3006\n\n", "exclamation", ["OK"], "none"),
                              (CAPTION, QUESTION, "question", ["Yes", "No"], "none")])
            self.assertEqual(run.transcript.status_lines(), NEW_DRIVER_LPT)
            self.assertIn("printer|KYR POS 730|" + PRINTER_FIELDS % "LPT1:", win.spooler())


class DriverRegistrationRefused(Checks):
    def test_reported_and_the_run_ends_before_any_printer(self):
        with Session("w9x-driver-refused", "win98") as win:
            # A volatile driver folder key in place of the lasting one every Windows has: the
            # spooler cannot store the driver below it.
            folder = "HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers\\Version-0"
            win.tool("reg", "delete", folder, "/f")
            self.assertTrue(win.tool("C:\\bench\\volatile_key.exe", folder).startswith("created|"))
            device = "HKLM\\Enum\\USBPRINT\\VOSKRELZPD-815\\1&2"
            win.tool("reg", "add", device, "/v", "Driver", "/d", "x", "/f")
            run = install(win, "LPT1", answers=["OK"])
            self.assertEqual(run.exit_code, 0)
            boxes = run.transcript.boxes()
            self.assertEqual(len(boxes), 1)
            self.assertTrue(boxes[0].text.startswith("AddPrinterDriver Error Code: 1021\n\n"), boxes[0].text)
            self.assertEqual((boxes[0].caption, boxes[0].icon, boxes[0].buttons, boxes[0].owner),
                             (CAPTION, "exclamation", ["OK"], "none"))
            self.assertEqual(run.transcript.status_lines(), NEW_DRIVER_LPT[:6])
            self.assertFalse(any(l.startswith("printer|") for l in win.spooler()))
            # The device entries are gone and the files stay copied, but no INF is placed
            # and no uninstall entry written.
            self.assertEqual(win.registry(device)[0].split("|")[0], "nokey")
            self.assertTrue(win.exists(STAGING + "\\KYR730E.DRV"))
            self.assertFalse(win.exists(WINDOWS + "\\INF\\kyr730.inf"))
            self.assertEqual(win.registry(UNINSTALL_KEY)[0].split("|")[0], "nokey")


class OtherInfFolderOnWindows95(Checks):
    def test_driver_inf_and_its_line_go_to_inf_other(self):
        with Session("w9x-95-other", "win95") as win:
            os.makedirs(win.path(WINDOWS + "\\inf\\OTHER"), exist_ok=True)
            earlier = "HKLM\\Enum\\USBPRINT\\VOSKREL_ZPD-815"
            win.tool("reg", "add", earlier + "\\1&2", "/v", "Driver", "/d", "x", "/f")
            # A Windows 95 without Internet Explorer: no shlwapi, no setupapi.
            win.program_env["WINEDLLOVERRIDES"] += ";shlwapi=;setupapi="
            run = install(win, "LPT1", answers=["No"])
            self.assert_new_installation(win, run, "LPT1", NEW_DRIVER_LPT, WINDOWS + "\\inf\\OTHER")
            self.assertEqual(win.registry(earlier)[0].split("|")[0], "nokey")
            self.assertFalse(win.exists(WINDOWS + "\\inf\\kyr730.inf"))



class FailedCopies(Checks):
    def test_a_read_only_target_is_listed_and_the_installation_goes_on(self):
        with Session("w9x-copies-failed", "win98") as win:
            locked = make_read_only(win, SYSTEM + "\\usbmon.dll")
            try:
                run = install(win, "LPT1", answers=["OK", "No"])
            finally:
                writable(locked)
            self.assertEqual(run.exit_code, 0)
            boxes = run.transcript.boxes()
            self.assertEqual([(b.caption, b.text, b.icon, b.buttons, b.owner) for b in boxes], [
                (CAPTION, "These files could not be copied:\n\nC:\\windows\\system32\\usbmon.dll\n"
                 "Error Code: 5\nAccess denied.\n", "exclamation", ["OK"], "none"),
                (CAPTION, QUESTION, "question", ["Yes", "No"], "none")])
            self.assertEqual(run.transcript.status_lines(), NEW_DRIVER_LPT)
            self.assertEqual(read(win, STAGING + "\\usbmon.dll"), medium_9x(win, "usbmon.dll"))
            self.assertTrue(any(l.startswith("printer|KYR POS 730|") for l in win.spooler()))


class MainFlowOnWindowsMe(Checks):
    def test_fresh_lpt1_started_from_another_current_folder(self):
        with Session("w9x-me", "winme") as win:
            # A shortcut whose "Start in" is elsewhere, or the program's path typed at a prompt.
            run = install(win, "LPT1", answers=["No"], cwd=WINDOWS)
            self.assert_new_installation(win, run, "LPT1", NEW_DRIVER_LPT)



if __name__ == "__main__":
    unittest.main()

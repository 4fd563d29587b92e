"""The uninstaller on Windows XP beyond the full removal of test_lifecycle.py: two printers,
one ticked, then the rest; the runs that need no input (no printer left, a printer on a driver
of another case); the entry of a driver already gone; and the binding failures that must leave
the machine as it was; removals the spooler refuses, on XP and 98, which stay removable, and
the Windows 9x removal's shared files."""
import os
import shutil
import unittest

from bench import faults
from bench.flows import (installed, key_exists, make_read_only, ours, read, read_only_files, reg, registry_values,
                         remove, run_uninstaller, writable)
from bench.product import (NOT_INSTALLED, PARTIAL_REMOVAL_LINES, PRODUCT, RESTART_NOTICE_9X, RESTART_QUESTION, SETTINGS,
                           UNINSTALL_KEY, UNINSTALLER_CAPTION)
from bench.session import Session
from checks import set_read_only

CAPTION = UNINSTALLER_CAPTION
# Wine's spooler answers success to DeletePrintProcessorA and keeps the processor, so the
# module's registry fallback for it never runs there.
WINE_KEEPS = ["processor|KYRPOS PRINT PROCESSOR 730"]
# and the driver's files in its version folder, which it copied there (docs/leftovers.md).
WINE_KEEPS_FILES = ["KYR730E.GPD", "STDNAMES.GPD", "UI730.DLL", "UI730.INI", "UNIDRV.DLL", "UNIDRV.HLP",
                    "UNIDRVUI.DLL", "UNIRES.DLL"]
WATCH = 'watch "%s" 1000 1002' % CAPTION
DRIVER_KEY = ("HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\"
              "Version-3\\KYR POS 730")
# What the spooler keeps and what it refuses, as a till meets it; each lifted again for the
# next run. (name, staging, lifting, the box of the refused run).
KEPT = "These could not be removed:\n\nPrinter driver \"KYR POS 730\"\n"
REFUSALS = [
    # The spooler refuses the driver (Wine always does: it takes no deletion flag) and its
    # key cannot go either: a key below it, as a driver of some other version leaves.
    ("driver kept", lambda win: reg(win, "add", DRIVER_KEY + "\\Held", "/f"),
     lambda win: reg(win, "delete", DRIVER_KEY + "\\Held", "/f"),
     KEPT + "The print spooler kept it.\n\nIts uninstall entry was kept. Please run the uninstaller again to "
     "finish the removal.\n"),
    # Windows refuses a paused printer with documents waiting with 5, which is no lack of
    # rights: the box says what to do. (Wine prints every job at once; the injector plays
    # Windows' spooler with the documents the row names.)
    ("paused printer", lambda win: ["jobs 2 paused KYR POS 730"], None,
     "These printers could not be deleted:\n\nKYR POS 730\nError Code: 5\nAccess denied.\n"
     "Documents are waiting on this printer while it is paused. Resume the printer or cancel its documents, "
     "then run the uninstaller again.\n\nThe printer driver was not removed.\n"),
    # A printer still printing is only marked for deletion; its driver stays in use (3001)
    # until it goes, so the removal stops there and says why.
    ("printing printer", lambda win: ["jobs 2 printing KYR POS 730"], None,
     "These printers could not be deleted:\n\nKYR POS 730\nIt still has documents to print and will be "
     "deleted once they are printed. Run the uninstaller again then.\n\nThe printer driver was not removed.\n"),
]
WAIT = 'wait "%s" 60000' % CAPTION


def settings_key(win, printer_key_name):
    """The settings the plug-in keeps for a printer, as its Apply leaves them."""
    reg(win, "add", SETTINGS + "\\" + printer_key_name, "/v", "StartDoc", "/d", "\\x1B\\x40", "/f")


def uninstall(win, script, timeout=180, cwd=PRODUCT):
    return run_uninstaller(win, script, cwd=cwd, timeout=timeout)


def printers(win):
    return sorted(l.split("|")[1] for l in win.spooler() if l.startswith("printer|"))


class UninstallXp(unittest.TestCase):
    def test_two_printers_one_ticked_then_the_rest(self):
        with Session("uninstall-two", "winxp") as win:
            installed(win)
            installed(win)
            self.assertEqual(printers(win), ["KYR POS 730", "KYR POS 730(#1)"])
            settings_key(win, "KYR_POS_730")
            settings_key(win, "KYR_POS_730(#1)")
            run = uninstall(win, [WAIT, 'items 1006', 'itemclick 1006 1', 'sleep 300', WATCH,
                                  'click 1001', 'gone "%s" 60000' % CAPTION])
            t = run.transcript
            self.assertIsNone(t.error, t.raw)
            self.assertEqual([e[2] for e in t.of("item")], ["KYR POS 730", "KYR POS 730(#1)"])
            self.assertEqual([s[1:] for s in t.sequence()],
                             PARTIAL_REMOVAL_LINES)
            self.assertEqual(printers(win), ["KYR POS 730"])
            self.assertFalse(key_exists(win, SETTINGS + "\\KYR_POS_730(#1)"))
            self.assertTrue(key_exists(win, SETTINGS + "\\KYR_POS_730"))
            self.assertTrue(key_exists(win, UNINSTALL_KEY))
            self.assertIn("driver|KYR POS 730", ours(win))

            run = uninstall(win, [WAIT, 'items 1006', 'itemclick 1006 0', 'sleep 300', WATCH,
                                  'click 1001', 'box No 90000', 'gone "%s" 30000' % CAPTION])
            self.assertEqual([e[2] for e in run.transcript.of("item")], ["KYR POS 730"])
            self.assertEqual(ours(win), WINE_KEEPS)
            self.assertFalse(key_exists(win, SETTINGS + "\\KYR_POS_730"))
            self.assertFalse(key_exists(win, UNINSTALL_KEY))

    def test_no_printer_left_removes_the_driver_without_input(self):
        with Session("uninstall-noprinter", "winxp") as win:
            installed(win)
            reg(win, "delete", "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\KYR POS 730", "/f")
            self.assertEqual(printers(win), [])
            # The driver's files read-only in the spooler's folder, as copies from a CD are.
            version3 = "C:\\windows\\system32\\spool\\drivers\\w32x86\\3"
            set_read_only(win, version3, WINE_KEEPS_FILES + ["KYR730E.DLL"])
            run = uninstall(win, ['watch "%s" 1000 1002' % CAPTION, 'box No 90000'])
            t = run.transcript
            self.assertIsNone(t.error, t.raw)
            self.assertEqual(run.exit_code, 0)
            self.assertEqual([b.text for b in t.boxes()], [RESTART_QUESTION])
            # The removal ran while the dialog initialised, before anyone could touch it.
            self.assertEqual(t.status_lines(), [("Checking OS...", 30), ("Delete printer driver...", 60),
                                                ("Uninstall completed!", 100)])
            self.assertEqual(ours(win), WINE_KEEPS)
            self.assertFalse(key_exists(win, UNINSTALL_KEY))
            # Gone as from a writable folder (Wine's own driver aside); what Wine's spooler
            # keeps lost the bit.
            self.assertEqual(sorted(set(os.listdir(win.find(version3))) - {"wineps.drv"}), WINE_KEEPS_FILES)
            self.assertEqual([f for f in read_only_files(win) if f.startswith(version3)], [])

    def test_a_printer_on_a_driver_differing_only_in_case_is_not_listed(self):
        with Session("uninstall-case", "winxp") as win:
            installed(win)
            reg(win, "add", "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\KYR POS 730",
                "/v", "Printer Driver", "/d", "kyr pos 730", "/f")
            run = uninstall(win, ['watch "%s" 1000 1002' % CAPTION, 'box No 90000'])
            t = run.transcript
            self.assertIsNone(t.error, t.raw)
            # Nothing listed and the driver present: the removal starts by itself, with no
            # "Delete printers..." step (the NT module still drops the printer entry of the
            # product's own name together with the driver).
            self.assertEqual(t.status_lines(), [("Checking OS...", 30), ("Delete printer driver...", 60),
                                                ("Uninstall completed!", 100)])

    def test_driver_absent_deletes_the_entry(self):
        with Session("uninstall-absent", "winxp") as win:
            os.makedirs(win.path(PRODUCT), exist_ok=True)
            for name in ("KYRPOS730_Uninstaller.exe", "Unhook_A.dll", "Unhook_B.dll"):
                shutil.copy2(win.path("C:\\media\\" + name), win.path(PRODUCT + "\\" + name))
            reg(win, "add", UNINSTALL_KEY, "/v", "DisplayName", "/d", "KYR POS 730 Windows Driver 1.0.0E", "/f")
            reg(win, "add", UNINSTALL_KEY + "\\Sub", "/v", "x", "/d", "y", "/f")
            run = uninstall(win, ['box OK 60000'])
            t = run.transcript
            self.assertIsNone(t.error, t.raw)
            self.assertEqual(run.exit_code, 0)
            self.assertEqual([(b.caption, b.text, b.icon, b.buttons) for b in t.boxes()],
                             [(CAPTION, NOT_INSTALLED, "information", ["OK"])])
            self.assertFalse(key_exists(win, UNINSTALL_KEY))

    def test_binding_failures_leave_the_machine_unchanged(self):
        a, b = PRODUCT + "\\Unhook_A.dll", PRODUCT + "\\Unhook_B.dll"
        keep_folder = "C:\\bench\\keep"
        cases = [
            # (file to replace, replaced by (None: missing), steps shown, message, current
            # folder); a module in the current folder is never taken for a missing one.
            (b, None, ["Checking OS..."], "Fail to load Unhook_B.DLL", PRODUCT),
            (b, a, ["Checking OS..."], "Fail to load RemoveFromWin2k function", PRODUCT),
            (a, None, ["Checking OS..."], "Fail to load Unhook_A.DLL", PRODUCT),
            (a, b, ["Checking OS..."], "Fail to load CheckOS function", PRODUCT),
            (b, None, ["Checking OS..."], "Fail to load Unhook_B.DLL", keep_folder),
            (a, None, ["Checking OS..."], "Fail to load Unhook_A.DLL", keep_folder),
        ]
        with Session("uninstall-binding", "winxp") as win:
            installed(win)
            settings_key(win, "KYR_POS_730")
            before = (win.spooler(), win.registry(UNINSTALL_KEY), win.registry(SETTINGS))
            keep = win.path("C:\\bench\\keep")
            os.makedirs(keep, exist_ok=True)
            for name in ("Unhook_A.dll", "Unhook_B.dll"):
                shutil.copy2(win.path(PRODUCT + "\\" + name), os.path.join(keep, name))
            for target, replacement, steps, message, cwd in cases:
                with self.subTest(message, cwd=cwd):
                    os.remove(win.find(target))
                    if replacement:
                        shutil.copy2(os.path.join(keep, replacement.split("\\")[-1]), win.path(target))
                    run = uninstall(win, [WAIT, 'itemclick 1006 0', 'sleep 300', WATCH, 'click 1001',
                                          'box OK 60000'], cwd=cwd)
                    t = run.transcript
                    self.assertIsNone(t.error, t.raw)
                    self.assertEqual(run.exit_code, 0)
                    seq = t.sequence()
                    self.assertEqual([s[1] for s in seq if s[0] == "status"], steps)
                    self.assertEqual([(s[1].text, s[1].icon, s[1].buttons) for s in seq if s[0] == "box"],
                                     [(message, "exclamation", ["OK"])])
                    self.assertEqual((win.spooler(), win.registry(UNINSTALL_KEY), win.registry(SETTINGS)),
                                     before)
                    if win.exists(target):
                        os.remove(win.find(target))
                    shutil.copy2(os.path.join(keep, target.split("\\")[-1]), win.path(target))


class RefusedRemovals(unittest.TestCase):
    def test_what_stays_stays_removable_and_the_next_run_finishes(self):
        for name, stage, lift, text in REFUSALS:
            with self.subTest(name), Session("uninstall-refused-" + name.replace(" ", "-"), "winxp") as win:
                installed(win)
                entry = registry_values(win, UNINSTALL_KEY)
                inf = dict(entry)["InfFile"][3:]
                lines = stage(win)
                script = [WAIT, 'itemclick 1006 0', 'sleep 300', WATCH, 'click 1001', 'box OK 90000',
                          'gone "%s" 60000' % CAPTION]
                if isinstance(lines, list):
                    config = faults.write_config(win, lines)
                    with win.launched_by(faults.launcher(config)):
                        run = uninstall(win, script)
                else:
                    run = uninstall(win, script)
                t = run.transcript
                self.assertIsNone(t.error, t.raw)
                self.assertEqual(run.exit_code, 0)
                self.assertEqual([(b.text, b.icon, b.buttons) for b in t.boxes()], [(text, "exclamation", ["OK"])])
                self.assertNotIn("Uninstall completed!", [s[0] for s in t.status_lines()])
                # Still removable: the entry as it was, the driver with its INF.
                self.assertEqual(registry_values(win, UNINSTALL_KEY), entry)
                self.assertIn("driver|KYR POS 730", ours(win))
                self.assertTrue(win.exists(inf), inf)
                if lift:
                    lift(win)
                again = remove(win)
                self.assertEqual(again.exit_code, 0)
                self.assertEqual([b.text for b in again.transcript.boxes()], [RESTART_QUESTION])
                self.assertEqual(ours(win), WINE_KEEPS)
                self.assertFalse(key_exists(win, UNINSTALL_KEY))
                self.assertFalse(win.exists(inf), inf)



    def test_an_entry_that_stays_after_the_driver_went_is_told_once_and_the_restart_follows(self):
        with Session("uninstall-entry-stays", "winxp") as win:
            installed(win)
            # A key below the entry keeps the module's RegDeleteKeyA from deleting it, and
            # the registry refuses every deletion of a whole tree.
            reg(win, "add", UNINSTALL_KEY + "\\Held", "/f")
            config = faults.write_config(win, ["fail-from SHDeleteKeyA 1 5"])
            with win.launched_by(faults.launcher(config)):
                run = uninstall(win, [WAIT, 'itemclick 1006 0', 'sleep 300', WATCH, 'click 1001', 'box OK 90000',
                                      'box No 60000', 'gone "%s" 60000' % CAPTION])
            self.assertEqual(run.exit_code, 0)
            boxes = [b.text for b in run.transcript.boxes()]
            self.assertEqual(len(boxes), 2, boxes)
            self.assertTrue(boxes[0].startswith(
                "These could not be removed:\n\nUninstall entry HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows"
                "\\CurrentVersion\\Uninstall\\KYRPOS_730\nError Code: 5\n"), boxes[0])
            self.assertEqual(boxes[1], RESTART_QUESTION)
            # What stayed was told: the run does not say it is done.
            self.assertNotIn("Uninstall completed!", [s[0] for s in run.transcript.status_lines()])
            self.assertNotIn("driver|KYR POS 730", ours(win))
            # The next run finds the entry without its driver and finishes.
            again = remove(win)
            self.assertEqual([b.text for b in again.transcript.boxes()], [NOT_INSTALLED])
            self.assertFalse(key_exists(win, UNINSTALL_KEY))

W9X_PRINTER = "HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers\\KYR POS 730"
W9X_DEVICE = "HKLM\\Enum\\USBPRINT\\VOSKREL_ZPD-815\\0000"
W9X_DRIVERS = "C:\\windows\\system32\\spool\\drivers\\win40"


def usb_printer_9x(win):
    """The printer on a USB port, with the device entry its "PrinterID" names."""
    reg(win, "add", W9X_PRINTER, "/v", "Port", "/d", "USB001", "/f")
    reg(win, "add", W9X_PRINTER + "\\PrinterDriverData", "/v", "PrinterID", "/t", "REG_BINARY", "/d", "4B595231", "/f")
    reg(win, "add", W9X_DEVICE, "/v", "PrinterID", "/t", "REG_BINARY", "/d", "4B59523130", "/f")


class Win98Removals(unittest.TestCase):
    def test_a_refused_usb_printer_keeps_its_device_entries(self):
        with Session("uninstall-98-refused-usb", "win98") as win:
            installed(win)
            usb_printer_9x(win)
            config = faults.write_config(win, ["fail DeletePrinter 1 5"])
            with win.launched_by(faults.launcher(config)):
                run = uninstall(win, [WAIT, 'itemclick 1006 0', 'sleep 300', WATCH, 'click 1001', 'box OK 90000',
                                      'gone "%s" 60000' % CAPTION])
            self.assertEqual(run.exit_code, 0)
            self.assertEqual([b.text.split("\n")[0] for b in run.transcript.boxes()],
                             ["These printers could not be deleted:"])
            self.assertTrue(key_exists(win, W9X_DEVICE))
            self.assertTrue(key_exists(win, W9X_PRINTER))
            again = remove(win)
            self.assertEqual([b.text for b in again.transcript.boxes()], [RESTART_NOTICE_9X])
            self.assertFalse(key_exists(win, W9X_DEVICE))

    def test_shared_files_of_the_universal_driver_are_not_reported(self):
        # Another printer's driver holds them; the module's deletion fails, and the
        # uninstaller leaves them alone.
        with Session("uninstall-98-shared", "win98") as win:
            installed(win)
            held = []
            try:
                for name in ("dmcolor.dll", "iconlib.dll"):
                    path = W9X_DRIVERS + "\\" + name
                    held.append(make_read_only(win, path, read(win, path)))
                run = remove(win)
            finally:
                for path in held:
                    writable(path)
            self.assertEqual(run.exit_code, 0)
            self.assertEqual([b.text for b in run.transcript.boxes()], [RESTART_NOTICE_9X])
            self.assertNotIn("driver|KYR POS 730", ours(win))


if __name__ == "__main__":
    unittest.main()

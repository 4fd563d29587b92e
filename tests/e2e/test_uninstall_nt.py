"""The uninstaller on Windows XP against an installation made by our installer: the
printer list with its check boxes, the removal steps with their bar, the restart question,
partial removal, the runs that need no input, and the binding failures that must leave the
machine as it was."""
import os
import shutil
import unittest

from bench.session import Windows

CAPTION = "KYR POS 730 uninstaller"
PRODUCT = "C:\\windows\\KYR-730"
UNINSTALLER = PRODUCT + "\\KYRPOS730_Uninstaller.exe"
UNINSTALL_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730"
SETTINGS = "HKLM\\SOFTWARE\\KYR_POS_PRINTER"
CLASS_KEY = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-08002BE10318}"
ENUM_KEYS = ["HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VOSKREL_ZPD-815",
             "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VOSKRELZPD-815",
             "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\VOSKRELZPD-815"]
DRIVERS = "C:\\windows\\system32\\spool\\drivers\\w32x86"
EARLIER_FOLDERS = ["voskrel_zpd_8156efc", "voskrelzpd_8156efc", "voskrelzpd_815a384"]
RESTART_QUESTION = ("Restart the computer can take effect.\nPlease restart the computer.\n\n"
                    "[Yes] I want to restart my computer now.\n[No] I will restart my computer later.")
# Wine's spooler answers success to DeletePrintProcessorA and keeps the processor, so the
# module's registry fallback for it never runs there.
WINE_KEEPS = ["processor|KYRPOS PRINT PROCESSOR 730"]
WATCH = 'watch "%s" 1000 1002' % CAPTION
WAIT = 'wait "%s" 60000' % CAPTION


def install(win):
    # With the driver present the installer only adds a printer and asks nothing, so the
    # restart question is answered only on the first installation.
    present = any(l.startswith("driver|") and "|KYR POS 730|" in l for l in win.spooler())
    script = ['wait "Select Port Type" 60000', 'click 1010', 'click 1']
    if not present:
        script.append('box No 120000')
    run = win.run("C:\\media\\KYRPOS730_Installer.exe", script)
    assert run.exit_code == 0, run.exit_code
    assert run.transcript.error is None, run.transcript.raw


def reg(win, *args):
    win.tool("C:\\windows\\system32\\reg.exe", *args)


def settings_key(win, printer_key_name):
    """The settings the plug-in keeps for a printer, as its Apply leaves them."""
    reg(win, "add", SETTINGS + "\\" + printer_key_name, "/v", "StartDoc", "/d", "\\x1B\\x40", "/f")


def uninstall(win, script, timeout=180, cwd=PRODUCT):
    return win.run(UNINSTALLER, script, cwd=cwd, timeout=timeout)


def printers(win):
    return sorted(l.split("|")[1] for l in win.spooler() if l.startswith("printer|"))


def ours(win):
    """Spooler objects of the product."""
    return sorted(l.split("|")[0] + "|" + l.split("|")[2] if l.startswith(("driver|", "processor|"))
                  else l.split("|")[0] + "|" + l.split("|")[1]
                  for l in win.spooler()
                  if l.startswith(("printer|", "driver|", "monitor|", "processor|")) and "730" in l)


def key_exists(win, key):
    return not any(l.startswith("nokey|") for l in win.registry(key))


class UninstallXp(unittest.TestCase):
    def test_full_removal_answer_no(self):
        with Windows("uninstall-full-no", "winxp") as win:
            install(win)
            settings_key(win, "KYR_POS_730")
            # What a machine that once had the printer's hardware and older drivers carries.
            reg(win, "add", CLASS_KEY + "\\0000", "/v", "DriverDesc", "/d", "KYR POS 730", "/f")
            reg(win, "add", CLASS_KEY + "\\0000", "/v", "InfPath", "/d", "oem3.inf", "/f")
            reg(win, "add", CLASS_KEY + "\\0001", "/v", "DriverDesc", "/d", "kyr pos 730", "/f")
            reg(win, "add", CLASS_KEY + "\\0001", "/v", "InfPath", "/d", "oem4.inf", "/f")
            for name in ("oem3.inf", "oem3.PNF", "oem4.inf", "oem4.PNF"):
                with open(win.path("C:\\windows\\inf\\" + name), "w") as f:
                    f.write("[Version]\n")
            for key in ENUM_KEYS:
                reg(win, "add", key + "\\0000", "/v", "DeviceDesc", "/d", "KYR POS 730", "/f")
            for folder in EARLIER_FOLDERS:
                os.makedirs(win.path(DRIVERS + "\\" + folder + "\\sub"), exist_ok=True)
                with open(win.path(DRIVERS + "\\" + folder + "\\sub\\old.dll"), "w") as f:
                    f.write("old")
            recorded = [l for l in win.registry(UNINSTALL_KEY) if "|InfFile|" in l]
            self.assertEqual(len(recorded), 1, recorded)
            inf_copy = recorded[0].split("|sz:")[1].replace("\\\\", "\\")
            self.assertTrue(win.exists(inf_copy), inf_copy)
            pnf_copy = inf_copy[:-3] + "PNF"

            run = uninstall(win, [
                WAIT, 'dump', 'items 1006', 'enabled 1001', 'shot C:\\bench\\listed.bmp',
                'itemclick 1006 0', 'sleep 300', 'enabled 1001', 'shot C:\\bench\\ticked.bmp',
                'itemclick 1006 0', 'sleep 300', 'enabled 1001',
                'itemclick 1006 0', 'sleep 300', 'enabled 1001',
                WATCH, 'click 1001', 'box No 90000 C:\\bench\\question.bmp',
                'gone "%s" 30000' % CAPTION])
            win.png("C:\\bench\\listed.bmp", "listed")
            win.png("C:\\bench\\ticked.bmp", "ticked")
            win.png("C:\\bench\\question.bmp", "question")
            t = run.transcript
            self.assertIsNone(t.error, t.raw)
            self.assertEqual(run.exit_code, 0)
            self.assertEqual([e[2] for e in t.of("item")], ["KYR POS 730"])
            # Disabled at first, enabled by the tick, disabled when it is taken back.
            self.assertEqual([e[2] for e in t.of("enabled")], ["0", "1", "0", "1"])
            controls = {int(e[1]): e for e in t.of("control")}
            self.assertEqual(controls[1006][2].lower(), "listbox")
            self.assertEqual([int(v) for v in controls[1006][6:10]], [7, 7, 267, 232])
            self.assertEqual([int(v) for v in controls[1001][6:10]], [7, 271, 50, 14])
            self.assertEqual([int(v) for v in controls[1002][6:10]], [7, 256, 267, 11])
            seq = t.sequence()
            self.assertEqual([s[1:] for s in seq if s[0] == "status"],
                             [("Checking OS...", 30), ("Delete printers...", 60),
                              ("Delete printer driver...", 90), ("Uninstall completed!", 100)])
            boxes = [s[1] for s in seq if s[0] == "box"]
            self.assertEqual([(b.caption, b.text, b.icon, b.buttons) for b in boxes],
                             [(CAPTION, RESTART_QUESTION, "question", ["Yes", "No"])])
            self.assertTrue(t.of("gone"))
            self.assertEqual(win.restart_requests(), [])

            # Everything the installation added for the driver is gone ...
            self.assertEqual(ours(win), WINE_KEEPS)
            self.assertFalse(key_exists(win, SETTINGS + "\\KYR_POS_730"))
            self.assertFalse(key_exists(win, UNINSTALL_KEY))
            for path in (inf_copy, pnf_copy, "C:\\windows\\inf\\oem3.inf", "C:\\windows\\inf\\oem3.PNF",
                         "C:\\windows\\system32\\MON730.DLL",
                         "C:\\windows\\system32\\spool\\prtprocs\\w32x86\\PRO730.dll",
                         DRIVERS + "\\3\\KYR730E.dll"):
                self.assertFalse(win.exists(path), path)
            for key in ENUM_KEYS:
                self.assertFalse(key_exists(win, key), key)
            for folder in EARLIER_FOLDERS:
                self.assertFalse(win.exists(DRIVERS + "\\" + folder), folder)
            # ... but a class entry of another case is no entry of ours, and the product
            # folder with the uninstaller and the modules stays.
            self.assertTrue(win.exists("C:\\windows\\inf\\oem4.inf"))
            self.assertTrue(win.exists("C:\\windows\\inf\\oem4.PNF"))
            for name in ("KYRPOS730_Uninstaller.exe", "Unhook_A.dll", "Unhook_B.dll"):
                self.assertTrue(win.exists(PRODUCT + "\\" + name), name)

    def test_answer_yes_restarts_without_closing_first(self):
        with Windows("uninstall-yes", "winxp") as win:
            install(win)
            run = uninstall(win, [WAIT, 'itemclick 1006 0', 'sleep 300', WATCH, 'click 1001',
                                  'box Yes 90000', 'gone "%s" 30000' % CAPTION])
            t = run.transcript
            self.assertIsNone(t.error, t.raw)
            self.assertEqual(run.exit_code, 0)
            statuses = [s[1:] for s in t.sequence() if s[0] == "status"]
            # The last line is shown on the bar of the last step: the dialog never reaches
            # its own completion.
            self.assertEqual(statuses[-1], ("Uninstall completed!", 90))
            self.assertEqual(len(win.restart_requests()), 1, win.restart_requests())
            self.assertEqual(ours(win), WINE_KEEPS)

    def test_two_printers_one_ticked_then_the_rest(self):
        with Windows("uninstall-two", "winxp") as win:
            install(win)
            install(win)
            self.assertEqual(printers(win), ["KYR POS 730", "KYR POS 730(#1)"])
            settings_key(win, "KYR_POS_730")
            settings_key(win, "KYR_POS_730(#1)")
            run = uninstall(win, [WAIT, 'items 1006', 'itemclick 1006 1', 'sleep 300', WATCH,
                                  'click 1001', 'gone "%s" 60000' % CAPTION])
            t = run.transcript
            self.assertIsNone(t.error, t.raw)
            self.assertEqual([e[2] for e in t.of("item")], ["KYR POS 730", "KYR POS 730(#1)"])
            self.assertEqual([s[1:] for s in t.sequence()],
                             [("Checking OS...", 30), ("Delete printers...", 60),
                              ("Uninstall completed!", 100)])
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
        with Windows("uninstall-noprinter", "winxp") as win:
            install(win)
            reg(win, "delete", "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\KYR POS 730", "/f")
            self.assertEqual(printers(win), [])
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

    def test_a_printer_on_a_driver_differing_only_in_case_is_not_listed(self):
        with Windows("uninstall-case", "winxp") as win:
            install(win)
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
        with Windows("uninstall-absent", "winxp") as win:
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
                             [(CAPTION, "KYR POS 730 Driver is not exist.\nUnistall aleady completed.",
                               "information", ["OK"])])
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
        with Windows("uninstall-binding", "winxp") as win:
            install(win)
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


if __name__ == "__main__":
    unittest.main()

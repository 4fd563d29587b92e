"""The product's whole life on one machine, once per Windows: installed from the medium as a
user does it, used, then removed with everything ticked; what stays is held to its reasons and
written to docs/leftovers.md.

Windows XP (LPT1): the installation with every spooler field, file and record; the
"Additional Commands" page in the property-sheet host (plugin_page.py); Cancel in the
uninstaller; the full removal with its list, bar and restart question, also of the class
entries, device keys and earlier driver folders an older driver left.
Windows 98 (LPT1, started from another current folder): every copy and INF append, the
restart with no privilege step; the removal's restart notice before the restart request."""
import os
import re
import unittest

from bench.flows import (dos_attributes, installed, key_exists, ours, printers, read, reg, registry_values,
                         run_uninstaller)
from bench.leftovers import TITLES, explain, left_behind, snapshot, write_doc
from bench.product import (CAPTION, NT_DRIVERS, PRODUCT, PROGRESS, REMOVAL_LINES, RESTART_NOTICE_9X,
                           RESTART_QUESTION, SETTINGS, UNINSTALL_KEY, UNINSTALLER_CAPTION, W9X_INSTALL_LINES,
                           nt_install_lines)
from bench.session import Session
from checks import HIDDEN, nt_installation, program_log, w9x_installation, with_call_log
from plugin_page import PageChecks, host_ready

CLASS_KEY = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-08002BE10318}"
ENUM_KEYS = ["HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VOSKREL_ZPD-815",
             "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VOSKRELZPD-815",
             "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\VOSKRELZPD-815"]
EARLIER_FOLDERS = ["voskrel_zpd_8156efc", "voskrelzpd_8156efc", "voskrelzpd_815a384"]
FOREIGN_INFS = [("oem5.inf", '[Version]\n[Strings]\n"Other Printer" = OTHER.GPD\n'),
                ("oem6.inf", '[Version]\n[Strings]\n"KYR POS 7300" = KYR7300.GPD\n'),
                ("oem7.inf", '[Version]\n[Strings]\n"KYR POS 730X" = KYR730X.GPD\n')]
# Class entries whose INF is already gone, its precompiled twin left: (twin, text, kept).
ORPHANED_PNFS = [("oem50.PNF", '[Strings]\n"KYR POS 730" = KYR730E.GPD\n', False),
                 ("oem51.PNF", '[Strings]\n"Other Printer" = OTHER.GPD\n', True)]
# Wine's spooler answers success to DeletePrintProcessorA and keeps the processor, so the
# module's registry fallback for it never runs there.
WINE_KEEPS = ["processor|KYRPOS PRINT PROCESSOR 730"]

sections = {}


def tearDownModule():
    if set(sections) == set(TITLES):
        write_doc([(v, sections[v]) for v in TITLES])


class Lifecycle(unittest.TestCase):
    """One session for the class; its tests run in name order, each a stage of the life."""
    version = None

    @classmethod
    def setUpClass(cls):
        cls.win = Session("life-" + cls.version, cls.version)
        try:
            cls.arrange()
            cls.before = snapshot(cls.win)
            cls.installation = cls.install()
        except BaseException:
            cls.win.close(keep=True)
            raise

    @classmethod
    def tearDownClass(cls):
        cls.win.close()

    @classmethod
    def arrange(cls):
        pass

    def assert_leftovers_explained(self):
        rows, unexplained = explain(self.version, left_behind(self.before, snapshot(self.win)))
        self.maxDiff = None
        self.assertEqual(unexplained, [], "left behind without a reason")
        sections[self.version] = rows


class WindowsXp(Lifecycle, PageChecks):
    version = "winxp"

    @classmethod
    def arrange(cls):
        # Class entries an older driver left: ours, with its INF, and one of another case,
        # which is no entry of ours and stays (before the snapshot, so it is no change).
        win = cls.win
        reg(win, "add", CLASS_KEY + "\\0000", "/v", "DriverDesc", "/d", "KYR POS 730", "/f")
        reg(win, "add", CLASS_KEY + "\\0000", "/v", "InfPath", "/d", "oem3.inf", "/f")
        reg(win, "add", CLASS_KEY + "\\0001", "/v", "DriverDesc", "/d", "kyr pos 730", "/f")
        reg(win, "add", CLASS_KEY + "\\0001", "/v", "InfPath", "/d", "oem4.inf", "/f")
        # The removal deletes a class entry's INF only while it still names the driver.
        # Entries whose freed INF name now belongs to another device's INF, or to a model whose
        # name only starts like ours: those INFs are not ours and stay.
        for number, (inf, text) in enumerate(FOREIGN_INFS, start=2):
            reg(win, "add", CLASS_KEY + "\\%04d" % number, "/v", "DriverDesc", "/d", "KYR POS 730", "/f")
            reg(win, "add", CLASS_KEY + "\\%04d" % number, "/v", "InfPath", "/d", inf, "/f")
            with open(win.path("C:\\windows\\inf\\" + inf), "w") as f:
                f.write(text)
        for number, (pnf, text, _) in enumerate(ORPHANED_PNFS, start=2 + len(FOREIGN_INFS)):
            reg(win, "add", CLASS_KEY + "\\%04d" % number, "/v", "DriverDesc", "/d", "KYR POS 730", "/f")
            reg(win, "add", CLASS_KEY + "\\%04d" % number, "/v", "InfPath", "/d", pnf[:-3] + "inf", "/f")
            with open(win.path("C:\\windows\\inf\\" + pnf), "w") as f:
                f.write(text)
        for name, text in (("oem3.inf", '[Version]\n[Strings]\n"KYR POS 730" = KYR730E.GPD\n'),
                           ("oem3.PNF", "[Version]\n"), ("oem4.inf", "[Version]\n"), ("oem4.PNF", "[Version]\n")):
            with open(win.path("C:\\windows\\inf\\" + name), "w") as f:
                f.write(text)
        # The device classes' keys such a machine has; the printer's own keys below them are
        # made after the installation, which would remove them first.
        for key in ENUM_KEYS:
            reg(win, "add", key.rsplit("\\", 1)[0], "/f")

    @classmethod
    def install(cls):
        run = installed(cls.win, "LPT1", extra=["sleep 3500", 'wait "%s"' % PROGRESS,
                                               "shot C:\\bench\\progress.bmp"])
        cls.win.png("C:\\bench\\progress.bmp", "installing")
        host_ready(cls.win)
        return run

    def test_1_installed(self):
        seq = self.installation.transcript.sequence()
        self.assertEqual([(s[1], s[2]) for s in seq if s[0] == "status"], nt_install_lines())
        self.assertEqual([(b.caption, b.text, b.icon, b.buttons, b.owner) for _, b in
                          [s for s in seq if s[0] == "box"]],
                         [(CAPTION, RESTART_QUESTION, "question", ["Yes", "No"], "none")])
        self.assertEqual(self.win.restart_requests(), [])
        nt_installation(self, self.win)

    def test_3_cancel_in_the_uninstaller_removes_nothing(self):
        win = self.win
        footprint = (win.spooler(), win.registry(UNINSTALL_KEY), win.registry(SETTINGS))
        run = run_uninstaller(win, ['wait "%s" 60000' % UNINSTALLER_CAPTION, 'itemclick 1006 0',
                                    'sleep 300', 'click 2', 'gone "%s" 30000' % UNINSTALLER_CAPTION])
        self.assertIsNone(run.transcript.error, run.transcript.raw)
        self.assertEqual((run.exit_code, run.transcript.boxes()), (0, []))
        self.assertEqual((win.spooler(), win.registry(UNINSTALL_KEY), win.registry(SETTINGS)), footprint)

    def test_9_removed(self):
        win = self.win
        # The page's second sheet stored settings for a printer that never existed: not ours.
        reg(win, "delete", SETTINGS + "\\KYR_POS_730_second", "/f")
        # What a machine that once had the printer's hardware and older drivers carries.
        for key in ENUM_KEYS:
            reg(win, "add", key + "\\0000", "/v", "DeviceDesc", "/d", "KYR POS 730", "/f")
        for folder in EARLIER_FOLDERS:
            os.makedirs(win.path(NT_DRIVERS + "\\" + folder + "\\sub"), exist_ok=True)
            with open(win.path(NT_DRIVERS + "\\" + folder + "\\sub\\old.dll"), "w") as f:
                f.write("old")
        inf_copy = dict(registry_values(win, UNINSTALL_KEY))["InfFile"][3:]
        self.assertTrue(key_exists(win, SETTINGS + "\\KYR_POS_730"))

        run, calls = with_call_log(win, run_uninstaller, [
            'wait "%s" 60000' % UNINSTALLER_CAPTION, 'dump', 'items 1006', 'enabled 1001',
            'shot C:\\bench\\listed.bmp',
            'itemclick 1006 0', 'sleep 300', 'enabled 1001', 'shot C:\\bench\\ticked.bmp',
            'itemclick 1006 0', 'sleep 300', 'enabled 1001',
            'itemclick 1006 0', 'sleep 300', 'enabled 1001',
            'watch "%s" 1000 1002' % UNINSTALLER_CAPTION, 'click 1001', 'box No 90000 C:\\bench\\question.bmp',
            'gone "%s" 30000' % UNINSTALLER_CAPTION])
        for name in ("listed", "ticked", "question"):
            win.png("C:\\bench\\%s.bmp" % name, name)
        t = run.transcript
        self.assertIsNone(t.error, t.raw)
        self.assertEqual(run.exit_code, 0)
        self.assertEqual([e[2] for e in t.of("item")], ["KYR POS 730"])
        # Disabled at first, enabled by the tick, disabled when it is taken back.
        self.assertEqual([e[2] for e in t.of("enabled")], ["0", "1", "0", "1"])
        self.assertEqual({int(e[1]): e[2].lower() for e in t.of("control")}[1006], "listbox")
        seq = t.sequence()
        self.assertEqual([s[1:] for s in seq if s[0] == "status"], REMOVAL_LINES)
        self.assertEqual([(b.caption, b.text, b.icon, b.buttons) for _, b in [s for s in seq if s[0] == "box"]],
                         [(UNINSTALLER_CAPTION, RESTART_QUESTION, "question", ["Yes", "No"])])
        self.assertEqual(win.restart_requests(), [])

        self.assertEqual(ours(win), WINE_KEEPS)
        self.assertFalse(key_exists(win, SETTINGS + "\\KYR_POS_730"))
        self.assertFalse(key_exists(win, UNINSTALL_KEY))
        for path in (inf_copy, inf_copy[:-3] + "PNF", "C:\\windows\\inf\\oem3.inf", "C:\\windows\\inf\\oem3.PNF",
                     "C:\\windows\\system32\\MON730.DLL", "C:\\windows\\system32\\spool\\prtprocs\\w32x86\\PRO730.dll",
                     NT_DRIVERS + "\\3\\KYR730E.dll"):
            self.assertFalse(win.exists(path), path)
        for key in ENUM_KEYS:
            self.assertFalse(key_exists(win, key), key)
        for folder in EARLIER_FOLDERS:
            self.assertFalse(win.exists(NT_DRIVERS + "\\" + folder), folder)
        # A class entry of another case is no entry of ours; an INF that does not name the
        # driver as a whole is no INF of ours.
        for inf, _ in FOREIGN_INFS:
            self.assertTrue(win.exists("C:\\windows\\inf\\" + inf), inf)
        self.assertTrue(win.exists("C:\\windows\\inf\\oem4.inf"))
        self.assertTrue(win.exists("C:\\windows\\inf\\oem4.PNF"))
        for pnf, _, kept in ORPHANED_PNFS:
            self.assertEqual(win.exists("C:\\windows\\inf\\" + pnf), kept, pnf)
        # Before Vista no driver store: the recorded INF is deleted as a file.
        self.assertEqual([c for c in calls if c.name == "SetupUninstallOEMInfA"], [])
        self.assertIn(("DeleteFileA", "ok", '"%s"' % inf_copy), [(c.name, c.result, c.detail) for c in calls])
        self.assert_leftovers_explained()


class Windows98(Lifecycle):
    version = "win98"

    @classmethod
    def arrange(cls):
        cls.win.tool("attrib", "-h", "C:\\windows\\inf")
        cls.inf_hidden_before = dos_attributes(cls.win, "C:\\windows\\inf") & HIDDEN
        cls.usbprint_before = read(cls.win, "C:\\windows\\inf\\usbprint.inf") or b""

    @classmethod
    def install(cls):
        win = cls.win
        # Wine's relay trace of the restart's calls, for this run only.
        reg(win, "add", "HKCU\\Software\\Wine\\Debug", "/v", "RelayInclude", "/t", "REG_SZ", "/d",
            "ExitWindowsEx;AdjustTokenPrivileges;LookupPrivilegeValueA;OpenProcessToken", "/f")
        win.program_env["WINEDEBUG"] = "+relay"
        try:
            # A shortcut whose "Start in" is elsewhere, or the program's path typed at a prompt.
            return installed(win, "LPT1", answers=["Yes"], cwd="C:\\windows")
        finally:
            win.program_env["WINEDEBUG"] = win.env["WINEDEBUG"]
            reg(win, "delete", "HKCU\\Software\\Wine\\Debug", "/v", "RelayInclude", "/f")

    def test_1_installed_and_restarted_without_a_privilege_step(self):
        win = self.win
        self.assertFalse(self.inf_hidden_before, "the INF folder started visible")
        t = self.installation.transcript
        self.assertEqual(t.status_lines(), W9X_INSTALL_LINES)
        self.assertEqual([(b.caption, b.text, b.icon, b.buttons, b.owner) for b in t.boxes()],
                         [(CAPTION, RESTART_QUESTION, "question", ["Yes", "No"], "none")])
        self.assertEqual(t.sequence()[-1][0], "box", "the question follows Completed!")
        w9x_installation(self, win)
        self.assertNotEqual(read(win, "C:\\windows\\inf\\usbprint.inf"), self.usbprint_before)
        self.assertFalse(win.exists("C:\\windows\\inf\\OTHER\\kyr730.inf"))
        self.assertEqual(len(win.restart_requests()), 1)
        calls = re.findall(r"Call \w+\.(\w+\([0-9a-f,]*\))", program_log(win))
        # Wine's trace may show the call twice (the program's and user32's own forward).
        self.assertEqual(set(calls), {"ExitWindowsEx(00000006,00000000)"}, "EWX_REBOOT|EWX_FORCE, no privilege step")

    def test_9_removed_with_the_notice_before_the_restart(self):
        win = self.win
        requests = len(win.restart_requests())
        program = win.start(PRODUCT + "\\KYRPOS730_Uninstaller.exe", cwd=PRODUCT)
        try:
            shown = win.drive(['wait "%s" 60000' % UNINSTALLER_CAPTION, 'itemclick 1006 0', 'sleep 300',
                               'watch "%s" 1000 1002' % UNINSTALLER_CAPTION, 'click 1001', 'box none 90000'])
            # The notice is up and no restart has been asked for yet.
            while_shown = len(win.restart_requests())
            answered = win.drive(['box OK 30000', 'gone "%s" 60000' % UNINSTALLER_CAPTION])
            code = program.wait(timeout=120)
        finally:
            if program.poll() is None:
                program.kill()
        self.assertIsNone(shown.error, shown.raw)
        self.assertIsNone(answered.error, answered.raw)
        self.assertEqual(code, 0)
        seq = shown.sequence()
        self.assertEqual([s[1:] for s in seq if s[0] == "status"], REMOVAL_LINES[:3])
        box = seq[-1][1]
        self.assertEqual((box.caption, box.text, box.icon, box.buttons),
                         (UNINSTALLER_CAPTION, RESTART_NOTICE_9X, "information", ["OK"]))
        self.assertEqual(while_shown, requests)
        self.assertEqual(len(win.restart_requests()), requests + 1)
        self.assertEqual([l for l in win.spooler() if "730" in l and not l.startswith("form|")], [])
        self.assertFalse(key_exists(win, UNINSTALL_KEY))
        self.assertFalse(win.exists("C:\\windows\\inf\\kyr730.inf"))
        self.assertEqual(printers(win), {})
        self.assert_leftovers_explained()


if __name__ == "__main__":
    unittest.main()

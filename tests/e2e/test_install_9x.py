"""The installer on Windows 98 (and the main flow on 95 and Me): a fresh LPT1 installation
with every copy, spooler record, INF append and the restart; USB; a second run with the
driver present; a language monitor that is already registered; the INF\\OTHER folder."""
import os
import re
import unittest

from bench.session import Windows

INSTALLER = "C:\\media\\KYRPOS730_Installer.exe"
PROGRESS = "KYR POS 730 Installation Progress"
CAPTION = "KYR POS 730 installer"
RADIO = {"COM1": 1006, "COM2": 1007, "COM3": 1008, "COM4": 1009, "LPT1": 1010, "LPT2": 1011, "USB": 1012}
WINDOWS = "C:\\windows"
SYSTEM = "C:\\windows\\system32"
DRIVERS = "C:\\windows\\system32\\spool\\drivers\\win40"
PROCESSORS = "C:\\windows\\system32\\spool\\prtprocs\\win40"
STAGING = "C:\\windows\\KYR-730\\usb"
UNINSTALL_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730"
QUESTION = ("Restart the computer can take effect.\nPlease restart the computer."
            "\n\n[Yes] I want to restart my computer now.\n[No] I will restart my computer later.")
USB_NOTICE = ("Restart the computer can take effect.\nPlease finish the program in process before it "
              "restarts the computer.\nAfter restarted, turn-on printer!!")

# Every copy of a new installation: medium file (driver9x) and where it must land.
COPIES = [
    ("MON730.DLL", SYSTEM + "\\MON730.DLL"), ("MON730.DLL", STAGING + "\\MON730.DLL"),
    ("usbmon.dll", SYSTEM + "\\usbmon.dll"), ("usbmon.dll", STAGING + "\\usbmon.dll"),
    ("PRO730.DLL", PROCESSORS + "\\PRO730.DLL"), ("PRO730.DLL", STAGING + "\\PRO730.DLL"),
    ("dmcolor.dll", DRIVERS + "\\dmcolor.dll"), ("dmcolor.dll", STAGING + "\\dmcolor.dll"),
    ("iconlib.dll", DRIVERS + "\\iconlib.dll"), ("iconlib.dll", STAGING + "\\iconlib.dll"),
    ("KYR730E.DRV", DRIVERS + "\\KYR730E.DRV"), ("KYR730E.DRV", STAGING + "\\KYR730E.DRV"),
    ("unidrv.dll", DRIVERS + "\\unidrv.dll"), ("unidrv.dll", STAGING + "\\unidrv.dll"),
    ("unidrv.hlp", DRIVERS + "\\unidrv.hlp"), ("unidrv.hlp", STAGING + "\\unidrv.hlp"),
    ("usbprint.sys", WINDOWS + "\\system32\\drivers\\usbprint.sys"),
    ("cyclerun.exe", WINDOWS + "\\cyclerun.exe"),
]

NEW_DRIVER_LPT = [
    ("Check driver...\r\n", 11), ("Add printer...\r\n", 22), ("Install language monitor...\r\n", 33),
    ("Install print processor...\r\n", 44), ("Copy files...\r\n", 55), ("Install printer driver...\r\n", 66),
    ("Install printer...\r\n", 77), ("Completed!", 100),
]
NEW_DRIVER_USB = [s for s in NEW_DRIVER_LPT if s[0] != "Install printer...\r\n"]

DEPENDENT = ["KYR730E.DRV", "MON730.DLL", "PRO730.DLL", "UNIDRV.DLL", "UNIDRV.HLP", "ICONLIB.DLL",
             "DMCOLOR.DLL", "USBMON.DLL"]
PRINTER_FIELDS = ("server=(null)|share=(null)|port=%s|driver=KYR POS 730|comment=(null)|location=(null)|"
                  "sepfile=(null)|processor=KYRPOS PRINT PROCESSOR 730|datatype=RAW|parameters=(null)|"
                  "attributes=0x1800|priority=1|defaultpriority=1|start=0|until=0|status=0x0|jobs=0|ppm=0")
HIDDEN = 0x2


def prepare_9x(win):
    # A real Windows 9x has its print-processor folder; a fresh Wine prefix does not.
    os.makedirs(win.path(PROCESSORS), exist_ok=True)


def install(win, port="LPT1", boxes=(), policy=None, cwd="C:\\media"):
    """Runs the installer: the port, optionally the overwrite entry, then the boxes in order;
    cwd is the current folder it is started in."""
    script = ['wait "%s" 60000' % PROGRESS, 'watch "%s" 1003 1000' % PROGRESS,
              'wait "Select Port Type" 60000', 'click %d' % RADIO[port]]
    if policy is not None:
        script.append("select 1000 %d" % policy)
    script.append("click 1")
    script += ["box %s 120000" % b for b in boxes]
    script.append('gone "%s" 120000' % PROGRESS)
    return win.run(INSTALLER, script, cwd=cwd)


def read(win, windows_path):
    found = win.find(windows_path)
    if found is None:
        return None
    with open(found, "rb") as f:
        return f.read()


def medium(win, name):
    return read(win, "C:\\media\\driver9x\\" + name)


def dos_attributes(win, windows_path):
    """Wine keeps DOS attributes in an extended attribute of the Unix file."""
    try:
        return int(os.getxattr(win.find(windows_path), "user.DOSATTRIB").split(b"\0")[0], 16)
    except OSError:
        return 0


def driver_inf_text(folder):
    return (folder + "\\KYR-730\\usb\"\r\n").encode("latin-1")


def usbprint_inf_text(folder):
    return ('DRIVER_PATH = "%s\\system32\\drivers"\r\nCYCLERUN = "%s\\cyclerun.exe"\r\n'
            % (folder, folder)).encode("latin-1")


def observe_calls(win, names):
    """Logs the program's calls of these functions (Wine's relay trace) to program.log."""
    win.tool("reg", "add", "HKCU\\Software\\Wine\\Debug", "/v", "RelayInclude", "/t", "REG_SZ",
             "/d", ";".join(names), "/f")
    win.program_env["WINEDEBUG"] = "+relay"
    # The log outlives the prefix; a trace of an earlier run must not count.
    log = os.path.join(win.shots, "program.log")
    if os.path.exists(log):
        os.remove(log)


def program_log(win):
    with open(os.path.join(win.shots, "program.log"), "rb") as f:
        return f.read().decode("latin-1")


class Checks(unittest.TestCase):
    def assert_new_installation(self, win, run, port, statuses):
        self.assertEqual(run.exit_code, 0)
        self.assertIsNone(run.transcript.error)
        self.assertEqual(run.transcript.status_lines(), statuses)
        spooler = win.spooler()
        self.assertIn("monitor|KYRPOS Language Monitor 730|env=Windows NT x86|dll=MON730.DLL", spooler)
        self.assertIn("monitor|usbmon.dll|env=Windows NT x86|dll=usbmon.DLL", spooler)
        self.assertIn("processor|Windows 4.0|KYRPOS PRINT PROCESSOR 730", spooler)
        drivers = [l for l in spooler if l.startswith("driver|Windows 4.0|KYR POS 730|")]
        self.assertEqual(len(drivers), 1, spooler)
        fields = dict(f.split("=", 1) for f in drivers[0].split("|")[3:])
        base = DRIVERS.replace("\\", "\\\\") + "\\\\0\\\\"
        for key in ("path", "data", "config"):
            self.assertEqual(fields[key], base + "KYR730E.DRV")
        self.assertEqual(fields["help"], base + "UNIDRV.HLP")
        self.assertEqual(fields["dependent"], "[" + ",".join(base + n for n in DEPENDENT) + "]")
        self.assertEqual(fields["monitor"], "KYRPOS Language Monitor 730")
        self.assertEqual(fields["datatype"], "RAW")
        printers = [l for l in spooler if l.startswith("printer|")]
        if port == "USB":
            self.assertEqual(printers, [])
        else:
            self.assertEqual(printers, ["printer|KYR POS 730|" + PRINTER_FIELDS % (port + ":")])
        for source, target in COPIES:
            with self.subTest(copy=target):
                self.assertEqual(read(win, target), medium(win, source))
        entry = [l.split("|") for l in win.registry(UNINSTALL_KEY) if l.startswith("value|")]
        self.assertIn(["InfFile", "sz:"], [e[2:] for e in entry], "InfFile exists and is empty")
        self.assertTrue(win.exists(WINDOWS + "\\KYR-730\\Unhook_A.dll"))
        self.assertTrue(dos_attributes(win, WINDOWS + "\\inf") & HIDDEN)


class FreshLptOnWindows98(Checks):
    def test_every_copy_record_and_append_then_yes_restarts_without_privilege(self):
        with Windows("w9x-lpt-yes", "win98") as win:
            prepare_9x(win)
            win.tool("attrib", "-h", WINDOWS + "\\inf")
            self.assertFalse(dos_attributes(win, WINDOWS + "\\inf") & HIDDEN, "INF starts visible")
            usbprint_before = read(win, WINDOWS + "\\inf\\usbprint.inf") or b""
            observe_calls(win, ["ExitWindowsEx", "AdjustTokenPrivileges", "LookupPrivilegeValueA",
                                "OpenProcessToken"])
            run = install(win, "LPT1", boxes=["Yes"])
            self.assert_new_installation(win, run, "LPT1", NEW_DRIVER_LPT)
            boxes = run.transcript.boxes()
            self.assertEqual([(b.caption, b.text, b.icon, b.buttons, b.owner) for b in boxes],
                             [(CAPTION, QUESTION, "question", ["Yes", "No"], "none")])
            self.assertEqual(run.transcript.sequence()[-1][0], "box", "the question follows Completed!")

            # The appended bytes exactly, for this Windows folder of 10 characters.
            self.assertEqual(read(win, WINDOWS + "\\inf\\kyr730.inf"),
                             medium(win, "kyr730.inf") + driver_inf_text(WINDOWS))
            self.assertEqual(len(driver_inf_text(WINDOWS)), 25)
            self.assertEqual(read(win, WINDOWS + "\\inf\\usbprint.inf"),
                             medium(win, "usbprint.inf") + usbprint_inf_text(WINDOWS))
            self.assertEqual(len(usbprint_inf_text(WINDOWS)), 83)
            self.assertNotEqual(usbprint_before, read(win, WINDOWS + "\\inf\\usbprint.inf"))
            self.assertFalse(win.exists(WINDOWS + "\\inf\\OTHER\\kyr730.inf"))

            self.assertEqual(len(win.restart_requests()), 1)
            calls = re.findall(r"Call \w+\.(\w+\([0-9a-f,]*\))", program_log(win))
            self.assertEqual(calls, ["ExitWindowsEx(00000006,00000000)"], "EWX_REBOOT|EWX_FORCE, no privilege step")


class NoRestartThenDriverPresent(Checks):
    def test_numbered_printer_only_and_usb_changes_nothing(self):
        with Windows("w9x-present", "win98") as win:
            prepare_9x(win)
            run = install(win, "COM2", boxes=["No"])
            self.assert_new_installation(win, run, "COM2", NEW_DRIVER_LPT)
            self.assertEqual(win.restart_requests(), [])
            infs = {p: read(win, p) for p in (WINDOWS + "\\inf\\kyr730.inf", WINDOWS + "\\inf\\usbprint.inf")}
            os.remove(win.find(STAGING + "\\unidrv.dll"))
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
            self.assertFalse(win.exists(STAGING + "\\unidrv.dll"), "no copies")
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


class UsbOnWindows98(Checks):
    def test_driver_without_printer_then_notice_and_restart_at_once(self):
        with Windows("w9x-usb", "win98") as win:
            prepare_9x(win)
            run = install(win, "USB", boxes=["OK"])
            self.assert_new_installation(win, run, "USB", NEW_DRIVER_USB)
            boxes = run.transcript.boxes()
            self.assertEqual([(b.caption, b.text, b.icon, b.buttons, b.owner) for b in boxes],
                             [(CAPTION, USB_NOTICE, "information", ["OK"], "none")])
            self.assertEqual(read(win, WINDOWS + "\\inf\\kyr730.inf"),
                             medium(win, "kyr730.inf") + driver_inf_text(WINDOWS))
            self.assertEqual(len(win.restart_requests()), 1)


class MonitorAlreadyRegistered(Checks):
    def test_reported_and_the_installation_completes(self):
        with Windows("w9x-monitor", "win98") as win:
            prepare_9x(win)
            win.tool("reg", "add", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Monitors\\"
                     "KYRPOS Language Monitor 730", "/v", "Driver", "/t", "REG_SZ", "/d", "MON730.DLL", "/f")
            run = install(win, "LPT1", boxes=["OK", "No"])
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
        with Windows("w9x-driver-refused", "win98") as win:
            prepare_9x(win)
            # A volatile driver folder key: the spooler cannot store the driver below it.
            win.tool("C:\\bench\\volatile_key.exe", "HKLM\\System\\CurrentControlSet\\Control\\Print\\"
                     "Environments\\Windows 4.0\\Drivers\\Version-0")
            device = "HKLM\\Enum\\USBPRINT\\VOSKRELZPD-815\\1&2"
            win.tool("reg", "add", device, "/v", "Driver", "/d", "x", "/f")
            run = install(win, "LPT1", boxes=["OK"])
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
        with Windows("w9x-95-other", "win95") as win:
            prepare_9x(win)
            os.makedirs(win.path(WINDOWS + "\\inf\\OTHER"), exist_ok=True)
            earlier = "HKLM\\Enum\\USBPRINT\\VOSKREL_ZPD-815"
            win.tool("reg", "add", earlier + "\\1&2", "/v", "Driver", "/d", "x", "/f")
            # A Windows 95 without Internet Explorer: no shlwapi, no setupapi.
            win.program_env["WINEDLLOVERRIDES"] += ";shlwapi=;setupapi="
            run = install(win, "LPT1", boxes=["No"])
            self.assert_new_installation(win, run, "LPT1", NEW_DRIVER_LPT)
            self.assertEqual(win.registry(earlier)[0].split("|")[0], "nokey")
            self.assertEqual(read(win, WINDOWS + "\\inf\\OTHER\\kyr730.inf"),
                             medium(win, "kyr730.inf") + driver_inf_text(WINDOWS))
            self.assertFalse(win.exists(WINDOWS + "\\inf\\kyr730.inf"))
            self.assertEqual(read(win, WINDOWS + "\\inf\\usbprint.inf"),
                             medium(win, "usbprint.inf") + usbprint_inf_text(WINDOWS))


class FromAnotherCurrentFolder(Checks):
    def test_fresh_lpt1_started_in_another_folder_equals_a_normal_run(self):
        with Windows("w9x-elsewhere", "win98") as win:
            prepare_9x(win)
            run = install(win, "LPT1", boxes=["No"], cwd=WINDOWS)
            self.assert_new_installation(win, run, "LPT1", NEW_DRIVER_LPT)
            self.assertEqual(read(win, WINDOWS + "\\inf\\kyr730.inf"),
                             medium(win, "kyr730.inf") + driver_inf_text(WINDOWS))


class FailedCopies(Checks):
    def test_a_read_only_target_is_listed_and_the_installation_goes_on(self):
        from flows import make_read_only, writable
        with Windows("w9x-copies-failed", "win98") as win:
            prepare_9x(win)
            locked = make_read_only(win, SYSTEM + "\\usbmon.dll")
            try:
                run = install(win, "LPT1", boxes=["OK", "No"])
            finally:
                writable(locked)
            self.assertEqual(run.exit_code, 0)
            boxes = run.transcript.boxes()
            self.assertEqual([(b.caption, b.text, b.icon, b.buttons, b.owner) for b in boxes], [
                (CAPTION, "These files could not be copied:\n\nC:\\windows\\system32\\usbmon.dll\n"
                 "Error Code: 5\nAccess denied.\n", "exclamation", ["OK"], "none"),
                (CAPTION, QUESTION, "question", ["Yes", "No"], "none")])
            self.assertEqual(run.transcript.status_lines(), NEW_DRIVER_LPT)
            self.assertEqual(read(win, STAGING + "\\usbmon.dll"), medium(win, "usbmon.dll"))
            self.assertTrue(any(l.startswith("printer|KYR POS 730|") for l in win.spooler()))


class MainFlowOnWindowsMe(Checks):
    def test_fresh_lpt1(self):
        with Windows("w9x-me", "winme") as win:
            prepare_9x(win)
            run = install(win, "LPT1", boxes=["No"])
            self.assert_new_installation(win, run, "LPT1", NEW_DRIVER_LPT)


class UninstallerOnThisInstallation(Checks):
    def test_windows_9x_branch_removes_the_spooler_objects_and_the_entry(self):
        caption = "KYR POS 730 uninstaller"
        with Windows("w9x-uninstall", "win98") as win:
            prepare_9x(win)
            self.assertEqual(install(win, "LPT1", boxes=["No"]).exit_code, 0)
            run = win.run(WINDOWS + "\\KYR-730\\KYRPOS730_Uninstaller.exe", [
                'wait "%s" 60000' % caption, 'itemclick 1006 0', 'sleep 300', 'watch "%s" 1000 1002' % caption,
                'click 1001', 'box OK 90000', 'gone "%s" 60000' % caption], cwd=WINDOWS + "\\KYR-730")
            self.assertEqual(run.exit_code, 0)
            self.assertIsNone(run.transcript.error)
            ours = [l for l in win.spooler() if "730" in l and not l.startswith("form|")]
            self.assertEqual(ours, [])
            self.assertIn("nokey|", win.registry(UNINSTALL_KEY)[0])
            self.assertFalse(win.exists(WINDOWS + "\\inf\\kyr730.inf"))
            self.assertEqual(len(win.restart_requests()), 1)
            # The uninstaller runs from the product folder, so that folder stays behind.
            self.assertTrue(win.exists(WINDOWS + "\\KYR-730\\KYRPOS730_Uninstaller.exe"))


if __name__ == "__main__":
    unittest.main()

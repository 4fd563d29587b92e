"""A complete installation on Windows 2000, XP and Server 2003, as a user runs it from the
medium, and what it leaves on the system."""
import os
import unittest

from bench.session import Windows
from flows import (CAPTION, NT_STEPS, PRODUCT_UNINSTALLER, PROGRESS, RESTART_QUESTION, UNINSTALL_KEY, USB_DONE,
                   basename, drivers, hold_open, install, make_read_only, printers, registry_values, writable)

DRIVER_FOLDER = "C:\\windows\\system32\\spool\\drivers\\w32x86"
STAGED = ["UNIDRV.DLL", "UNIDRVUI.DLL", "UNIDRV.HLP", "UNIRES.DLL", "MON730.DLL", "PRO730.DLL", "KYR730E.DLL",
          "UI730.DLL", "UI730.INI", "KYR730E.GPD", "STDNAMES.GPD"]
EXPECTED_PRINTER = {"server": "(null)", "share": "(null)", "driver": "KYR POS 730", "comment": "(null)",
                    "location": "(null)", "sepfile": "(null)", "processor": "KYRPOS PRINT PROCESSOR 730",
                    "datatype": "RAW", "parameters": "(null)", "attributes": "0x1800", "priority": "1",
                    "defaultpriority": "0", "start": "0", "until": "0",
                    # Wine reads the status 0x80 the installer gives back as 0.
                    "status": "0x0", "jobs": "0", "ppm": "0"}


def full_sequence(bar_before_done=88, printer=True):
    steps = list(NT_STEPS)
    if printer:
        steps.append("Install printer...\r\n")
    steps.append("Delete installed files...\r\n")
    return [(text, 11 * (i + 1)) for i, text in enumerate(steps)] + [("Completed!", 100)]


class FreshInstallation(unittest.TestCase):
    def check_fresh_lpt1(self, version, cwd="C:\\media", name=None):
        with Windows(name or "nt-lpt1-" + version, version) as win:
            run = install(win, "LPT1", answers=["No"], extra=["sleep 3500", 'wait "%s"' % PROGRESS,
                                                             "shot C:\\bench\\progress.bmp"], cwd=cwd)
            win.png("C:\\bench\\progress.bmp", "installing")
            t = run.transcript
            self.assertIsNone(t.error, t.raw)
            self.assertEqual(run.exit_code, 0)
            seq = t.sequence()
            statuses = [(s[1], s[2]) for s in seq if s[0] == "status"]
            self.assertEqual(statuses, full_sequence())
            boxes = [s[1] for s in seq if s[0] == "box"]
            self.assertEqual([(b.caption, b.text, b.icon, b.buttons, b.owner) for b in boxes],
                             [(CAPTION, RESTART_QUESTION, "question", ["Yes", "No"], "none")])
            self.assertEqual(win.restart_requests(), [])

            # Spooler objects with every field.
            spooler = win.spooler()
            self.assertIn("monitor|KYRPOS Language Monitor 730|env=Windows NT x86|dll=MON730.DLL", spooler)
            self.assertIn("processor|Windows NT x86|KYRPOS PRINT PROCESSOR 730", spooler)
            driver = drivers(win)["KYR POS 730"]
            self.assertEqual(driver["version"], "3")
            self.assertEqual(basename(driver["path"]), "UNIDRV.DLL")
            self.assertEqual(basename(driver["data"]), "KYR730E.GPD")
            self.assertEqual(basename(driver["config"]), "UNIDRVUI.DLL")
            self.assertEqual(basename(driver["help"]), "UNIDRV.HLP")
            self.assertEqual([basename(f) for f in driver["dependent"].strip("[]").split(",")],
                             ["UNIRES.DLL", "STDNAMES.GPD", "KYR730E.DLL", "UI730.DLL", "UI730.INI"])
            self.assertEqual(driver["monitor"], "KYRPOS Language Monitor 730")
            self.assertEqual(driver["datatype"], "RAW")
            self.assertEqual(list(printers(win)), ["KYR POS 730"])
            printer = printers(win)["KYR POS 730"]
            self.assertEqual(printer["port"], "LPT1:")
            for key, value in EXPECTED_PRINTER.items():
                self.assertEqual(printer[key], value, key)

            # Files: staging copies gone, the others stay.
            for name in STAGED:
                self.assertFalse(win.exists(DRIVER_FOLDER + "\\" + name), name)
            for folder, names in (("C:\\windows\\system32", ["MON730.DLL"]),
                                  ("C:\\windows", ["MON730.DLL", "KYR730E.DLL", "UI730.DLL", "UI730.INI",
                                                   "KYR730E.GPD"]),
                                  ("C:\\windows\\system32\\spool\\prtprocs\\w32x86", ["PRO730.DLL"]),
                                  (DRIVER_FOLDER + "\\3", ["UNIDRV.DLL", "UI730.DLL", "UI730.INI"])):
                for name in names:
                    self.assertTrue(win.exists(folder + "\\" + name), folder + "\\" + name)

            # The INF copy, the uninstall entry and the product folder.
            values = dict(registry_values(win, UNINSTALL_KEY))
            self.assertEqual(sorted(values), ["DisplayName", "InfFile", "KYR POS 730", "UninstallString"])
            self.assertEqual(values["DisplayName"], "sz:KYR POS 730 Windows Driver 1.0.0E")
            self.assertEqual(values["KYR POS 730"], "sz:")
            self.assertEqual(values["UninstallString"], "sz:C:\\windows\\KYR-730\\KYRPOS730_Uninstaller.exe")
            inf = values["InfFile"][3:]
            self.assertTrue(inf.lower().startswith("c:\\windows\\inf\\"), inf)
            self.assertTrue(win.exists(inf), inf)
            with open(win.find(inf), "rb") as copy, open(win.find("C:\\media\\driver2k\\KYR730.INF"), "rb") as src:
                self.assertEqual(copy.read(), src.read())
            for name in ("KYRPOS730_Uninstaller.exe", "Unhook_A.dll", "Unhook_B.dll"):
                if os.path.exists(win.path("C:\\media\\" + name)):
                    self.assertTrue(win.exists("C:\\windows\\KYR-730\\" + name), name)

    def test_lpt1_on_xp(self):
        self.check_fresh_lpt1("winxp")

    def test_lpt1_on_xp_started_from_another_current_folder(self):
        # A shortcut whose "Start in" is elsewhere, or the program's path typed at a prompt.
        self.check_fresh_lpt1("winxp", cwd="C:\\windows", name="nt-lpt1-elsewhere")

    def test_lpt1_on_2000(self):
        self.check_fresh_lpt1("win2k")

    def test_lpt1_on_server_2003(self):
        self.check_fresh_lpt1("win2003")

    def test_yes_requests_the_restart_with_the_shutdown_privilege(self):
        with Windows("nt-restart", "winxp") as win:
            win.program_env["WINEDEBUG"] = "trace+advapi"
            run = install(win, "COM1", answers=["Yes"])
            self.assertEqual(run.exit_code, 0)
            requests = win.restart_requests()
            self.assertEqual(len(requests), 1, requests)
            with open(os.path.join(win.shots, "program.log"), "rb") as f:
                log = f.read().decode("latin-1")
            self.assertIn("SeShutdownPrivilege", log)
            self.assertEqual(printers(win)["KYR POS 730"]["port"], "COM1:")

    def test_usb_adds_no_printer_and_asks_to_switch_the_printer_off_and_on(self):
        with Windows("nt-usb", "winxp") as win:
            run = install(win, "USB", answers=["OK"])
            self.assertEqual(run.exit_code, 0)
            seq = run.transcript.sequence()
            self.assertEqual([(s[1], s[2]) for s in seq if s[0] == "status"], full_sequence(printer=False))
            self.assertEqual([(b.text, b.icon, b.buttons, b.owner) for _, b in [s for s in seq if s[0] == "box"]],
                             [(USB_DONE, "information", ["OK"], "none")])
            self.assertEqual(printers(win), {})
            self.assertIn("KYR POS 730", drivers(win))
            self.assertTrue(dict(registry_values(win, UNINSTALL_KEY))["InfFile"] != "sz:")
            self.assertEqual(win.restart_requests(), [])


class DriverAlreadyPresent(unittest.TestCase):
    def test_numbered_printers_on_their_ports_and_usb_changes_nothing(self):
        with Windows("nt-numbered", "winxp") as win:
            self.assertEqual(install(win, "COM3", answers=["No"]).exit_code, 0)
            entry = registry_values(win, UNINSTALL_KEY)
            for port, name in (("LPT2", "KYR POS 730(#1)"), ("LPT1", "KYR POS 730(#2)")):
                run = install(win, port)
                self.assertEqual(run.exit_code, 0)
                self.assertEqual(run.transcript.boxes(), [])
                self.assertEqual(run.transcript.status_lines(), [
                    ("Check drivers...\r\n", 11), ("Add printer...\r\n", 22), ("Install printer...\r\n", 33),
                    ("Completed!", 100)])
                self.assertEqual(printers(win)[name]["port"], port + ":")
            self.assertEqual(printers(win)["KYR POS 730"]["port"], "COM3:")
            self.assertEqual(registry_values(win, UNINSTALL_KEY), entry)
            before = win.spooler()
            run = install(win, "USB")
            self.assertEqual(run.transcript.status_lines(), [
                ("Check drivers...\r\n", 11), ("Add printer...\r\n", 22), ("Completed!", 100)])
            self.assertEqual(run.transcript.boxes(), [])
            self.assertEqual(win.spooler(), before)

    def test_a_driver_differing_only_in_case_does_not_count(self):
        with Windows("nt-case", "winxp") as win:
            key = ("HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers"
                   "\\Version-3\\kyr pos 730")
            win.tool("reg", "add", key, "/v", "Configuration File", "/d", "UNIDRVUI.DLL", "/f")
            win.tool("reg", "add", key, "/v", "Driver", "/d", "UNIDRV.DLL", "/f")
            win.tool("reg", "add", key, "/v", "Version", "/t", "REG_DWORD", "/d", "3", "/f")
            self.assertIn("kyr pos 730", drivers(win))
            run = install(win, "LPT1", answers=["No"])
            # The whole new-driver sequence ran. The spooler's registry does not tell names
            # apart by case, so the registration keeps the spelling that came first.
            self.assertEqual(run.transcript.status_lines(), full_sequence())
            self.assertEqual(basename(drivers(win)["kyr pos 730"]["data"]), "KYR730E.GPD")
            self.assertEqual(list(printers(win)), ["KYR POS 730"])


class Failures(unittest.TestCase):
    def test_monitor_already_registered_is_reported_and_the_installation_completes(self):
        with Windows("nt-monitor", "winxp") as win:
            win.tool("reg", "add", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Monitors\\"
                     "KYRPOS Language Monitor 730", "/v", "Driver", "/d", "MON730.DLL", "/f")
            run = install(win, "LPT1", answers=["OK", "No"])
            self.assertEqual(run.exit_code, 0)
            boxes = run.transcript.boxes()
            self.assertEqual(len(boxes), 2)
            self.assertEqual((boxes[0].caption, boxes[0].icon, boxes[0].buttons, boxes[0].owner),
                             (CAPTION, "exclamation", ["OK"], "none"))
            # Wine has no message text for the spooler's codes, so the report ends there.
            self.assertEqual(boxes[0].text, "AddMonitor Error Code: 3006\n\n")
            self.assertEqual(boxes[1].text, RESTART_QUESTION)
            self.assertIn("KYR POS 730", printers(win))

    def test_a_refused_printer_ends_the_run_without_inf_or_uninstall_entry(self):
        with Windows("nt-addprinter", "winxp") as win:
            install(win, "LPT1", answers=["No"])
            # The driver stays, but the print processor the printer names is gone: the
            # spooler now refuses the printer.
            win.tool("reg", "delete", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\"
                     "Windows NT x86\\Print Processors\\KYRPOS PRINT PROCESSOR 730", "/f")
            win.tool("reg", "delete", "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730", "/f")
            run = install(win, "LPT2", answers=["OK"])
            self.assertEqual(run.exit_code, 0)
            boxes = run.transcript.boxes()
            self.assertEqual(len(boxes), 1)
            self.assertRegex(boxes[0].text, r"^AddPrinter Error Code: \d+\n\n")
            self.assertEqual(boxes[0].icon, "exclamation")
            self.assertEqual(run.transcript.status_lines()[-1][0], "Install printer...\r\n")
            self.assertNotIn("KYR POS 730(#1)", printers(win))
            self.assertEqual(registry_values(win, UNINSTALL_KEY), [])


    def test_a_refused_driver_is_reported_and_the_run_goes_on(self):
        with Windows("nt-driver-refused", "winxp") as win:
            # A volatile driver folder key: the spooler cannot store the driver below it.
            win.tool("C:\\bench\\volatile_key.exe", "HKLM\\System\\CurrentControlSet\\Control\\Print\\"
                     "Environments\\Windows NT x86\\Drivers\\Version-3")
            run = install(win, "LPT1", answers=["OK", "OK"])
            self.assertEqual(run.exit_code, 0)
            boxes = run.transcript.boxes()
            self.assertEqual(len(boxes), 2)
            self.assertTrue(boxes[0].text.startswith("AddPrinterDriver Error Code: 1021\n\n"), boxes[0].text)
            self.assertEqual(boxes[0].icon, "exclamation")
            # The run goes on to the printer, which the spooler then refuses for want of
            # its driver: the fatal report, and nothing after it.
            self.assertRegex(boxes[1].text, r"^AddPrinter Error Code: \d+\n\n")
            self.assertEqual([s[0] for s in run.transcript.status_lines()],
                             NT_STEPS + ["Install printer...\r\n"])
            self.assertEqual(printers(win), {})
            self.assertEqual(registry_values(win, UNINSTALL_KEY), [])


    def test_copies_that_fail_are_listed_before_the_final_message(self):
        with Windows("nt-copies-failed", "winxp") as win:
            locked = make_read_only(win, "C:\\windows\\KYR730E.DLL")
            try:
                holder = hold_open(win, PRODUCT_UNINSTALLER)
                run = install(win, "LPT1", answers=["OK", "No"])
                holder.kill()
                holder.wait(30)
            finally:
                writable(locked)
            self.assertEqual(run.exit_code, 0)
            seq = run.transcript.sequence()
            boxes = [s[1] for s in seq if s[0] == "box"]
            self.assertEqual((boxes[0].caption, boxes[0].icon, boxes[0].buttons, boxes[0].owner),
                             (CAPTION, "exclamation", ["OK"], "none"))
            self.assertEqual(boxes[0].text, "These files could not be copied:\n"
                             "\nC:\\windows\\KYR730E.DLL\nError Code: 5\nAccess denied.\n"
                             "\nC:\\windows\\KYR-730\\KYRPOS730_Uninstaller.exe\nError Code: 32\nSharing violation.\n")
            # Shown before the run says it is done, then the run goes on as usual.
            self.assertEqual([s[0] if s[0] == "box" else s[1] for s in seq][-4:],
                             ["Delete installed files...\r\n", "box", "Completed!", "box"])
            self.assertEqual(boxes[1].text, RESTART_QUESTION)
            self.assertEqual(list(printers(win)), ["KYR POS 730"])
            self.assertEqual(len(registry_values(win, UNINSTALL_KEY)), 4)


class Leftovers(unittest.TestCase):
    def test_earlier_hardware_entries_go_before_the_installation(self):
        with Windows("nt-leftovers", "winxp") as win:
            for folder in ("voskrel_zpd_8156efc", "voskrelzpd_8156efc", "voskrelzpd_815a384"):
                deep = win.path(DRIVER_FOLDER + "\\" + folder + "\\a\\b\\c")
                os.makedirs(deep)
                path = os.path.join(deep, "held.dll")
                with open(path, "w") as f:
                    f.write("x")
            for f in ("voskrel_zpd_8156efc", "voskrelzpd_8156efc", "voskrelzpd_815a384"):
                win.tool("attrib", "+r", DRIVER_FOLDER + "\\" + f + "\\a\\b\\c\\held.dll")
            device = "HKLM\\System\\CurrentControlSet\\Enum\\USB\\Vid_7a31&Pid_5e20\\5&123&0&1"
            win.tool("reg", "add", device, "/v", "HardwareID", "/t", "REG_MULTI_SZ",
                     "/d", "USB\\Vid_7a31&Pid_5e20&Rev_0100\\0USB\\Vid_7a31&Pid_5e20", "/f")
            win.tool("reg", "add", device, "/v", "ClassGUID", "/d", "{36FC9E60-C465-11CF-8056-444553540000}", "/f")
            other = "HKLM\\System\\CurrentControlSet\\Enum\\USB\\Vid_1234&Pid_0001\\7&1"
            win.tool("reg", "add", other, "/v", "HardwareID", "/t", "REG_MULTI_SZ", "/d", "USB\\Vid_1234&Pid_0001", "/f")
            win.tool("reg", "add", other, "/v", "ClassGUID", "/d", "{36FC9E60-C465-11CF-8056-444553540000}", "/f")
            keys = ["HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VOSKREL_ZPD-815\\1&2",
                    "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VOSKRELZPD-815\\1&2",
                    "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\VOSKRELZPD-815\\3&4"]
            for key in keys:
                win.tool("reg", "add", key, "/v", "Driver", "/d", "x", "/f")
            self.assertEqual(install(win, "LPT1", answers=["No"]).exit_code, 0)
            for folder in ("voskrel_zpd_8156efc", "voskrelzpd_8156efc", "voskrelzpd_815a384"):
                self.assertFalse(win.exists(DRIVER_FOLDER + "\\" + folder), folder)
            self.assertEqual(win.registry(device.rsplit("\\", 1)[0] + "\\5&123&0&1")[0].split("|")[0], "nokey")
            self.assertEqual(win.registry(other)[0].split("|")[0], "key")
            for key in keys:
                parent = key.rsplit("\\", 1)[0]
                self.assertEqual(win.registry(parent)[0].split("|")[0], "nokey", parent)

    def test_second_installation_after_the_driver_went_keeps_one_entry(self):
        with Windows("nt-twice", "winxp") as win:
            install(win, "LPT1", answers=["No"])
            first = dict(registry_values(win, UNINSTALL_KEY))["InfFile"]
            os.remove(win.find(first[3:]))
            pnf = win.find(first[3:-4] + ".PNF")
            if pnf:
                os.remove(pnf)
            win.tool("reg", "delete", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers\\KYR POS 730", "/f")
            win.tool("reg", "delete", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\"
                     "Windows NT x86\\Drivers\\Version-3\\KYR POS 730", "/f")
            win.tool("reg", "delete", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Monitors\\"
                     "KYRPOS Language Monitor 730", "/f")
            run = install(win, "LPT1", answers=["No"])
            self.assertEqual(run.transcript.status_lines(), full_sequence())
            values = registry_values(win, UNINSTALL_KEY)
            self.assertEqual(len([v for v in values if v[0] == "InfFile"]), 1)
            second = dict(values)["InfFile"]
            self.assertNotEqual(second, "sz:")
            self.assertTrue(win.exists(second[3:]))


if __name__ == "__main__":
    unittest.main()

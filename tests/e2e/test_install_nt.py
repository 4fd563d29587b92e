"""The NT installation beyond the life each Windows has in test_lifecycle.py and
test_later_windows.py: a new installation on 2000 (COM1, started from another current folder,
the restart asked for with the shutdown privilege) and Server 2003; a driver already present;
reported failures; the earlier hardware entries that go first."""
import os
import shutil
import unittest

from bench.flows import (basename, drivers, hold_open, install, make_read_only, ours, printers, read,
                         read_only_files, reg, registry_values, writable)
from bench.product import (CAPTION, NT_DRIVERS, NT_STEPS, PRODUCT, PRODUCT_UNINSTALLER, RESTART_QUESTION, UNINSTALL_KEY,
                           nt_install_lines)
from bench import faults
from bench.session import Session
from checks import nt_installation, program_log, set_read_only



class FreshInstallation(unittest.TestCase):
    def test_com1_on_2000_from_another_folder_then_yes_restarts_with_the_privilege(self):
        with Session("nt-2000", "win2k") as win:
            win.program_env["WINEDEBUG"] = "trace+advapi"
            # A shortcut whose "Start in" is elsewhere, or the program's path typed at a prompt.
            run = install(win, "COM1", answers=["Yes"], cwd="C:\\windows")
            self.assertIsNone(run.transcript.error, run.transcript.raw)
            self.assertEqual(run.exit_code, 0)
            self.assertEqual(run.transcript.status_lines(), nt_install_lines())
            self.assertEqual([(b.caption, b.text, b.owner) for b in run.transcript.boxes()],
                             [(CAPTION, RESTART_QUESTION, "none")])
            nt_installation(self, win, "COM1")
            self.assertEqual(len(win.restart_requests()), 1)
            self.assertIn("SeShutdownPrivilege", program_log(win))

    def test_lpt1_on_server_2003(self):
        with Session("nt-2003", "win2003") as win:
            run = install(win, "LPT1", answers=["No"])
            self.assertEqual((run.exit_code, run.transcript.status_lines()), (0, nt_install_lines()))
            nt_installation(self, win)
            self.assertEqual(win.restart_requests(), [])


class DriverAlreadyPresent(unittest.TestCase):
    def test_numbered_printers_on_their_ports_and_usb_changes_nothing(self):
        with Session("nt-numbered", "winxp") as win:
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
            # An entry naming another uninstaller that is there with both its modules is
            # another installation's, and stays; once its modules are gone, the next run
            # points it at the product folder's again.
            other = "C:\\Program Files\\KYR POS 730"
            os.makedirs(win.path(other), exist_ok=True)
            for name in ("KYRPOS730_Uninstaller.exe", "Unhook_A.dll", "Unhook_B.dll"):
                shutil.copy2(win.find(PRODUCT + "\\" + name), win.path(other + "\\" + name))
            reg(win, "add", UNINSTALL_KEY, "/v", "UninstallString", "/d", other + "\\KYRPOS730_Uninstaller.exe", "/f")
            before = win.spooler()
            for module, written in ((None, other + "\\KYRPOS730_Uninstaller.exe"), ("Unhook_B.dll", PRODUCT_UNINSTALLER)):
                if module:
                    os.remove(win.find(other + "\\" + module))
                run = install(win, "USB")
                self.assertEqual(run.transcript.status_lines(), [
                    ("Check drivers...\r\n", 11), ("Add printer...\r\n", 22), ("Completed!", 100)])
                self.assertEqual(run.transcript.boxes(), [])
                self.assertEqual(win.spooler(), before)
                self.assertEqual(dict(registry_values(win, UNINSTALL_KEY))["UninstallString"], "sz:" + written)

    def test_one_run_repairs_every_registration_and_the_whole_entry(self):
        with Session("nt-repair", "winxp") as win:
            install(win, "LPT1", answers=["No"])
            entry = registry_values(win, UNINSTALL_KEY)
            spooler = ours(win)
            infs = sorted(os.listdir(win.find("C:\\windows\\inf")))
            # Another vendor's clean-up tool took the monitor; a run whose writes were
            # refused left the entry without a value and the product folder without a
            # module; and the medium's INF is a newer one.
            reg(win, "delete", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Monitors\\"
                "KYRPOS Language Monitor 730", "/f")
            reg(win, "delete", UNINSTALL_KEY, "/v", "DisplayName", "/f")
            os.remove(win.find(PRODUCT + "\\Unhook_B.dll"))
            with open(win.path(win.medium + "\\driver2k\\KYR730.INF"), "a", newline="\r\n") as f:
                f.write("; a later medium\n")
            # A run that could not copy into the Windows folder left a copy out; one there
            # that differs from the medium's is kept.
            os.remove(win.find("C:\\windows\\UI730.INI"))
            with open(win.find("C:\\windows\\UI730.DLL"), "ab") as f:
                f.write(b"another build")
            run = install(win, "LPT2")
            self.assertEqual(run.exit_code, 0)
            self.assertEqual(run.transcript.boxes(), [])
            self.assertEqual(run.transcript.status_lines(), [
                ("Check drivers...\r\n", 11), ("Add printer...\r\n", 22), ("Install printer...\r\n", 33),
                ("Completed!", 100)])
            self.assertEqual(ours(win), sorted(spooler + ["printer|KYR POS 730(#1)"]))
            # Whole again, still naming the INF copy it named: no second copy beside it.
            self.assertEqual(registry_values(win, UNINSTALL_KEY), entry)
            self.assertTrue(win.exists(PRODUCT + "\\Unhook_B.dll"))
            self.assertEqual(sorted(os.listdir(win.find("C:\\windows\\inf"))), infs)
            self.assertTrue(win.exists("C:\\windows\\UI730.INI"))
            with open(win.find("C:\\windows\\UI730.DLL"), "rb") as f:
                self.assertTrue(f.read().endswith(b"another build"))

    def test_a_driver_differing_only_in_case_does_not_count(self):
        with Session("nt-case", "winxp") as win:
            key = ("HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers"
                   "\\Version-3\\kyr pos 730")
            reg(win, "add", key, "/v", "Configuration File", "/d", "UNIDRVUI.DLL", "/f")
            reg(win, "add", key, "/v", "Driver", "/d", "UNIDRV.DLL", "/f")
            reg(win, "add", key, "/v", "Version", "/t", "REG_DWORD", "/d", "3", "/f")
            self.assertIn("kyr pos 730", drivers(win))
            run = install(win, "LPT1", answers=["No"])
            # The whole new-driver sequence ran. The spooler's registry does not tell names
            # apart by case, so the registration keeps the spelling that came first.
            self.assertEqual(run.transcript.status_lines(), nt_install_lines())
            self.assertEqual(basename(drivers(win)["kyr pos 730"]["data"]), "KYR730E.GPD")
            self.assertEqual(list(printers(win)), ["KYR POS 730"])


class Failures(unittest.TestCase):
    def test_monitor_already_registered_is_reported_and_the_installation_completes(self):
        with Session("nt-monitor", "winxp") as win:
            reg(win, "add", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Monitors\\"
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
        with Session("nt-addprinter", "winxp") as win:
            install(win, "LPT1", answers=["No"])
            reg(win, "delete", "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730", "/f")
            # The driver stays; the spooler stops as the printer is added. (A missing print
            # processor no longer makes it refuse: the run registers the processor again.)
            config = faults.write_config(win, ["fail AddPrinterA 1 1722"])
            with win.launched_by(faults.launcher(config)):
                run = install(win, "LPT2", answers=["OK"])
            self.assertEqual(run.exit_code, 0)
            boxes = run.transcript.boxes()
            self.assertEqual(len(boxes), 1)
            self.assertRegex(boxes[0].text, r"^AddPrinter Error Code: 1722\n\n")
            self.assertEqual(boxes[0].icon, "exclamation")
            self.assertEqual(run.transcript.status_lines()[-1][0], "Install printer...\r\n")
            self.assertNotIn("KYR POS 730(#1)", printers(win))
            self.assertEqual(registry_values(win, UNINSTALL_KEY), [])


    def test_a_refused_driver_is_reported_and_the_run_goes_on(self):
        with Session("nt-driver-refused", "winxp") as win:
            # A volatile driver folder key in place of the lasting one every Windows has: the
            # spooler cannot store the driver below it.
            folder = "HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3"
            win.tool("reg", "delete", folder, "/f")
            self.assertTrue(win.tool("C:\\bench\\volatile_key.exe", folder).startswith("created|"))
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


    def test_copies_that_fail_are_listed_and_a_missing_uninstaller_is_not_done(self):
        with Session("nt-copies-failed", "winxp") as win:
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
            # Without its uninstaller the product cannot be removed: the run never says it is
            # done, and goes on to the restart question as usual.
            self.assertEqual([s[0] if s[0] == "box" else s[1] for s in seq][-3:],
                             ["Delete installed files...\r\n", "box", "box"])
            self.assertNotIn("Completed!", [s[1] for s in seq if s[0] != "box"])
            self.assertEqual(boxes[1].text, RESTART_QUESTION)
            self.assertEqual(list(printers(win)), ["KYR POS 730"])
            self.assertEqual(len(registry_values(win, UNINSTALL_KEY)), 4)


    def test_a_usb_run_whose_entry_was_refused_says_only_to_switch_the_printer(self):
        with Session("nt-usb-entry-refused", "winxp") as win:
            config = faults.write_config(win, ["fail RegSetValueExA 1 5"])
            with win.launched_by(faults.launcher(config)):
                run = install(win, "USB", answers=["OK", "OK"])
            self.assertEqual(run.exit_code, 0)
            boxes = run.transcript.boxes()
            self.assertEqual([b.text.split("\n")[0] for b in boxes],
                             ["These registry entries could not be written:", "Please turn-off printer and turn-on printer."])
            self.assertIn('KYRPOS_730, value "DisplayName"\nError Code: 5\n', boxes[0].text)
            self.assertNotIn("Completed!", [s[0] for s in run.transcript.status_lines()])

class Leftovers(unittest.TestCase):
    def test_earlier_hardware_entries_go_before_the_installation(self):
        with Session("nt-leftovers", "winxp") as win:
            for folder in ("voskrel_zpd_8156efc", "voskrelzpd_8156efc", "voskrelzpd_815a384"):
                deep = win.path(NT_DRIVERS + "\\" + folder + "\\a\\b\\c")
                os.makedirs(deep)
                path = os.path.join(deep, "held.dll")
                with open(path, "w") as f:
                    f.write("x")
            for f in ("voskrel_zpd_8156efc", "voskrelzpd_8156efc", "voskrelzpd_815a384"):
                win.tool("attrib", "+r", NT_DRIVERS + "\\" + f + "\\a\\b\\c\\held.dll")
            device = "HKLM\\System\\CurrentControlSet\\Enum\\USB\\Vid_7a31&Pid_5e20\\5&123&0&1"
            reg(win, "add", device, "/v", "HardwareID", "/t", "REG_MULTI_SZ",
                     "/d", "USB\\Vid_7a31&Pid_5e20&Rev_0100\\0USB\\Vid_7a31&Pid_5e20", "/f")
            reg(win, "add", device, "/v", "ClassGUID", "/d", "{36FC9E60-C465-11CF-8056-444553540000}", "/f")
            other = "HKLM\\System\\CurrentControlSet\\Enum\\USB\\Vid_1234&Pid_0001\\7&1"
            reg(win, "add", other, "/v", "HardwareID", "/t", "REG_MULTI_SZ", "/d", "USB\\Vid_1234&Pid_0001", "/f")
            reg(win, "add", other, "/v", "ClassGUID", "/d", "{36FC9E60-C465-11CF-8056-444553540000}", "/f")
            keys = ["HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VOSKREL_ZPD-815\\1&2",
                    "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VOSKRELZPD-815\\1&2",
                    "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\VOSKRELZPD-815\\3&4"]
            for key in keys:
                reg(win, "add", key, "/v", "Driver", "/d", "x", "/f")
            # Driver files an earlier version left read-only in the spooler's folder.
            old = ["UNIDRV.DLL", "UI730.DLL", "KYR730E.GPD"]
            os.makedirs(win.path(NT_DRIVERS + "\\3"), exist_ok=True)
            for name in old:
                with open(win.path(NT_DRIVERS + "\\3\\" + name), "w") as f:
                    f.write("old")
            set_read_only(win, NT_DRIVERS + "\\3", old)
            self.assertEqual(install(win, "LPT1", answers=["No"]).exit_code, 0)
            self.assertIn("KYR POS 730", drivers(win))
            for name in old:
                self.assertEqual(read(win, NT_DRIVERS + "\\3\\" + name), read(win, win.medium + "\\driver2k\\" + name))
            self.assertEqual([f for f in read_only_files(win) if f.startswith(NT_DRIVERS)], [])
            for folder in ("voskrel_zpd_8156efc", "voskrelzpd_8156efc", "voskrelzpd_815a384"):
                self.assertFalse(win.exists(NT_DRIVERS + "\\" + folder), folder)
            self.assertEqual(win.registry(device.rsplit("\\", 1)[0] + "\\5&123&0&1")[0].split("|")[0], "nokey")
            self.assertEqual(win.registry(other)[0].split("|")[0], "key")
            for key in keys:
                parent = key.rsplit("\\", 1)[0]
                self.assertEqual(win.registry(parent)[0].split("|")[0], "nokey", parent)

    def test_second_installation_after_the_driver_went_keeps_one_entry(self):
        with Session("nt-twice", "winxp") as win:
            install(win, "LPT1", answers=["No"])
            first = dict(registry_values(win, UNINSTALL_KEY))["InfFile"]
            os.remove(win.find(first[3:]))
            pnf = win.find(first[3:-4] + ".PNF")
            if pnf:
                os.remove(pnf)
            reg(win, "delete", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers\\KYR POS 730", "/f")
            reg(win, "delete", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\"
                     "Windows NT x86\\Drivers\\Version-3\\KYR POS 730", "/f")
            reg(win, "delete", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Monitors\\"
                     "KYRPOS Language Monitor 730", "/f")
            run = install(win, "LPT1", answers=["No"])
            self.assertEqual(run.transcript.status_lines(), nt_install_lines())
            values = registry_values(win, UNINSTALL_KEY)
            self.assertEqual(len([v for v in values if v[0] == "InfFile"]), 1)
            second = dict(values)["InfFile"]
            self.assertNotEqual(second, "sz:")
            self.assertTrue(win.exists(second[3:]))


if __name__ == "__main__":
    unittest.main()

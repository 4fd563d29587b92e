"""What a new installation must leave, checked the same way by every scenario that makes one."""
import os
import stat

from bench import faults
from bench.flows import basename, dos_attributes, drivers, printers, read, registry_values
from bench.product import NT_DRIVERS, PRODUCT, UNINSTALL_KEY

EXPECTED_PRINTER = {"server": "(null)", "share": "(null)", "driver": "KYR POS 730", "comment": "(null)",
                    "location": "(null)", "sepfile": "(null)", "processor": "KYRPOS PRINT PROCESSOR 730",
                    "datatype": "RAW", "parameters": "(null)", "attributes": "0x1800", "priority": "1",
                    "defaultpriority": "0", "start": "0", "until": "0",
                    # Wine reads the status 0x80 the installer gives back as 0.
                    "status": "0x0", "jobs": "0", "ppm": "0"}
STAGED = ["UNIDRV.DLL", "UNIDRVUI.DLL", "UNIDRV.HLP", "UNIRES.DLL", "MON730.DLL", "PRO730.DLL", "KYR730E.DLL",
          "UI730.DLL", "UI730.INI", "KYR730E.GPD", "STDNAMES.GPD"]
DEPLOYED = ("KYRPOS730_Uninstaller.exe", "Unhook_A.dll", "Unhook_B.dll")


# Per Windows' bitness: the NT environment, its driver and print-processor folders, and the
# medium's folders the installation takes its driver and its programs from.
NT_SETS = {"win32": ("Windows NT x86", NT_DRIVERS, "C:\\windows\\system32\\spool\\prtprocs\\w32x86",
                     "\\driver2k", ""),
           "win64": ("Windows x64", "C:\\windows\\system32\\spool\\drivers\\x64",
                     "C:\\windows\\system32\\spool\\prtprocs\\x64", "\\driverx64", "\\x64")}
AMD64 = 0x8664


def pe_machine(win, windows_path):
    """The machine field of a PE file's header, or None when it is none."""
    data = read(win, windows_path) or b""
    if data[:2] != b"MZ" or len(data) < 0x40:
        return None
    at = int.from_bytes(data[0x3C:0x40], "little")
    return int.from_bytes(data[at + 4:at + 6], "little") if data[at:at + 4] == b"PE\0\0" else None


def nt_installation(test, win, port="LPT1"):
    """Spooler objects with every field, the files, the INF copy, the entry, the product folder."""
    environment, drivers_folder, processors_folder, driver_medium, programs = NT_SETS[win.arch]
    spooler = win.spooler()
    # On 64-bit Windows too: the bench's dump is a 32-bit program, to which Wine names the
    # monitor's environment as its own.
    test.assertIn("monitor|KYRPOS Language Monitor 730|env=Windows NT x86|dll=MON730.DLL", spooler)
    if win.arch == "win64":
        test.assertFalse([l for l in spooler if l.startswith(("driver|Windows NT x86|", "processor|Windows NT x86|"))
                          and "730" in l])
    test.assertIn("processor|%s|KYRPOS PRINT PROCESSOR 730" % environment, spooler)
    driver = drivers(win, environment)["KYR POS 730"]
    test.assertEqual(driver["version"], "3")
    test.assertEqual([basename(driver[k]) for k in ("path", "data", "config", "help")],
                     ["UNIDRV.DLL", "KYR730E.GPD", "UNIDRVUI.DLL", "UNIDRV.HLP"])
    test.assertEqual([basename(f) for f in driver["dependent"].strip("[]").split(",")],
                     ["UNIRES.DLL", "STDNAMES.GPD", "KYR730E.DLL", "UI730.DLL", "UI730.INI"])
    test.assertEqual((driver["monitor"], driver["datatype"]), ("KYRPOS Language Monitor 730", "RAW"))
    if port == "USB":
        test.assertEqual(printers(win), {})
    else:
        test.assertEqual(list(printers(win)), ["KYR POS 730"])
        printer = printers(win)["KYR POS 730"]
        test.assertEqual(printer["port"], port + ":")
        for key, value in EXPECTED_PRINTER.items():
            test.assertEqual(printer[key], value, key)
    for name in STAGED:
        test.assertFalse(win.exists(drivers_folder + "\\" + name), name)
    placed = [("C:\\windows\\system32", ["MON730.DLL"]),
              ("C:\\windows", ["MON730.DLL", "KYR730E.DLL", "UI730.DLL", "UI730.INI", "KYR730E.GPD"]),
              (processors_folder, ["PRO730.DLL"]),
              (drivers_folder + "\\3", ["UNIDRV.DLL", "UI730.DLL", "UI730.INI"])]
    for folder, names in placed:
        for name in names:
            test.assertTrue(win.exists(folder + "\\" + name), folder + "\\" + name)
            if win.arch == "win64" and folder != "C:\\windows" and name.endswith(".DLL"):
                # What the 64-bit spooler loads is 64-bit.
                test.assertEqual(pe_machine(win, folder + "\\" + name), AMD64, folder + "\\" + name)
    if win.arch == "win64":
        for name in ("MON730.DLL", "PRO730.DLL", "UI730.DLL"):
            test.assertFalse(win.exists("C:\\windows\\syswow64\\" + name), name)
        test.assertTrue(any(l.startswith("nokey|") for l in
                            win.registry(UNINSTALL_KEY.replace("\\SOFTWARE\\", "\\SOFTWARE\\Wow6432Node\\"))))
    values = dict(registry_values(win, UNINSTALL_KEY))
    test.assertEqual(sorted(values), ["DisplayName", "InfFile", "KYR POS 730", "UninstallString"])
    test.assertEqual(values["DisplayName"], "sz:KYR POS 730 Windows Driver 1.0.0E")
    test.assertEqual(values["KYR POS 730"], "sz:")
    test.assertEqual(values["UninstallString"], "sz:C:\\windows\\KYR-730\\KYRPOS730_Uninstaller.exe")
    inf = values["InfFile"][3:]
    test.assertTrue(inf.lower().startswith("c:\\windows\\inf\\"), inf)
    test.assertEqual(read(win, inf), read(win, win.medium + driver_medium + "\\KYR730.INF"))
    for name in DEPLOYED:
        test.assertEqual(read(win, PRODUCT + "\\" + name), read(win, win.medium + programs + "\\" + name), name)


WINDOWS = "C:\\windows"
SYSTEM = "C:\\windows\\system32"
DRIVERS_9X = "C:\\windows\\system32\\spool\\drivers\\win40"
PROCESSORS_9X = "C:\\windows\\system32\\spool\\prtprocs\\win40"
STAGING = "C:\\windows\\KYR-730\\usb"
# Every copy of a new installation: medium file (driver9x) and where it must land.
COPIES_9X = [
    ("MON730.DLL", SYSTEM + "\\MON730.DLL"), ("MON730.DLL", STAGING + "\\MON730.DLL"),
    ("usbmon.dll", SYSTEM + "\\usbmon.dll"), ("usbmon.dll", STAGING + "\\usbmon.dll"),
    ("PRO730.DLL", PROCESSORS_9X + "\\PRO730.DLL"), ("PRO730.DLL", STAGING + "\\PRO730.DLL"),
    ("dmcolor.dll", DRIVERS_9X + "\\dmcolor.dll"), ("dmcolor.dll", STAGING + "\\dmcolor.dll"),
    ("iconlib.dll", DRIVERS_9X + "\\iconlib.dll"), ("iconlib.dll", STAGING + "\\iconlib.dll"),
    ("KYR730E.DRV", DRIVERS_9X + "\\KYR730E.DRV"), ("KYR730E.DRV", STAGING + "\\KYR730E.DRV"),
    ("unidrv.dll", DRIVERS_9X + "\\unidrv.dll"), ("unidrv.dll", STAGING + "\\unidrv.dll"),
    ("unidrv.hlp", DRIVERS_9X + "\\unidrv.hlp"), ("unidrv.hlp", STAGING + "\\unidrv.hlp"),
    ("usbprint.sys", WINDOWS + "\\system32\\drivers\\usbprint.sys"),
    ("cyclerun.exe", WINDOWS + "\\cyclerun.exe"),
]
DEPENDENT_9X = ["KYR730E.DRV", "MON730.DLL", "PRO730.DLL", "UNIDRV.DLL", "UNIDRV.HLP", "ICONLIB.DLL",
                "DMCOLOR.DLL", "USBMON.DLL"]
PRINTER_FIELDS_9X = ("server=(null)|share=(null)|port=%s|driver=KYR POS 730|comment=(null)|location=(null)|"
                     "sepfile=(null)|processor=KYRPOS PRINT PROCESSOR 730|datatype=RAW|parameters=(null)|"
                     "attributes=0x1800|priority=1|defaultpriority=1|start=0|until=0|status=0x0|jobs=0|ppm=0")
HIDDEN = 0x2


def medium_9x(win, name):
    return read(win, win.medium + "\\driver9x\\" + name)


def driver_inf_text(folder):
    return (folder + "\\KYR-730\\usb\"\r\n").encode("latin-1")


def usbprint_inf_text(folder):
    return ('DRIVER_PATH = "%s\\system32\\drivers"\r\nCYCLERUN = "%s\\cyclerun.exe"\r\n'
            % (folder, folder)).encode("latin-1")


def w9x_installation(test, win, port="LPT1", inf_folder="C:\\windows\\inf"):
    """Spooler records, every copy, both INF appends, the entry and the INF folder's attribute."""
    spooler = win.spooler()
    test.assertIn("monitor|KYRPOS Language Monitor 730|env=Windows NT x86|dll=MON730.DLL", spooler)
    test.assertIn("monitor|usbmon.dll|env=Windows NT x86|dll=usbmon.DLL", spooler)
    test.assertIn("processor|Windows 4.0|KYRPOS PRINT PROCESSOR 730", spooler)
    found = [l for l in spooler if l.startswith("driver|Windows 4.0|KYR POS 730|")]
    test.assertEqual(len(found), 1, spooler)
    fields = dict(f.split("=", 1) for f in found[0].split("|")[3:])
    base = DRIVERS_9X.replace("\\", "\\\\") + "\\\\0\\\\"
    for key in ("path", "data", "config"):
        test.assertEqual(fields[key], base + "KYR730E.DRV")
    test.assertEqual(fields["help"], base + "UNIDRV.HLP")
    test.assertEqual(fields["dependent"], "[" + ",".join(base + n for n in DEPENDENT_9X) + "]")
    test.assertEqual((fields["monitor"], fields["datatype"]), ("KYRPOS Language Monitor 730", "RAW"))
    listed = [l for l in spooler if l.startswith("printer|")]
    test.assertEqual(listed, [] if port == "USB" else ["printer|KYR POS 730|" + PRINTER_FIELDS_9X % (port + ":")])
    for source, target in COPIES_9X:
        test.assertEqual(read(win, target), medium_9x(win, source), target)
    test.assertEqual(read(win, inf_folder + "\\kyr730.inf"),
                     medium_9x(win, "kyr730.inf") + driver_inf_text(WINDOWS))
    test.assertEqual(read(win, WINDOWS + "\\inf\\usbprint.inf"),
                     medium_9x(win, "usbprint.inf") + usbprint_inf_text(WINDOWS))
    entry = [l.split("|")[2:] for l in win.registry(UNINSTALL_KEY) if l.startswith("value|")]
    test.assertIn(["InfFile", "sz:"], entry, "InfFile exists and is empty")
    for name in DEPLOYED:
        test.assertEqual(read(win, PRODUCT + "\\" + name), read(win, win.medium + "\\" + name), name)
    test.assertTrue(dos_attributes(win, WINDOWS + "\\inf") & HIDDEN)


def program_log(win):
    path = os.path.join(win.out, "program.log")
    if not os.path.exists(path):
        return ""
    with open(path, "rb") as f:
        return f.read().decode("latin-1")


def with_call_log(win, flow, *args, **kwargs):
    """flow(win, ...) with every program it starts going through the fault injector, which
    fails nothing and logs each wrapped call; returns the flow's result and the calls."""
    config = faults.write_config(win, [])
    with win.launched_by(faults.launcher(config)):
        result = flow(win, *args, **kwargs)
    return result, faults.read_log(win)


def set_read_only(win, folder, names):
    """Windows' read-only attribute on files of a folder, as Wine keeps it: no write bits.
    Unlike flows.make_read_only, its owner may clear it. Never on a file the prefix shares
    with the pristine one (a hard link), whose mode is the pristine file's too."""
    for name in names:
        path = win.path(folder + "\\" + name)
        assert os.stat(path).st_nlink == 1, path
        os.chmod(path, os.stat(path).st_mode & ~(stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH))

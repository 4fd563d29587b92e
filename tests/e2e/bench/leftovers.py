"""What a clean installation followed by a full removal leaves behind: snapshots of a
session's drive C: and registry, the difference of two, the reasons each kept item has, and
docs/leftovers.md, which lists them per Windows (written by test_leftovers.py)."""
import hashlib
import os
import re

from bench.product import is_9x
from bench import regfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
DOC = os.path.join(ROOT, "docs", "leftovers.md")

DESIGN = "kept by design"
GIVEN = "kept as the removal is given"
WINE = "Wine's limits"

# (pattern over the item, category, reason). Items read "file C:\...", "folder C:\...",
# "changed C:\..." (a file that was there before and differs now), "key HKLM\..." and
# "value HKLM\...|name".
NT_REASONS = [
    (r"(file|folder) C:\\windows\\KYR-730(\\.*)?", DESIGN,
     "the product folder with the uninstaller and both removal modules; the uninstaller runs from it"),
    (r"file C:\\windows\\(KYR730E\.DLL|KYR730E\.GPD|MON730\.DLL|UI730\.DLL|UI730\.INI)", GIVEN,
     "the installation's copies in the Windows folder, which the removal never names"),
    (r"file C:\\windows\\system32\\spool\\drivers\\(w32x86|x64)\\3\\.*", WINE,
     "the driver's files in the spooler's version folder: Wine's spooler refuses the removal's "
     "file-deleting driver deletion (every nonzero flag gives 87), so nothing deletes them"),
    (r"(key|value) HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\(Windows NT x86|Windows x64)"
     r"\\Print Processors"
     r"\\KYRPOS PRINT PROCESSOR 730(\|.*)?", WINE,
     "the print processor: Wine's spooler answers success to its deletion and keeps it"),
]
W9X_REASONS = [
    (r"(file|folder) C:\\windows\\KYR-730(\\(KYRPOS730_Uninstaller\.exe|Unhook_A\.dll|Unhook_B\.dll))?", DESIGN,
     "the product folder with the uninstaller and both removal modules; the uninstaller runs from it"),
    (r"(file|folder) C:\\windows\\KYR-730\\usb(\\.*)?", GIVEN,
     "the staging folder with its copies, named in the driver INF's appended line; the removal never names it"),
    (r"file C:\\windows\\system32\\(MON730\.DLL|usbmon\.dll)", GIVEN,
     "the monitor files in the system folder, which the removal never names"),
    (r"(key|value) HKLM\\System\\CurrentControlSet\\Control\\Print\\Monitors\\usbmon\.dll(\|.*)?", GIVEN,
     "the USB port monitor's registration, which the removal never names"),
    (r"file C:\\windows\\system32\\spool\\prtprocs\\win40\\PRO730\.DLL", GIVEN,
     "the print processor's file, which the removal never names"),
    (r"file C:\\windows\\system32\\spool\\drivers\\win40\\(unidrv\.dll|unidrv\.hlp|dmcolor\.dll|iconlib\.dll)",
     GIVEN, "the universal driver's files in the printer-driver folder, which the removal never names"),
    (r"file C:\\windows\\system32\\spool\\drivers\\win40\\KYR730E\.DRV", GIVEN,
     "the minidriver's copy in the printer-driver folder, which the removal never names"),
    (r"file C:\\windows\\(cyclerun\.exe|system32\\drivers\\usbprint\.sys)", GIVEN,
     "the USB files, which the removal never names"),
    (r"(file|changed) C:\\windows\\inf\\usbprint\.inf", GIVEN,
     "the USB printing INF with its appended lines, which the removal never names"),
    (r"changed folder C:\\windows\\inf", GIVEN,
     "the INF folder's hidden attribute, which the installation sets and the removal never names"),
    (r"file C:\\windows\\system32\\spool\\drivers\\win40\\0\\.*", WINE,
     "the driver's files in the spooler's version folder: Wine's spooler copies them there and its "
     "driver deletion leaves them"),
]
# Made only when the printer's page was applied; documented() leaves it out for runs that
# never open the page.
PAGE_ONLY = ["key HKLM\\Software\\KYR_POS_PRINTER"]
COMMON_REASONS = [
    (r"key HKLM\\Software\\KYR_POS_PRINTER", GIVEN,
     "the per-printer settings keys' parent, which the page's first Apply makes; the removal deletes "
     "each printer's key below it and never names the parent"),
    (r"key HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\(Windows NT x86|Windows 4\.0|Windows x64)"
     r"\\Drivers(\\Version-[03])?", WINE,
     "empty folders of the spooler's driver store, which a real Windows has from the start and a "
     "fresh Wine makes when drivers are first added or listed"),
    (r"key HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\(Devices|PrinterPorts)", WINE,
     "the empty per-user printer lists, which a real Windows has from the start and Wine's spooler "
     "makes on the first printer"),
]
# Written by Wine itself or by the bench's own programs, not by the installation: left out.
NOISE = [
    r"(key|value) HKCU\\Console(\|.*)?",
    r"(key|value) HKCU\\Software\\Wine\\Temporary System Parameters(\\.*)?(\|.*)?",
    r"(key|value) HKLM\\System\\CurrentControlSet\\Control\\Video\\.*",
    r"value HKLM\\System\\CurrentControlSet\\Control\\Class\\\{[0-9A-F-]+\}\\0000\|DriverDateData",
    r"value HKLM\\System\\CurrentControlSet\\Control\\ServiceCurrent\|",
    r"file C:\\restart-requests\.log",
] + [
    # Wine's record of the display, which win32u writes again whenever it takes the display's
    # devices anew: at the first drawing program after a wineserver started (the volatile
    # HKLM\Hardware key it checks is then empty), or when the X display differs from the one
    # it recorded. The GPU, its adapter and the monitor are then enumerated again, with a new
    # GPU identifier and the display's modes, so a run after a restarted wineserver shows
    # them changed and one without does not. None of them is a printer's or the product's:
    # the fake GPU is PCI VEN_0000&DEV_0000, the monitor Wine's Default_Monitor.
    r"(?i)(key|value) HKLM\\Hardware\\DEVICEMAP\\VIDEO(\|.*)?",
    r"(?i)(key|value) HKLM\\System\\CurrentControlSet\\Enum\\(DISPLAY\\Default_Monitor"
    r"|PCI\\VEN_0000&DEV_0000&SUBSYS_00000000&REV_00)(\\.*)?(\|.*)?",
    r"(?i)(key|value) HKLM\\System\\CurrentControlSet\\Control\\DeviceClasses\\\{[0-9A-F-]+\}"
    r"\\##\?#(DISPLAY#Default_Monitor|PCI#VEN_0000&DEV_0000&SUBSYS_00000000&REV_00)#[^\\|]*(\\.*)?(\|.*)?",
    r"(?i)(key|value) HKLM\\System\\CurrentControlSet\\Hardware Profiles\\Current\\System"
    r"\\CurrentControlSet\\Control\\Video(\\.*)?(\|.*)?",
    r"(?i)(key|value) HKLM\\System\\CurrentControlSet\\Control\\Class\\"
    r"\{4d36e968-e325-11ce-bfc1-08002be10318\}(\\.*)?(\|.*)?",
]

SKIP_TOP = {"media", "bench"}


def _attributes(path):
    try:
        return os.getxattr(path, "user.DOSATTRIB").split(b"\0")[0].decode()
    except OSError:
        return ""


# Content digests by the file's place, identity and last write: most of a Windows (Wine's
# own modules, some 600 MB) is shared by every session's copy and never written, and hashing
# it again for every snapshot was most of a fault row's time. The place is part of the key:
# a deleted session's inode numbers come back, and Wine's code-page files share size and
# time, so identity alone once gave one file another's digest.
_DIGESTS = {}


def _digest(full, place):
    st = os.stat(full)
    key = (place, st.st_dev, st.st_ino, st.st_size, st.st_mtime_ns)
    digest = _DIGESTS.get(key)
    if digest is None:
        with open(full, "rb") as h:
            digest = hashlib.sha1(h.read()).hexdigest()
        _DIGESTS[key] = digest
    return digest


def snapshot(win):
    """Every file and folder of drive C: (but the medium and the bench) with its content and
    DOS attributes, and every key and value of HKLM and HKCU."""
    root = os.path.join(win.prefix, "drive_c")
    items = {}
    for dirpath, dirnames, filenames in os.walk(root):
        rel = os.path.relpath(dirpath, root)
        if rel == ".":
            dirnames[:] = [d for d in dirnames if d.lower() not in SKIP_TOP]
        for d in dirnames:
            full = os.path.join(dirpath, d)
            items["folder C:\\" + os.path.relpath(full, root).replace("/", "\\")] = _attributes(full)
        for f in filenames:
            full = os.path.join(dirpath, f)
            if os.path.islink(full):
                continue
            place = "file C:\\" + os.path.relpath(full, root).replace("/", "\\")
            items[place] = _digest(full, place) + _attributes(full)
    items.update(registry_items(win))
    return items


# What a snapshot holds and how: states kept from an older kind are not compared with it.
SNAPSHOT_KIND = "drive C: and the saved hives"


# The question that saves both hives (Session.holding_still may ask it with others).
HIVES_SAVED = ("save", "HKLM", "C:\\bench\\hklm.reg", "save", "HKCU", "C:\\bench\\hkcu.reg")


def registry_items(win):
    """Every key and value of HKLM and HKCU, as "key <path>" and "value <path>|<name>" items
    (the value's type and data as the item's value). The hives are saved by the server in one
    request each and read here: enumerating HKLM key by key takes Wine seconds. What the save
    leaves out are the volatile keys, which a restart of Windows takes too (HKLM\\Hardware)."""
    files = {hive: "C:\\bench\\%s.reg" % hive.lower() for hive in ("HKLM", "HKCU")}
    saved = win.state(*HIVES_SAVED)
    assert saved == ["saved|%s|0" % hive for hive in files], saved
    trees = {}
    for hive, name in files.items():
        with open(win.path(name), encoding="utf-8", errors="surrogateescape") as f:
            trees[hive] = regfile.parse(f.read())
    items = {}
    for hive, tree in trees.items():
        for path, values in regfile.walk(tree, trees, hive + "\\"):
            items["key " + path] = ""
            for value, data in values.items():
                items["value %s|%s" % (path, value)] = data
    return items


def left_behind(before, after, gone=False):
    """What is there after and was not (or differs), as items; noise left out. With gone,
    also what was there before and is not ("gone <item>")."""
    def noise(item):
        return any(re.fullmatch(p, re.sub(r"^(changed|gone) ", "", item)) for p in NOISE)
    out = []
    for item, value in after.items():
        if item in before and before[item] == value:
            continue
        if item in before and item.startswith("file "):
            item = "changed " + item[len("file "):]
        elif item in before:
            item = "changed " + item
        if not noise(item):
            out.append(item)
    if gone:
        out += ["gone " + item for item in before if item not in after and not noise(item)]
    return sorted(out, key=str.lower)


def reasons_for(version):
    return (W9X_REASONS if is_9x(version) else NT_REASONS) + COMMON_REASONS


def explain(version, items):
    """[(item, category, reason)] and the items nothing explains."""
    rows, unexplained = [], []
    for item in items:
        for pattern, category, reason in reasons_for(version):
            if re.fullmatch(pattern, item, re.IGNORECASE):
                rows.append((item, category, reason))
                break
        else:
            unexplained.append(item)
    return rows, unexplained




def documented(version, page_used=False, arch="win32"):
    """The items docs/leftovers.md lists for that Windows (the page's own only when it was
    used); on 64-bit Windows, the NT list with the x64 environment's folders and keys."""
    heading = "## " + TITLES[version]
    items, inside = [], False
    with open(DOC, encoding="utf-8") as f:
        for line in f:
            if line.startswith("## "):
                inside = line.strip() == heading
            elif inside and line.startswith("| `"):
                items.append(line.split("`")[1].replace("\\|", "|"))
    items = [i for i in items if page_used or i not in PAGE_ONLY]
    if arch == "win64":
        items = [i.replace("\\w32x86\\", "\\x64\\").replace("\\Windows NT x86\\", "\\Windows x64\\")
                 for i in items]
    return items


TITLES = {"winxp": "Windows XP", "win98": "Windows 98"}


def write_doc(sections):
    lines = [
        "# What stays after a full removal",
        "",
        "Written by `tests/e2e/test_lifecycle.py`, not by hand: on each Windows it installs on LPT1, "
        "uses the printer's page, removes everything with the uninstaller, and lists every file, "
        "folder, key and value that the installation added or changed and that is still there. The "
        "scenario fails when an item appears that no reason explains; Windows 7 and 10, the CD, the "
        "German system, and the interruption matrices (`tests/e2e/test_interrupted_install.py`, "
        "`tests/e2e/test_interrupted_removal.py`) hold their runs, once finished and removed, to "
        "the same list.",
        "",
        "Reasons: *%s* (the product folder); *%s* (what the removal never names); *%s* "
        "(what Wine's spooler does differently from Windows)." % (DESIGN, GIVEN, WINE),
        "",
        "Left out as not the installation's: keys and values that Wine and the bench's own "
        "console programs write while the scenario runs (`HKCU\\Console`, Wine's temporary "
        "system parameters, video driver entries, driver date stamps, the service counter) and "
        "the bench's restart log.",
    ]
    for version, rows in sections:
        lines += ["", "## " + TITLES[version], "", "| What | Reason |", "|---|---|"]
        for item, category, reason in rows:
            lines.append("| `%s` | %s: %s |" % (item.replace("|", "\\|"), category, reason))
    lines += ["", "## 64-bit Windows", "",
              "The medium's 64-bit installer and uninstaller (started by the 32-bit installer the "
              "user starts) leave Windows XP's list with the x64 environment in place of the 32-bit "
              "one: `spool\\drivers\\x64\\3` for `w32x86\\3`, `Environments\\Windows x64` for "
              "`Environments\\Windows NT x86`; nothing of theirs lies in `SysWOW64` or below "
              "`Wow6432Node` (`tests/e2e/test_later_windows.py`, Windows 7 and 10, 64-bit). What an "
              "older 32-bit installer left there, the 32-bit uninstaller removes as on 32-bit Windows, "
              "but for the device removal by hardware id, which the setup API refuses to a 32-bit "
              "process (`ERROR_IN_WOW64`); the 64-bit uninstaller, a 64-bit process, is not refused that "
              "way (not measured: the 64-bit scenarios have no such devices)."]
    with open(DOC, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")

"""The gallery: one screenshot of every window and message box a user can meet, taken from
the real programs on fresh Windows XP (and Windows 98 for the 9x family's own boxes, NT 4.0
and 64-bit Windows 10 with a medium lacking the 64-bit set for the refusals, 32-bit Windows 10
for the removal there, 64-bit Windows 10 for the medium's 64-bit programs), and
docs/gallery.md that shows them. Run by scripts/gallery; prints what it could not take."""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from bench import session  # noqa: E402
from bench.session import Session  # noqa: E402
from bench.flows import make_read_only, writable  # noqa: E402
from bench.product import INSTALLER, PORT_DIALOG, PORT_RADIO, PROGRESS  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DOCS = os.path.join(ROOT, "docs")
SHOTS = os.path.join(DOCS, "screenshots", "gallery")
UNINSTALLER_CAPTION = "KYR POS 730 uninstaller"
PRODUCT = "C:\\windows\\KYR-730"
UNINSTALLER = PRODUCT + "\\KYRPOS730_Uninstaller.exe"
SHEET = "KYR POS 730 Properties"
INSTALLED_DLL = "C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\UI730.DLL"

# (name, program, title, how it is met) in the order the gallery shows them.
ENTRIES = [
    ("installer-nt40-refusal", "Installer", "Windows NT 4.0 is refused", "Started on Windows NT 4.0."),
    ("installer-64bit-refusal", "Installer", "64-bit Windows is refused",
     "Started on 64-bit Windows 10 from a medium without its x64 folders."),
    ("installer-64bit-setup-dialog", "Installer", "The setup dialog on 64-bit Windows",
     "Started on 64-bit Windows 10: the medium's 64-bit installer shows it."),
    ("installer-setup-dialog", "Installer", "The setup dialog", "Port and overwrite policy."),
    ("installer-cancelled", "Installer", "\"Install Cancled.\"", "Escape (or the close box) in the setup dialog."),
    ("installer-second-run", "Installer", "A second run", "Started again while the first waits in its setup dialog."),
    ("installer-incomplete-medium", "Installer", "An incomplete medium",
     "A driver file missing from the medium; shown before the setup dialog."),
    ("installer-progress", "Installer", "Progress", "While installing."),
    ("installer-failure-report", "Installer", "A failure report",
     "The language monitor is registered already (AddMonitor fails with 3006)."),
    ("installer-failed-copies", "Installer", "Failed copies", "A read-only file in the way of a copy."),
    ("installer-restart-question", "Installer", "The restart question", "After an LPT or COM installation."),
    ("installer-usb-notice", "Installer", "The USB notice", "After a USB installation."),
    ("installer-9x-restart-question", "Installer", "The restart question on Windows 98", "After an LPT installation."),
    ("installer-9x-usb-notice", "Installer", "The USB notice on Windows 98", "After a USB installation; the restart follows."),
    ("uninstaller-list", "Uninstaller", "The printer list", "Started from the product folder, a printer ticked."),
    ("uninstaller-second-run", "Uninstaller", "A second run", "Started again while the first shows its list."),
    ("uninstaller-progress", "Uninstaller", "Progress", "While removing."),
    ("uninstaller-10-progress", "Uninstaller", "Progress on Windows 10", "While removing, on 32-bit Windows 10."),
    ("uninstaller-restart-question", "Uninstaller", "The restart question", "After the removal."),
    ("uninstaller-64bit-list", "Uninstaller", "The printer list on 64-bit Windows",
     "The 64-bit uninstaller, a printer ticked."),
    ("uninstaller-driver-kept", "Uninstaller", "The driver stayed",
     "The spooler kept the driver (and its key could not be deleted); the entry is kept for the next run."),
    ("uninstaller-paused-printer", "Uninstaller", "A paused printer with documents waiting",
     "The spooler refuses its deletion with 5."),
    ("uninstaller-driver-not-exist", "Uninstaller", "\"Driver is not exist\"",
     "Started when the driver is gone already."),
    ("uninstaller-fail-to-load", "Uninstaller", "\"Fail to load ...\"",
     "The NT removal module missing from the product folder."),
    ("uninstaller-9x-before-restart", "Uninstaller", "The box before the restart on Windows 98", "After the removal."),
    ("plugin-additional-commands", "Plug-in", "The Additional Commands page", "In the stand-in driver host."),
    ("plugin-about", "Plug-in", "The About page", "In the stand-in driver host."),
    ("plugin-64bit-additional-commands", "Plug-in", "The Additional Commands page on 64-bit Windows",
     "The 64-bit plug-in in the 64-bit stand-in driver host."),
    ("plugin-refusal", "Plug-in", "A command too long is refused", "More than 2047 bytes typed into a box, then Apply."),
]
SYSTEMS = {"9x": "Windows 98"}
SYSTEM_NAMES = {"win98": "Windows 98", "nt40": "Windows NT 4.0", "win10": "Windows 10",
                "win10-64": "Windows 10, 64-bit"}

taken = {}
# Boxes whose provoking condition the programs do not meet yet: their steps are skipped.
PENDING = set()


def keep(win, bmp, name):
    """Converts a guidriver capture into the gallery, if it was taken."""
    path = win.path(bmp)
    if not os.path.exists(path) or os.path.getsize(path) == 0:
        print("  not taken: %s" % name)
        return False
    subprocess.run(["convert", path, os.path.join(SHOTS, name + ".png")], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    taken[name] = win.version + ("-64" if win.arch == "win64" else "")
    return True


def bmp(name):
    return "C:\\bench\\%s.bmp" % name


def install_script(port, answers, extra_before_next=(), shots_after_next=()):
    script = ['watch "%s" 1003 1000' % PROGRESS, 'wait "%s" 60000' % PORT_DIALOG, "click %d" % PORT_RADIO[port]]
    script += list(extra_before_next) + ["sleep 100", "click 1"] + list(shots_after_next)
    script += ["box %s 120000 %s" % (answer, path) if path else "box %s 120000" % answer for answer, path in answers]
    script.append('gone "%s" 120000' % PROGRESS)
    return script


def installer_nt40():
    with Session("gallery-nt40", "nt40") as win:
        win.run(INSTALLER, ["box OK 30000 %s" % bmp("a")])
        keep(win, bmp("a"), "installer-nt40-refusal")


def installer_win64():
    with Session("gallery-win64", "win10", observe_restarts=False, bits=64) as win:
        shutil.rmtree(win.path("C:\\media\\x64"))
        win.run(INSTALLER, ["box OK 30000 %s" % bmp("a")])
        keep(win, bmp("a"), "installer-64bit-refusal")


def windows_10_64():
    with Session("gallery-10-64", "win10", bits=64) as win:
        # The setup dialog photographed before its port is picked, as on XP.
        script = install_script("LPT1", [("No", None)])
        win.run(INSTALLER, script[:2] + ["sleep 300", "shot %s" % bmp("setup64")] + script[2:])
        keep(win, bmp("setup64"), "installer-64bit-setup-dialog")
        shutil.copy2(os.path.join(session.TOOLS64, "plugin_host.exe"), win.path("C:\\bench"))
        host = _host(win, ["wait 2500", "exit"], dll=INSTALLED_DLL.replace("\\w32x86\\", "\\x64\\"))
        win.drive(['wait "%s" 30000' % SHEET, "sleep 1200", "shot %s" % bmp("commands64")])
        _wait(host)
        keep(win, bmp("commands64"), "plugin-64bit-additional-commands")
        win.run(UNINSTALLER, ['wait "%s" 60000' % UNINSTALLER_CAPTION, "itemclick 1006 0", "sleep 400",
                              "shot %s" % bmp("list64"), "click 2", 'gone "%s" 60000' % UNINSTALLER_CAPTION],
                cwd=PRODUCT)
        keep(win, bmp("list64"), "uninstaller-64bit-list")


def uninstaller_refusals():
    driver_key = ("HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\"
                  "Version-3\\KYR POS 730")
    with Session("gallery-driver-kept", "winxp") as win:
        win.run(INSTALLER, install_script("LPT1", [("No", None)]))
        win.tool("reg", "add", driver_key + "\\Held", "/f")
        win.run(UNINSTALLER, ['wait "%s" 60000' % UNINSTALLER_CAPTION, "itemclick 1006 0", "sleep 300",
                              "click 1001", "box OK 90000 %s" % bmp("kept"), 'gone "%s" 60000' % UNINSTALLER_CAPTION],
                cwd=PRODUCT)
        keep(win, bmp("kept"), "uninstaller-driver-kept")
    with Session("gallery-paused", "winxp") as win:
        from bench import faults
        win.run(INSTALLER, install_script("LPT1", [("No", None)]))
        config = faults.write_config(win, ["fail DeletePrinter 1 5"])
        with win.launched_by(faults.launcher(config)):
            win.run(UNINSTALLER, ['wait "%s" 60000' % UNINSTALLER_CAPTION, "itemclick 1006 0", "sleep 300",
                                  "click 1001", "box OK 90000 %s" % bmp("paused"),
                                  'gone "%s" 60000' % UNINSTALLER_CAPTION], cwd=PRODUCT)
        keep(win, bmp("paused"), "uninstaller-paused-printer")


def windows_10():
    with Session("gallery-10", "win10") as win:
        win.run(INSTALLER, install_script("LPT1", [("No", None)]))
        win.run(UNINSTALLER, ['wait "%s" 60000' % UNINSTALLER_CAPTION, "itemclick 1006 0", "sleep 300",
                              "click 1001", "sleep 2200", "shot %s" % bmp("removing10"), "box No 90000",
                              'gone "%s" 60000' % UNINSTALLER_CAPTION], cwd=PRODUCT)
        keep(win, bmp("removing10"), "uninstaller-10-progress")


def installer_start_and_second_run(win):
    first = win.start(INSTALLER)
    win.drive(['wait "%s" 60000' % PORT_DIALOG, "sleep 300", "shot %s" % bmp("setup")])
    keep(win, bmp("setup"), "installer-setup-dialog")
    if "installer-second-run" not in PENDING:
        # A second installer while the first waits in its setup dialog.
        second = win.start(INSTALLER)
        win.drive(["box OK 30000 %s" % bmp("second")])
        keep(win, bmp("second"), "installer-second-run")
        _wait(second)
    win.drive(['wait "%s" 30000' % PORT_DIALOG, "escape", "box OK 30000 %s" % bmp("cancel")])
    keep(win, bmp("cancel"), "installer-cancelled")
    _wait(first)


def _wait(process, seconds=60):
    try:
        process.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def installer_incomplete_medium(win):
    if "installer-incomplete-medium" in PENDING:
        return
    media = win.path("C:\\media\\driver2k\\UNIDRV.DLL")
    hidden = media + ".away"
    os.rename(media, hidden)
    try:
        win.run(INSTALLER, ["box OK 30000 %s" % bmp("medium")])
        keep(win, bmp("medium"), "installer-incomplete-medium")
    finally:
        os.rename(hidden, media)


def installer_xp_main(win):
    # The installer sleeps between its steps; the progress window is photographed mid-way.
    win.run(INSTALLER, install_script("LPT1", [("No", bmp("restart"))],
                                      shots_after_next=["sleep 2600", 'wait "%s"' % PROGRESS,
                                                        "shot %s" % bmp("progress")]))
    keep(win, bmp("progress"), "installer-progress")
    keep(win, bmp("restart"), "installer-restart-question")


def installer_usb(win):
    win.run(INSTALLER, install_script("USB", [("OK", bmp("usb"))]))
    keep(win, bmp("usb"), "installer-usb-notice")


def installer_failure_report():
    with Session("gallery-failure", "winxp") as win:
        win.tool("reg", "add", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Monitors\\"
                 "KYRPOS Language Monitor 730", "/v", "Driver", "/d", "MON730.DLL", "/f")
        win.run(INSTALLER, install_script("LPT1", [("OK", bmp("report")), ("No", None)]))
        keep(win, bmp("report"), "installer-failure-report")


def installer_failed_copies():
    if "installer-failed-copies" in PENDING:
        return
    with Session("gallery-copies", "winxp") as win:
        # A read-only file where the installer copies a driver file.
        locked = make_read_only(win, "C:\\windows\\KYR730E.DLL")
        try:
            win.run(INSTALLER, install_script("LPT1", [("OK", bmp("copies")), ("No", None)]))
        finally:
            writable(locked)
        keep(win, bmp("copies"), "installer-failed-copies")


def plugin_pages(win):
    shutil.copy2(os.path.join(session.TOOLS, "plugin_host.exe"), win.path("C:\\bench"))
    host = _host(win, ["wait 2500", "page 0 2", "wait 2500", "exit"])
    win.drive(['wait "%s" 30000' % SHEET, "sleep 1200", "shot %s" % bmp("commands"), "sleep 2500",
               "shot %s" % bmp("about")])
    _wait(host)
    keep(win, bmp("commands"), "plugin-additional-commands")
    keep(win, bmp("about"), "plugin-about")
    if "plugin-refusal" in PENDING:
        return
    # A command longer than the plug-in keeps (2047 bytes) in the first box, then Apply.
    long_command = "A" * 2050
    host = _host(win, ["wait 1500", "settext 0 1002 " + long_command, "apply 0", "wait 1500", "cancel 0",
                       "wait 500", "exit"])
    win.drive(["box OK 30000 %s" % bmp("refusal")])
    _wait(host)
    keep(win, bmp("refusal"), "plugin-refusal")


def _host(win, steps, dll=INSTALLED_DLL):
    _host.count = getattr(_host, "count", 0) + 1
    script = "C:\\bench\\gallery-host%d.txt" % _host.count
    with open(win.path(script), "w", encoding="utf-8", newline="\r\n") as f:
        f.write("\n".join(steps) + "\n")
    return win.start("C:\\bench\\plugin_host.exe", cwd="C:\\bench",
                     args=["--dll", dll, "--printer", "KYR POS 730", "--script", script,
                           "--out", "C:\\bench\\gallery-host%d.out" % _host.count])


def uninstaller_second_run_and_main(win):
    first = win.start(UNINSTALLER, cwd=PRODUCT)
    win.drive(['wait "%s" 60000' % UNINSTALLER_CAPTION, "itemclick 1006 0", "sleep 400",
               "shot %s" % bmp("list")])
    keep(win, bmp("list"), "uninstaller-list")
    if "uninstaller-second-run" not in PENDING:
        second = win.start(UNINSTALLER, cwd=PRODUCT)
        win.drive(["box OK 30000 %s" % bmp("unsecond")])
        keep(win, bmp("unsecond"), "uninstaller-second-run")
        _wait(second)
    win.drive(['wait "%s" 30000' % UNINSTALLER_CAPTION, "click 1001", "sleep 2200",
               "shot %s" % bmp("removing"), "box No 90000 %s" % bmp("unrestart"),
               'gone "%s" 60000' % UNINSTALLER_CAPTION])
    _wait(first)
    keep(win, bmp("removing"), "uninstaller-progress")
    keep(win, bmp("unrestart"), "uninstaller-restart-question")


def uninstaller_boxes():
    with Session("gallery-uninstall-boxes", "winxp") as win:
        os.makedirs(win.path(PRODUCT), exist_ok=True)
        for name in ("KYRPOS730_Uninstaller.exe", "Unhook_A.dll", "Unhook_B.dll"):
            shutil.copy2(win.path("C:\\media\\" + name), win.path(PRODUCT + "\\" + name))
        key = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730"
        win.tool("reg", "add", key, "/v", "DisplayName", "/d", "KYR POS 730 Windows Driver 1.0.0E", "/f")
        win.run(UNINSTALLER, ["box OK 60000 %s" % bmp("absent")], cwd=PRODUCT)
        keep(win, bmp("absent"), "uninstaller-driver-not-exist")
    with Session("gallery-uninstall-load", "winxp") as win:
        win.run(INSTALLER, install_script("LPT1", [("No", None)]))
        os.remove(win.find(PRODUCT + "\\Unhook_B.dll"))
        win.run(UNINSTALLER, ['wait "%s" 60000' % UNINSTALLER_CAPTION, "itemclick 1006 0", "sleep 300",
                              "click 1001", "box OK 60000 %s" % bmp("load"),
                              'gone "%s" 30000' % UNINSTALLER_CAPTION], cwd=PRODUCT)
        keep(win, bmp("load"), "uninstaller-fail-to-load")


def windows_98():
    with Session("gallery-98", "win98") as win:
        # A real Windows 98 has its print-processor folder; a fresh prefix does not.
        win.run(INSTALLER, install_script("LPT1", [("No", bmp("restart98"))]))
        keep(win, bmp("restart98"), "installer-9x-restart-question")
        win.run(UNINSTALLER, ['wait "%s" 60000' % UNINSTALLER_CAPTION, "itemclick 1006 0", "sleep 300",
                              "click 1001", "box OK 90000 %s" % bmp("before98"),
                              'gone "%s" 60000' % UNINSTALLER_CAPTION], cwd=PRODUCT)
        keep(win, bmp("before98"), "uninstaller-9x-before-restart")
    with Session("gallery-98-usb", "win98") as win:
        win.run(INSTALLER, install_script("USB", [("OK", bmp("usb98"))]))
        keep(win, bmp("usb98"), "installer-9x-usb-notice")


def xp_main():
    with Session("gallery-xp", "winxp") as win:
        installer_start_and_second_run(win)
        installer_incomplete_medium(win)
        installer_xp_main(win)
        plugin_pages(win)
        uninstaller_second_run_and_main(win)
    with Session("gallery-xp-usb", "winxp") as win:
        installer_usb(win)


def write_page():
    lines = ["# Gallery", "",
             "Every window and message box a user of the package can meet, as the real programs show",
             "them under Wine: on Windows XP, the Windows 9x family's own boxes on Windows 98, the",
             "installer's refusals on Windows NT 4.0 and on 64-bit Windows 10 (a medium without its",
             "64-bit set), the removal's progress on 32-bit Windows 10, and the medium's 64-bit",
             "programs on 64-bit Windows 10.",
             "Regenerated by `scripts/gallery`; do not edit by hand.", ""]
    group = None
    for name, program, title, how in ENTRIES:
        if program != group:
            group = program
            lines += ["## " + program, ""]
        if name not in taken:
            continue
        system = SYSTEM_NAMES.get(taken[name], "Windows XP")
        lines += ["### %s" % title, "", "%s (%s)" % (how, system), "",
                  "![%s](screenshots/gallery/%s.png)" % (title.replace('"', ""), name), ""]
    missing = ["%s: %s" % (program, title) for name, program, title, _ in ENTRIES if name not in taken]
    if missing:
        lines += ["## Not shown", "", "Not produced by the programs of this build: " + "; ".join(missing) + ".", ""]
    with open(os.path.join(DOCS, "gallery.md"), "w") as f:
        f.write("\n".join(lines))


def system_of(name):
    return ("win98" if "-9x-" in name else "nt40" if "nt40" in name else "win10-64" if "-64bit-" in name
            else "win10" if "-10-" in name else "winxp")


def main():
    only = sys.argv[1:]
    if not only:
        shutil.rmtree(SHOTS, ignore_errors=True)
    os.makedirs(SHOTS, exist_ok=True)
    os.environ["KYR_OUT_DIR"] = os.path.join(ROOT, "build", "gallery-out")
    session.OUT_DIR = os.environ["KYR_OUT_DIR"]
    steps = [installer_nt40, installer_win64, xp_main, installer_failure_report, installer_failed_copies,
             uninstaller_boxes, uninstaller_refusals, windows_98, windows_10, windows_10_64]
    for step in steps:
        if only and step.__name__ not in only:
            continue
        started = time.monotonic()
        try:
            step()
        except Exception as e:  # one failed session must not cost the others' shots
            print("  %s failed: %r" % (step.__name__, e))
        print("  %-28s %5.1f s" % (step.__name__, time.monotonic() - started))
    if only:  # the shots of the steps not run this time stay as they were
        for name, *_ in ENTRIES:
            if name not in taken and os.path.exists(os.path.join(SHOTS, name + ".png")):
                taken[name] = system_of(name)
    write_page()
    missing = [name for name, *_ in ENTRIES if name not in taken]
    print("gallery: %d of %d shots%s" % (len(taken), len(ENTRIES),
                                        "; missing: " + ", ".join(missing) if missing else ""))


if __name__ == "__main__":
    main()

"""The demonstration: a throwaway Windows XP, the installer run as a user would, then the
printer's properties and the removal where those programs are built. Writes screenshots of
every window met and a report of what changed on that Windows to out/demo/."""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from bench import session  # noqa: E402
from bench.session import Session  # noqa: E402
from bench.product import INSTALLER, PORT_DIALOG, PROGRESS  # noqa: E402

OUT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "out/demo")
IGNORED = ("drive_c/bench", "drive_c/media", "drive_c/users", "drive_c/windows/temp", "drive_c/windows/logs",
           "drive_c/restart-requests.log")


def snapshot(win):
    files = {}
    root = os.path.join(win.prefix, "drive_c")
    for folder, _, names in os.walk(root):
        for n in names:
            full = os.path.join(folder, n)
            rel = os.path.relpath(full, win.prefix)
            if rel.startswith(IGNORED):
                continue
            st = os.lstat(full)
            files[rel] = (st.st_size, st.st_mtime_ns)
    state = win.spooler() + win.registry("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730") \
        + win.registry("HKLM\\SOFTWARE\\KYR_POS_PRINTER")
    state = [l for l in state if not l.startswith("form|")]
    return files, state


def changes(before, after):
    lines = []
    for rel in sorted(set(before[0]) | set(after[0])):
        if rel not in before[0]:
            lines.append("+ file  " + rel)
        elif rel not in after[0]:
            lines.append("- file  " + rel)
        elif before[0][rel] != after[0][rel]:
            lines.append("~ file  " + rel)
    for l in after[1]:
        if l not in before[1] and not l.startswith("nokey|"):
            lines.append("+ " + l)
    for l in before[1]:
        if l not in after[1] and not l.startswith("nokey|"):
            lines.append("- " + l)
    return lines


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    os.makedirs(OUT)
    os.environ["KYR_OUT_DIR"] = OUT
    session.OUT_DIR = OUT
    report = ["# Demonstration on a fresh Windows XP (Wine)", ""]
    with Session("demo", "winxp") as win:
        shots = []

        def shot(bmp, name, title):
            png = win.png(bmp, name)
            final = os.path.join(OUT, name + ".png")
            if png != final:
                shutil.move(png, final)
            shots.append((title, name + ".png"))

        start = snapshot(win)
        run = win.run(INSTALLER, [
            'watch "%s" 1003 1000' % PROGRESS,
            'wait "%s"' % PROGRESS, "shot C:\\bench\\01.bmp",
            'wait "%s"' % PORT_DIALOG, "shot C:\\bench\\02.bmp", "click 1",
            "sleep 3700", 'wait "%s"' % PROGRESS, "shot C:\\bench\\03.bmp",
            "box No 60000 C:\\bench\\04.bmp", 'gone "%s" 60000' % PROGRESS])
        shot("C:\\bench\\01.bmp", "01-start", "The installer starts: its setup dialog over the progress window")
        shot("C:\\bench\\02.bmp", "02-setup-dialog", "Port and overwrite policy")
        shot("C:\\bench\\03.bmp", "03-installing", "Installing")
        shot("C:\\bench\\04.bmp", "04-restart-question", "The restart question (answered No)")
        installed = snapshot(win)
        report += ["## Installation (LPT1, answered No to the restart)", "",
                   "Exit status %d after %.1f s." % (run.exit_code, run.elapsed), "", "Status lines:", ""]
        report += ["- %r (bar %s)" % (text, bar) for text, bar in run.transcript.status_lines()]
        report += ["", "What changed:", "", "```"] + changes(start, installed) + ["```", ""]

        host = os.path.join(session.TOOLS, "plugin_host.exe")
        if os.path.exists(host):
            shutil.copy2(host, win.path("C:\\bench"))
            before = snapshot(win)
            program = win.start("C:\\bench\\plugin_host.exe", "C:\\bench", [
                "--dll", "C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\UI730.DLL",
                "--printer", "KYR POS 730"])
            time.sleep(4)
            win.front("KYR POS 730 Properties")
            png = win.screen("05-additional-commands")
            shutil.move(png, os.path.join(OUT, "05-additional-commands.png"))
            shots.append(("The printer's Additional Commands page", "05-additional-commands.png"))
            program.kill()
            program.wait()
            report += ["## Printer properties", "", "Opened through the stand-in driver UI host.", ""]
            report += ["```"] + changes(before, snapshot(win)) + ["```", ""]

        uninstaller = "C:\\windows\\KYR-730\\KYRPOS730_Uninstaller.exe"
        if win.exists(uninstaller):
            before = snapshot(win)
            rem = win.run(uninstaller, [
                'watch "KYR POS 730 uninstaller" 1000 1002',
                'wait "KYR POS 730 uninstaller" 30000', "shot C:\\bench\\06.bmp", "itemclick 1006 0",
                "sleep 300", "shot C:\\bench\\07.bmp", "click 1001", "sleep 2200", "shot C:\\bench\\08.bmp",
                "box No 60000 C:\\bench\\09.bmp", 'gone "KYR POS 730 uninstaller" 30000'],
                cwd="C:\\windows\\KYR-730")
            if not rem.transcript.error:
                shot("C:\\bench\\06.bmp", "06-uninstaller", "The uninstaller lists the printer")
                shot("C:\\bench\\07.bmp", "07-uninstaller-ticked", "Printer ticked")
                shot("C:\\bench\\08.bmp", "08-removing", "Removing")
                shot("C:\\bench\\09.bmp", "09-uninstall-restart", "The restart question after removal")
            else:
                report += ["Removal transcript error: " + rem.transcript.error, ""]
            report += ["## Removal", "", "Exit status %d." % rem.exit_code, "", "Status lines:", ""]
            report += ["- %r (bar %s)" % (t, b) for t, b in rem.transcript.status_lines()]
            report += ["", "What changed:", "", "```"] + changes(before, snapshot(win)) + ["```", ""]

        report += ["## Screenshots", ""] + ["![%s](%s)" % s for s in shots]
    with open(os.path.join(OUT, "report.md"), "w") as f:
        f.write("\n".join(report) + "\n")
    print("\n".join(report))


if __name__ == "__main__":
    main()

"""Figures we keep: the size of each deliverable, the wall time of each end-to-end flow
against the pauses the product must make, and fuzzing runs. Prints them; asserts nothing."""
import glob
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from bench import session  # noqa: E402
from bench.session import Windows  # noqa: E402
from flows import install  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
MEDIA = os.path.join(ROOT, "build", "media")
FUZZ_SECONDS = int(os.environ.get("KYR_FUZZ_SECONDS", "30"))


def sizes():
    print("== Deliverable sizes")
    for name in ("KYRPOS730_Installer.exe", "KYRPOS730_Uninstaller.exe", "Unhook_A.dll", "Unhook_B.dll",
                 "driver2k/UI730.DLL"):
        path = os.path.join(MEDIA, name)
        print("  %-28s %s" % (name, "%8d bytes" % os.path.getsize(path) if os.path.exists(path) else "not built"))


def line(title, run, pauses):
    print("  %-32s wall %6.2f s  pauses %5.2f s  remainder %5.2f s  (exit %d)" %
          (title, run.elapsed, pauses, run.elapsed - pauses, run.exit_code))


def flows():
    print("== End-to-end flows (wall time, pauses the product must make, remainder)")
    print("   (wall time runs from the program's start to its end, the bench answering at once)")
    cases = [
        ("fresh NT install, LPT1", "LPT1", ["No"], 8 * 0.5 + 2.0),
        ("fresh NT install, USB", "USB", ["OK"], 7 * 0.5 + 2.0),
    ]
    for title, port, answers, pauses in cases:
        with Windows("figures-" + port.lower(), "winxp") as win:
            run = install(win, port, answers=answers)
            line(title, run, pauses)
            if port == "LPT1":
                run = install(win, "LPT2")
                line("added printer, driver present", run, 3 * 0.5 + 2.0)
                run = win.run("C:\\windows\\KYR-730\\KYRPOS730_Uninstaller.exe", [
                    'wait "KYR POS 730 uninstaller" 30000', "itemclick 1006 0", "itemclick 1006 1", "sleep 200",
                    "click 1001", "box No 60000", 'gone "KYR POS 730 uninstaller" 30000'],
                    cwd="C:\\windows\\KYR-730")
                line("full removal, two printers", run, 3 * 1.0)
    with Windows("figures-9x", "win98") as win:
        os.makedirs(win.path("C:\\windows\\system32\\spool\\prtprocs\\win40"), exist_ok=True)
        run = install(win, "LPT1", answers=["No"])
        line("fresh 9x install (win98), LPT1", run, 7 * 0.5 + 0.5)


def fuzz():
    print("== Fuzzing (%d s per target)" % FUZZ_SECONDS)
    for target in sorted(glob.glob(os.path.join(ROOT, "build", "host", "fuzz", "fuzz_*"))):
        started = time.monotonic()
        out = subprocess.run([target, "-max_total_time=%d" % FUZZ_SECONDS, "-seed=7"], capture_output=True,
                             text=True, errors="replace").stderr
        runs = re.findall(r"#(\d+)\s+(?:DONE|pulse|NEW|REDUCE|INITED)", out)
        total = runs[-1] if runs else "?"
        failed = "crash" if ("ERROR:" in out or "SUMMARY:" in out) else "no failure"
        print("  %-40s %12s runs in %5.1f s, %s" % (os.path.basename(target), total, time.monotonic() - started,
                                                   failed))


if __name__ == "__main__":
    sizes()
    flows()
    fuzz()

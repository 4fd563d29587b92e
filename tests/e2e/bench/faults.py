"""Failing chosen platform calls in a shipped program (tools/faultinject), for scenarios.

    from bench import faults
    config = faults.write_config(win, ["fail AddPrinterA 1 1722"], nosleep=True)
    run = faults.run(win, flows.INSTALLER, script, config)
    calls = faults.read_log(win)              # [Call(name, site, ordinal, families, result, detail)]
    faults.outcome(win)                       # ("exit", 0) or ("crashed", 0xC0000005)
    faults.call_sites(calls, "AddPrinterA")   # ["KYRPOS730_Installer.exe+0x1a2b"]

The program runs unchanged under the injector, in the folder and environment a plain
start gives it; the injector's own line ("faultinject: ... exited with 0") goes to the
session's program.log.
"""
import collections
import os
import subprocess
import shutil

INJECTOR = "C:\\bench\\faultinject.exe"
CONFIG = "C:\\bench\\faults.txt"
LOG = "C:\\bench\\calls.log"

# families: {"file-write": 7}, each family the call counted in and its number among their calls
# (what a "fail-from file-write 7" rule counts).
Call = collections.namedtuple("Call", "name site ordinal families result detail")


def install(win):
    """Puts the injector and its module into the session's C:\\bench."""
    from bench.session import TOOLS
    for name in ("faultinject.exe", "faultmodule.dll"):
        target = win.path("C:\\bench\\" + name)
        if not os.path.exists(target):
            shutil.copy2(os.path.join(TOOLS, name), target)


def write_config(win, faults=(), log=LOG, nosleep=False, only=(), path=CONFIG, windows_spooler=True):
    """Writes a configuration and returns its Windows path. `faults` are lines such as
    "fail AddPrinterA 1 1722", "fail-from spooler 3" or "jobs 2 paused KYR POS 730". An
    earlier log of that name goes, so that the log holds this run only. The injector is put
    in place with it. Unless told otherwise, the spooler answers by Windows' rules where
    Wine's is gentler (tools/faultinject/spooler_rules.h)."""
    install(win)
    lines = ["log " + log] if log else []
    if windows_spooler:
        lines.append("windows-spooler")
    if nosleep:
        lines.append("nosleep")
    lines += ["only " + module for module in only]
    lines += list(faults)
    with open(win.path(path), "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")
    if log and os.path.exists(win.path(log)):
        os.remove(win.path(log))
    return path


def launcher(config):
    """What goes before the program's own command to start it through the injector."""
    return [INJECTOR, "--config", config, "--"]


def command(config, exe, args=()):
    return ["wine"] + launcher(config) + [exe] + list(args)


def start(win, exe, config=CONFIG, cwd="C:\\media", args=(), env=None):
    """As win.start, through the injector."""
    install(win)
    return win.start(exe, cwd, args, launcher=launcher(config), env=env)


def run(win, exe, script, config=CONFIG, cwd="C:\\media", timeout=180, args=()):
    """As win.run, through the injector: starts the program, plays the script, waits."""
    install(win)
    return win.run(exe, script, cwd, timeout, args, launcher=launcher(config))


def _log_text(win, log):
    path = win.path(log)
    if not os.path.exists(path):
        return ""
    with open(path, "rb") as f:
        return f.read().decode("utf-8", "replace")


def read_log(win, log=LOG):
    return parse_log(_log_text(win, log))


def parse_log(text):
    """The calls of a log, in the order they ended; '#' lines are notes.

    >>> parse_log('# start C:\\\\media\\\\x.exe pid 32\\r\\n'
    ...           'AddPrinterA\\tKYRPOS730_Installer.exe+0x1a2b\\t1\\tspooler:4\\tinjected 1722\\t\\r\\n'
    ...           'RegOpenKeyExA\\tUnhook_B.dll+0x20\\t12\\t-\\tfail 2\\t"HKLM" "SOFTWARE\\\\x"\\r\\n')
    ... # doctest: +NORMALIZE_WHITESPACE
    [Call(name='AddPrinterA', site='KYRPOS730_Installer.exe+0x1a2b', ordinal=1, families={'spooler': 4},
          result='injected 1722', detail=''),
     Call(name='RegOpenKeyExA', site='Unhook_B.dll+0x20', ordinal=12, families={}, result='fail 2',
          detail='"HKLM" "SOFTWARE\\\\x"')]
    """
    calls = []
    for line in text.splitlines():
        if not line or line.startswith("#"):
            continue
        name, site, ordinal, families, result, detail = (line.split("\t", 5) + [""] * 6)[:6]
        counted = dict((f, int(n)) for f, n in (p.split(":") for p in families.split(",") if ":" in p))
        calls.append(Call(name, site, int(ordinal), counted, result, detail))
    return calls


def notes(win, log=LOG):
    """The log's notes: modules patched, a crash, the end ("end exit 0")."""
    return [l[2:] for l in _log_text(win, log).splitlines() if l.startswith("# ")]


def outcome(win, log=LOG):
    """("exit", code) or ("crashed", exception code) as the injector saw the program end;
    None while it runs (or when it was not started through the injector).

    Wine gives a Unix parent only the low byte of an exit code, so a crash is told here."""
    for note in reversed(notes(win, log)):
        if note.startswith("end "):
            kind, code = note[4:].split()
            return kind, int(code, 0)
    return None


def call_sites(calls, name=None):
    """The distinct call sites, in the order first seen; of one call's name if given."""
    seen = []
    for call in calls:
        if (name is None or call.name == name) and call.site not in seen:
            seen.append(call.site)
    return seen


def injected(calls):
    return [c for c in calls if c.result.startswith("injected ")]


# --- a run that answers whatever box the program shows --------------------------------------
Answered = collections.namedtuple("Answered", "outcome boxes status hung")


def run_answering(win, exe, config=CONFIG, cwd="C:\\media", args=(), prelude=(), prefer=("No", "OK"),
                  timeout=90):
    """Starts a program through the injector, plays `prelude` (the user's choices; a step the
    run no longer offers fails and ends it quietly) and, until the program ends, answers
    every message box with the first of `prefer` it offers (else its first button). Returns
    the injector's outcome, the boxes in the order shown, the (text, bar) status lines the
    prelude's watch saw, and whether the program had to be ended after `timeout` seconds."""
    program = start(win, exe, config, cwd, args)
    watching = win.drive_async(list(prelude)) if prelude else None
    # One answerer for the whole run: starting the driver for every look at the screen
    # cost a Wine start each time.
    answering = win.drive_async(["answer " + ",".join(prefer)])
    hung = False
    try:
        program.wait(timeout)
    except subprocess.TimeoutExpired:
        hung = True
        program.kill()
    answering.process.kill()
    answering.process.wait(10)
    boxes = answering.transcript().boxes()
    program.wait(30)
    status = []
    if watching is not None:
        try:
            watching.process.wait(timeout=3)
        except Exception:
            watching.process.kill()
            watching.process.wait(10)
        status = watching.transcript().status_lines()
    return Answered(outcome(win), boxes, status, hung)

"""What a user does with the product, as the scenarios play it, and how they read the
machine afterwards: once for every scenario."""
import os
import shutil
import subprocess
import time

from bench.product import (DRIVER, INSTALLER, PORT_DIALOG, PORT_RADIO, PRODUCT, PRODUCT_UNINSTALLER, PROGRESS,
                           UNINSTALLER_CAPTION, is_9x)
from bench.transcript import split

# Wine's own button labels, in the language of the system the session plays.
NO = {None: "No", "ja_JP.UTF-8": "\u3044\u3044\u3048(N)", "de_DE.UTF-8": "Nein"}


def no_button(win):
    return NO.get(win.locale, "No")


# --- the installer --------------------------------------------------------------------------
def install(win, port="LPT1", answers=None, policy=None, extra=(), cwd=None):
    """Runs the installer from the session's medium as a user would: picks the port (and
    policy), presses Next, answers the message boxes in order. Without answers, the restart
    question a new driver brings is declined and a run with the driver present expects no box.
    cwd is the folder it is started in (the medium's when not given). Returns the Run."""
    if answers is None:
        answers = [] if driver_present(win) else (["OK"] if port == "USB" else [no_button(win)])
    script = ['watch "%s" 1003 1000' % PROGRESS, 'wait "%s" 60000' % PORT_DIALOG, "click %d" % PORT_RADIO[port]]
    if policy is not None:
        script.append("select 1000 %d" % policy)
    script += ["sleep 100", "click 1"] + list(extra)
    script += ["box %s 120000" % a for a in answers]
    script.append('gone "%s" 120000' % PROGRESS)
    return win.run(INSTALLER.replace("C:\\media", win.medium, 1), script, cwd=cwd or win.medium)


def installed(win, port="LPT1", **kwargs):
    """install() that must end well: status 0, every box answered as expected."""
    run = install(win, port, **kwargs)
    assert run.exit_code == 0 and run.transcript.error is None, run.transcript.raw
    return run


# --- the uninstaller ------------------------------------------------------------------------
def run_uninstaller(win, script, cwd=PRODUCT, timeout=180):
    return win.run(PRODUCT_UNINSTALLER, script, cwd=cwd, timeout=timeout)


def remove(win, ticks=None, answer=None, cwd=PRODUCT, before=()):
    """The uninstaller as a user runs it: ticks the listed printers (all when ticks is None),
    presses Uninstall and answers the box that closes a full removal (the restart question,
    No, on NT; the restart notice, OK, on 9x). With no printer listed the removal runs by
    itself; with no driver the program says there is nothing to remove. Returns the Run."""
    ours = [n for n, f in printers(win).items() if f.get("driver") == DRIVER]
    driver = driver_present(win)
    closing = answer or ("OK" if is_9x(win.version) else no_button(win))
    watch = 'watch "%s" 1000 1002' % UNINSTALLER_CAPTION
    if ours:
        ticks = range(len(ours)) if ticks is None else ticks
        script = ['wait "%s" 60000' % UNINSTALLER_CAPTION] + list(before)
        for i in ticks:
            script += ["itemclick 1006 %d" % i, "sleep 200"]
        script += [watch, "click 1001"]
        if len(ticks) == len(ours):
            script.append("box %s 120000" % closing)
    elif driver:
        script = [watch, "box %s 120000" % closing]
    else:
        script = ["box OK 60000"]
    script.append('gone "%s" 60000' % UNINSTALLER_CAPTION)
    return run_uninstaller(win, script, cwd=cwd)


def removed(win, **kwargs):
    run = remove(win, **kwargs)
    assert run.exit_code == 0 and run.transcript.error is None, run.transcript.raw
    return run


def kill(win, image="KYRPOS730_Installer.exe"):
    """Ends a program as a power cut or the task manager would: no clean-up code runs."""
    win.tool("C:\\windows\\system32\\taskkill.exe", "/f", "/im", image)


# --- reading the machine --------------------------------------------------------------------
def fields(line):
    """'printer|name|k=v|...' -> (name, {k: v})"""
    parts = split(line)
    return parts[1], dict(p.split("=", 1) for p in parts[2:] if "=" in p)


def printers(win):
    """{name: {field: value}} of every printer, in the spooler's order."""
    return dict(fields(l) for l in win.spooler() if l.startswith("printer|"))


def drivers(win, environment="Windows NT x86"):
    """{name: {field: value}} of the drivers of one environment."""
    out = {}
    for line in win.spooler():
        if line.startswith("driver|"):
            parts = split(line)
            if parts[1] == environment:
                out[parts[2]] = dict(p.split("=", 1) for p in parts[3:])
    return out


def driver_present(win):
    return any(l.startswith("driver|") and "|%s|" % DRIVER in l for l in win.spooler())


def ours(win):
    """The product's spooler objects, as "kind|name"."""
    out = []
    for line in win.spooler():
        if line.startswith(("printer|", "driver|", "monitor|", "processor|")) and "730" in line:
            parts = line.split("|")
            out.append(parts[0] + "|" + (parts[2] if parts[0] in ("driver", "processor") else parts[1]))
    return sorted(out)


def registry_values(win, key):
    """[(name, data)] in the order the registry lists them."""
    return [(p[2], p[3]) for p in (split(l) for l in win.registry(key)) if p[0] == "value"]


def key_exists(win, key):
    return not win.registry(key)[0].startswith("nokey|")


def reg(win, *args):
    win.tool("C:\\windows\\system32\\reg.exe", *args)


def read(win, windows_path):
    found = win.find(windows_path)
    if found is None:
        return None
    with open(found, "rb") as f:
        return f.read()


def dos_attributes(win, windows_path):
    """Wine keeps DOS attributes in an extended attribute of the Unix file."""
    try:
        return int(os.getxattr(win.find(windows_path), "user.DOSATTRIB").split(b"\0")[0], 16)
    except OSError:
        return 0


def read_only_files(win):
    """Files on drive C: (but the bench's) that Windows sees as read-only: Wine's read-only
    attribute is a file without Unix write bits."""
    root = os.path.join(win.prefix, "drive_c")
    found = []
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames[:] = [d for d in dirnames if not (dirpath == root and d.lower() == "bench")]
        for f in filenames:
            full = os.path.join(dirpath, f)
            if not os.path.islink(full) and not os.stat(full).st_mode & 0o222:
                found.append("C:\\" + os.path.relpath(full, root).replace("/", "\\"))
    return sorted(found)


def basename(path):
    return path.replace("\\", "/").rsplit("/", 1)[-1]


def wait_for(predicate, timeout=30.0, step=0.1):
    """Polls until predicate() is true or the bound passes; returns its last value."""
    deadline = time.monotonic() + timeout
    value = predicate()
    while not value and time.monotonic() < deadline:
        time.sleep(step)
        value = predicate()
    return value


# --- conditions a scenario sets up ----------------------------------------------------------
def make_read_only(win, windows_path, content=b"old"):
    """A target the system refuses to overwrite, even once its read-only bit is cleared (as
    the product does before it gives up): an immutable file, which only root can make, so this
    needs the bench run by root (CI is). Undone by writable() before the prefix goes."""
    path = win.path(windows_path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content)
    win.tool("C:\\windows\\system32\\cmd.exe", "/c", "attrib", "+r", windows_path)
    subprocess.run(["chattr", "+i", path], check=True)
    return path


def writable(path):
    subprocess.run(["chattr", "-i", path], check=False)


def hold_open(win, windows_path):
    """A target held open: a running program whose image is that file (a copy of the bench's
    GUI driver, waiting). Returns the process; kill it to let go."""
    path = win.path(windows_path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    shutil.copy(win.path("C:\\bench\\guidriver.exe"), path)
    with open(win.path("C:\\bench\\hold.txt"), "w", newline="\r\n") as f:
        f.write('echo "holding"\nsleep 120000\n')
    log = os.path.join(win.out, "program.log")
    seen = os.path.getsize(log) if os.path.exists(log) else 0
    program = win.start(windows_path, cwd="C:\\bench", args=["C:\\bench\\hold.txt"])

    def holding():
        with open(log, "rb") as f:
            f.seek(seen)
            return b"holding" in f.read()
    assert wait_for(holding, 60), "the holder did not start"
    return program

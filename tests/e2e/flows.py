"""Steps the scenarios share: running the installer as a user would, and the texts and
records the product must show or leave behind."""
import os

INSTALLER = "C:\\media\\KYRPOS730_Installer.exe"
PROGRESS = "KYR POS 730 Installation Progress"
PORT_DIALOG = "Select Port Type"
CAPTION = "KYR POS 730 installer"
RESTART_QUESTION = ("Restart the computer can take effect.\nPlease restart the computer."
                    "\n\n[Yes] I want to restart my computer now.\n[No] I will restart my computer later.")
USB_DONE = "Installation is completed.\nPlease turn-off printer and turn-on printer."
UNINSTALL_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730"
PORT_RADIO = {"COM1": 1006, "COM2": 1007, "COM3": 1008, "COM4": 1009, "LPT1": 1010, "LPT2": 1011, "USB": 1012}

NT_STEPS = ["Check drivers...\r\n", "Add printer...\r\n", "Install language monitor...\r\n",
            "Install print processor...\r\n", "Copy files...\r\n", "Install printer driver...\r\n"]


def install(win, port="LPT1", answers=(), policy=None, extra=(), cwd=None):
    """Runs the installer from the session's medium: picks the port (and policy), presses
    Next, answers the message boxes in order. Returns the Run. cwd is the current folder it
    is started in (the medium's when not given)."""
    script = ['watch "%s" 1003 1000' % PROGRESS, 'wait "%s"' % PORT_DIALOG, "click %d" % PORT_RADIO[port]]
    if policy is not None:
        script.append("select 1000 %d" % policy)
    script += ["sleep 100", "click 1"] + list(extra)
    script += ["box %s 60000" % a for a in answers]
    script.append('gone "%s" 60000' % PROGRESS)
    medium = getattr(win, "medium", "C:\\media")
    return win.run(INSTALLER.replace("C:\\media", medium, 1), script, cwd=cwd or medium)


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


def fields(line):
    """'printer|name|k=v|...' -> (name, {k: v})"""
    from bench.transcript import split
    parts = split(line)
    values = {}
    for p in parts[2:]:
        if "=" in p:
            k, v = p.split("=", 1)
            values[k] = v
    return parts[1], values


def printers(win):
    return dict(fields(l) for l in win.spooler() if l.startswith("printer|"))


def drivers(win, environment="Windows NT x86"):
    out = {}
    from bench.transcript import split
    for l in win.spooler():
        if l.startswith("driver|"):
            parts = split(l)
            if parts[1] == environment:
                values = dict(p.split("=", 1) for p in parts[3:])
                out[parts[2]] = values
    return out


def registry_values(win, key):
    """[(name, data)] in the order the registry lists them."""
    from bench.transcript import split
    out = []
    for l in win.registry(key):
        if l.startswith("value|"):
            parts = split(l)
            out.append((parts[2], parts[3]))
    return out


def basename(path):
    return path.replace("\\", "/").rsplit("/", 1)[-1]


# --- one run at a time, interrupted runs ---------------------------------------------------
UNINSTALLER_CAPTION = "KYR POS 730 uninstaller"
PRODUCT = "C:\\windows\\KYR-730"
PRODUCT_UNINSTALLER = PRODUCT + "\\KYRPOS730_Uninstaller.exe"
RUN_IN_PROGRESS = ("KYR POS 730 is being installed or removed by another program.\n"
                   "Please wait until it has finished, then try again.")


def kill(win, image="KYRPOS730_Installer.exe"):
    """Ends a program as a power cut or the task manager would: no clean-up code runs."""
    win.tool("C:\\windows\\system32\\taskkill.exe", "/f", "/im", image)


def wait_for(predicate, timeout=30.0, step=0.1):
    """Polls until predicate() is true or the bound passes; returns its last value."""
    import time
    deadline = time.monotonic() + timeout
    value = predicate()
    while not value and time.monotonic() < deadline:
        time.sleep(step)
        value = predicate()
    return value


def make_read_only(win, windows_path, content=b"old"):
    """A target the system refuses to overwrite. The bench runs Wine as root, for whom
    Wine's read-only attribute is only a Unix permission bit that root writes through; an
    immutable file is refused to root as well. Undone by writable() before the prefix goes."""
    import subprocess
    path = win.path(windows_path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content)
    win.tool("C:\\windows\\system32\\cmd.exe", "/c", "attrib", "+r", windows_path)
    subprocess.run(["chattr", "+i", path], check=True)
    return path


def writable(path):
    import subprocess
    subprocess.run(["chattr", "-i", path], check=False)


def hold_open(win, windows_path):
    """A target held open: a running program whose image is that file (a copy of the bench's
    GUI driver, waiting). Returns the process; kill it to let go."""
    import shutil
    path = win.path(windows_path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    shutil.copy(win.path("C:\\bench\\guidriver.exe"), path)
    with open(win.path("C:\\bench\\hold.txt"), "w", newline="\r\n") as f:
        f.write('echo "holding"\nsleep 120000\n')
    log = os.path.join(win.shots, "program.log")
    seen = os.path.getsize(log) if os.path.exists(log) else 0
    program = win.start(windows_path, cwd="C:\\bench", args=["C:\\bench\\hold.txt"])

    def holding():
        with open(log, "rb") as f:
            f.seek(seen)
            return b"holding" in f.read()
    assert wait_for(holding, 60), "the holder did not start"
    return program

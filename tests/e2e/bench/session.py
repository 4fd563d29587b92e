"""One fresh Windows for one scenario: a Wine prefix cloned from the pristine one, the
chosen Windows version, a display of its own, the medium and the bench tools inside it.

    with Session("lpt1", "winxp") as win:
        run = win.run("C:\\media\\KYRPOS730_Installer.exe", cwd="C:\\media", script=[...])
        run.exit_code, run.transcript, win.spooler(), win.registry("HKLM\\...")

A session that fails while starting leaves neither its display nor its prefix behind. Its
Windows runs as a plain user (bench/plain_user.py), as a till's does.
"""
import contextlib
import os
import shutil
import subprocess
import time

from bench import plain_user
from bench import prefix as prefixes
from bench.display import VirtualDisplay
from bench.product import PROCESSORS_9X, is_9x
from bench.transcript import Transcript

BUILD = os.environ.get("KYR_BUILD_DIR", os.path.join(prefixes.ROOT, "build"))
MEDIA = os.path.join(BUILD, "media")
TOOLS = os.path.join(BUILD, "win", "bin")
# The few bench programs that must be 64-bit on 64-bit Windows.
TOOLS64 = os.path.join(BUILD, "win64", "bin")
SCENARIO_DIR = os.path.join(prefixes.WINE_DIR, "scenarios")
OUT_DIR = os.environ.get("KYR_OUT_DIR", os.path.join(BUILD, "e2e-out"))
ANSI_CODEPAGES = {"ja_JP": "cp932", "zh_CN": "gbk", "zh_TW": "cp950", "ko_KR": "cp949"}


def quote(word):
    return '"' + word.replace("\\", "\\\\").replace('"', '\\"').replace("\r", "\\r").replace("\n", "\\n") + '"'


class Run:
    def __init__(self, exit_code, transcript, elapsed):
        self.exit_code = exit_code
        self.transcript = transcript
        self.elapsed = elapsed


class Driving:
    """A guidriver script running on its own: its transcript grows line by line."""

    def __init__(self, process, out_path):
        self.process = process
        self.out_path = out_path

    def transcript(self):
        with open(self.out_path, "rb") as f:
            return Transcript(f.read().decode("utf-8", "replace"))

    def wait(self, timeout=120):
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise
        return self.transcript()


class Session:
    """One fresh Windows for one scenario (see the module's text)."""

    def __init__(self, name, version="winxp", observe_restarts=True, media=True, locale=None,
                 bits=32, cd=False, base=None):
        self.name = name
        self.version = version
        self.locale = locale
        # bits=64: a 64-bit Windows, on which our 32-bit programs run as they would there.
        self.arch = "win64" if bits == 64 else "win32"
        self.prefix = os.path.join(SCENARIO_DIR, name)
        # Transcripts, screenshots and program output of this session.
        self.out = os.path.join(OUT_DIR, name)
        self.cd_root = None
        self.medium = "C:\\media"
        self.display = None
        self.server = None
        self._script_no = 0
        self._launcher = []
        # base: a Windows prepared once and kept (Session.keep), instead of a fresh one.
        self.base = base
        try:
            self._start(observe_restarts, media, locale, cd)
        except BaseException:
            self.close()
            raise

    def _start(self, observe_restarts, media, locale, cd):
        prefixes.clone(self.prefix, self.arch, source=self.base)
        prefixes.set_windows_version(self.prefix, self.version)
        prefixes.log_crashes(self.prefix)
        self.display = VirtualDisplay()
        extra = {"DISPLAY": self.display.name}
        if locale:
            # Wine takes the ANSI code page and the system's language from LC_ALL, also
            # where that Linux locale is not generated; every process of the prefix gets it.
            extra["LC_ALL"] = locale
        # guidriver compares its script's texts (a button's label) with what the windows
        # answer in the ANSI code page; the double-byte ones need the script in it too.
        self.ansi = ANSI_CODEPAGES.get((locale or "").split(".")[0])
        self.env = prefixes.wine_env(self.prefix, extra, self.arch)
        self.program_env = dict(self.env)
        os.makedirs(self.out, exist_ok=True)
        bench = self.path("C:\\bench")
        os.makedirs(bench, exist_ok=True)
        for tool in ("guidriver.exe", "statedump.exe", "volatile_key.exe"):
            shutil.copy2(os.path.join(TOOLS, tool), bench)
        if is_9x(self.version):
            # A real Windows 9x has its print-processor folder; a fresh Wine prefix does not.
            os.makedirs(self.path(PROCESSORS_9X), exist_ok=True)
        # Where the installer is started from: C:\\media, or with cd the medium as a pressed
        # disc in drive D: (read-only files, drive type "cdrom").
        if cd:
            self.cd_root = os.path.join(self.prefix, "cdrom")
            prefixes.press_disc(MEDIA, self.cd_root)
            prefixes.insert_cd(self.prefix, self.cd_root)
            self.medium = "D:"
        elif media and not os.path.isdir(self.path("C:\\media")):
            shutil.copytree(MEDIA, self.path("C:\\media"))
        if observe_restarts:
            # Wine ends the session through wineboot; ours only logs the request. On 64-bit
            # Windows system32 holds the 64-bit one (a 32-bit file there kept Wine's own
            # programs from starting) and syswow64 the 32-bit one.
            if self.arch == "win64":
                prefixes.replace_file(self.prefix, "drive_c/windows/system32/wineboot.exe",
                                      os.path.join(TOOLS64, "fake_wineboot.exe"))
                prefixes.replace_file(self.prefix, "drive_c/windows/syswow64/wineboot.exe",
                                      os.path.join(TOOLS, "fake_wineboot.exe"))
            else:
                prefixes.replace_file(self.prefix, "drive_c/windows/system32/wineboot.exe",
                                      os.path.join(TOOLS, "fake_wineboot.exe"))
            self.program_env["WINEDLLOVERRIDES"] = self.env["WINEDLLOVERRIDES"] + ";wineboot.exe=n"
        self._start_server()

    def _start_server(self):
        self.server = self.popen(["wineserver", "-p", "-f"], env=self.env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL, start_new_session=True)
        # The first program of a session starts Wine's own services through wineboot; that
        # must be the real one, not the restart observer the program under test gets. Listing
        # the spooler also makes the driver store's folders a real Windows has from the start
        # and Wine's spooler makes on first use, so that no snapshot counts them as a change.
        self.spooler()

    # --- paths ------------------------------------------------------------------
    def path(self, windows_path):
        """Unix path of a C:\\ path (or D:\\ of the CD) inside this Windows (case as given)."""
        rest = windows_path[2:].replace("\\", "/").lstrip("/")
        return os.path.join(self._drive(windows_path), rest)

    def _drive(self, windows_path):
        if self.cd_root and windows_path[:2].upper() == "D:":
            return self.cd_root
        assert windows_path[:2].upper() == "C:", windows_path
        return os.path.join(self.prefix, "drive_c")

    def find(self, windows_path):
        """Unix path of an existing C:\\ path, matching names without regard to case."""
        current = self._drive(windows_path)
        for part in windows_path[2:].replace("\\", "/").strip("/").split("/"):
            if not part:
                continue
            try:
                names = os.listdir(current)
            except OSError:
                return None
            match = [n for n in names if n.lower() == part.lower()]
            if not match:
                return None
            current = os.path.join(current, match[0])
        return current

    def exists(self, windows_path):
        return self.find(windows_path) is not None

    # --- running ----------------------------------------------------------------
    def popen(self, argv, cwd=None, env=None, **kwargs):
        """Starts a process of this Windows (wine ..., wineserver) as its user. What the
        bench put into the prefix since the last start becomes that user's first, as if the
        user had put it there; a pressed disc stays as pressed. Without a folder it starts in
        C:\\, which that user can always enter."""
        plain_user.hand_over(self.prefix, keep=[self.cd_root] if self.cd_root else ())
        return subprocess.Popen(argv, cwd=cwd or self.path("C:\\"), env=env or self.env,
                                **dict(kwargs, **plain_user.popen_args()))

    @contextlib.contextmanager
    def launched_by(self, launcher):
        """Every program started meanwhile without a launcher of its own is started through
        this one (the fault injector's command), whichever flow starts it."""
        self._launcher = list(launcher)
        try:
            yield
        finally:
            self._launcher = []

    def start(self, exe, cwd="C:\\media", args=(), launcher=(), env=None):
        """Starts a program without waiting. launcher: a bench program that starts it in turn
        (the fault injector's command before the program's own); env: extra variables."""
        launcher = list(launcher) or self._launcher
        # One line per program started, so that a suite's runs can be counted (scripts/bench).
        with open(os.path.join(OUT_DIR, "programs.log"), "a") as runs:
            runs.write("%s|%s\n" % (self.name, exe.rsplit("\\", 1)[-1]))
        with open(os.path.join(self.out, "program.log"), "ab") as log:
            return self.popen(["wine"] + list(launcher) + [exe] + list(args), cwd=self.path(cwd),
                              env=dict(self.program_env, **(env or {})),
                              stdin=subprocess.DEVNULL, stdout=log, stderr=log)

    def drive_async(self, script):
        """Starts a guidriver script without waiting for it; returns its Driving."""
        self._script_no += 1
        script_path = self.path("C:\\bench\\script%d.txt" % self._script_no)
        with open(script_path, "w", newline="\r\n", encoding=self.ansi) as f:
            f.write("\n".join(script) + "\n")
        out_path = os.path.join(self.out, "transcript%d.txt" % self._script_no)
        with open(out_path, "wb") as out:
            process = self.popen(["wine", "C:\\bench\\guidriver.exe",
                                  "C:\\bench\\script%d.txt" % self._script_no],
                                 env=self.env, stdout=out, stderr=subprocess.DEVNULL,
                                 stdin=subprocess.DEVNULL)
        return Driving(process, out_path)

    def drive(self, script, timeout=120):
        """Runs a guidriver script; returns its transcript."""
        return self.drive_async(script).wait(timeout)

    def run(self, exe, script, cwd="C:\\media", timeout=180, args=(), launcher=()):
        """Starts a program, plays the script against it and waits for its end."""
        started = time.monotonic()
        program = self.start(exe, cwd, args, launcher)
        try:
            transcript = self.drive(script, timeout=timeout)
            code = program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            program.kill()
            raise
        return Run(code, transcript, time.monotonic() - started)

    def tool(self, *args, timeout=60):
        out_path = os.path.join(self.out, "tool.out")
        with open(out_path, "wb") as out:
            process = self.popen(["wine"] + list(args), env=self.env, stdout=out, stderr=subprocess.DEVNULL,
                                 stdin=subprocess.DEVNULL, cwd=self.path("C:\\"))
            try:
                process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                raise
        with open(out_path, "rb") as f:
            return f.read().decode("utf-8", "replace").replace("\r\n", "\n")

    # The answers kept while the state holds still (holding_still), by question.
    _held = None

    def state(self, *args):
        held = self._held
        if held is not None and args in held:
            return held[args]
        lines = [line for line in self.tool("C:\\bench\\statedump.exe", *args).split("\n") if line]
        if held is not None:
            held[args] = lines
        return lines

    @contextlib.contextmanager
    def holding_still(self, questions=()):
        """While no program runs here: each question of the state answered once, and the
        questions given ((args of state), ...) answered by one run of the tool, which costs
        Wine's start once instead of once for each."""
        self._held = {}
        try:
            if questions:
                args = []
                for i, question in enumerate(questions):
                    args += ["mark", str(i)] + list(question)
                answers, current = {}, None
                for line in self.state(*args):
                    if line.startswith("mark|"):
                        current = answers.setdefault(questions[int(line[5:])], [])
                    else:
                        current.append(line)
                # Each question leaves its mark, answered or not: one missing is a tool
                # that did not run to its end, not an empty state.
                assert len(answers) == len(set(questions)), "the state tool did not answer %r" % (questions,)
                self._held = answers
            yield self
        finally:
            self._held = None

    def spooler(self):
        return self.state("spooler")

    def registry(self, key):
        return self.state("reg", key)

    def processes(self, name):
        """Unix ids of this Windows' processes whose program's file name contains `name`."""
        mark = ("\0WINEPREFIX=%s\0" % self.prefix).encode()
        found = []
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    program = f.read().split(b"\0")[0].replace(b"\\", b"/").rsplit(b"/", 1)[-1]
                if name.lower().encode() not in program.lower():
                    continue
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if mark not in b"\0" + f.read() + b"\0":
                        continue
            except OSError:
                continue
            found.append(int(pid))
        return found

    def restart_requests(self, timeout=60):
        """Restart requests the programs made. Wine hands a request to wineboot, which logs
        it on its own time, often after the program is gone: waits (bounded) until no
        wineboot of this Windows runs any more."""
        deadline = time.monotonic() + timeout
        while self.processes("wineboot") and time.monotonic() < deadline:
            time.sleep(0.1)
        path = self.path("C:\\restart-requests.log")
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            return [l for l in f.read().decode("latin-1").splitlines() if l.strip()]

    def png(self, bmp_windows_path, name):
        """Converts a guidriver capture into out/<scenario>/<name>.png."""
        target = os.path.join(self.out, name + ".png")
        subprocess.run(["convert", self.path(bmp_windows_path), target], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return target

    def front(self, caption, timeout=10000):
        """Once the window with that caption has the foreground, its caption is drawn as the
        foreground's (guidriver's front: the notice Wine's desktop leaves out)."""
        return self.drive(['wait "%s" %d' % (caption, timeout), "front"])

    def screen(self, name):
        """The whole display as the user sees it, to out/<scenario>/<name>.png."""
        target = os.path.join(self.out, name + ".png")
        subprocess.run(["import", "-display", self.display.name, "-window", "root", "-crop", "800x600+0+0",
                        "+repage", target], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return target

    def crashes(self):
        """One line per program of this Windows that crashed: what the debugger said of the
        exception, of which process, and where (empty when none did)."""
        path = self.find(prefixes.CRASH_LOG)
        if path is None:
            return []
        with open(path, "rb") as f:
            text = f.read().decode("latin-1").replace("\r\n", "\n")
        told = []
        for account in text.split("Unhandled exception: ")[1:]:
            lines = account.split("\n")
            process = next((l.split("(D)", 1)[1].strip() for l in lines if "(D)" in l), "?")
            frame = next((l.strip() for l in lines if l.startswith("=>")), "")
            told.append("%s: %s %s" % (process, lines[0], frame))
        return told or [text[:200]]

    def keep(self, target):
        """This Windows as it is now, kept at target for later sessions' base. Its server
        ends (so that the registry is on disk) and starts again as at the session's start."""
        self._stop_server()
        prefixes.keep(self.prefix, target, self.arch)
        self._start_server()

    # --- end --------------------------------------------------------------------
    def _stop_server(self):
        prefixes.kill_server(self.prefix)
        if self.server is not None:
            try:
                self.server.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.server.kill()

    def close(self, keep=False):
        self._stop_server()
        if self.display is not None:
            self.display.close()
        if not keep and not os.environ.get("KYR_KEEP_PREFIX"):
            shutil.rmtree(self.prefix, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, kind, value, tb):
        # A crash of any program here, the product's or Wine's, fails the scenario by name.
        crashed = self.crashes() if kind is None and self.prefix else []
        self.close(keep=kind is not None or bool(crashed))
        if crashed:
            raise AssertionError("crashed in %s: %s" % (self.name, " | ".join(crashed)))
        return False

"""Wine prefixes for the bench: one pristine 32-bit prefix, cheap per-scenario copies.
A pristine 64-bit prefix (Debian's wine64; our 32-bit programs run in it as on 64-bit
Windows) is made beside it the first time a scenario asks for one.

A copy hard-links the large program files under windows/ and really copies the rest
(registry, .ini files, INF folder). Wine writes through a hard link when it rewrites an
existing file, so the linked files of the pristine prefix are recorded and checked before
every copy; a changed one makes the pristine prefix be rebuilt.

Wine's own fonts (Marlett for caption buttons and scroll arrows, the bitmap "MS Sans Serif"
dialogs are drawn in, Tahoma, ...) are put into the prefix's Fonts folder, where Windows keeps
them. Debian's Wine looks for them in <data dir>/../fonts, one folder above where the
fonts-wine package installs them, so without this a fresh prefix has none of them: Marlett's
glyphs fall back to letters ("r" for the close box) and dialogs are measured and drawn in
a substitute with other metrics, which cuts labels."""
import fcntl
import hashlib
import json
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from bench import plain_user  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))


def _wine_dir():
    if os.environ.get("KYR_WINE_DIR"):
        return os.environ["KYR_WINE_DIR"]
    if plain_user.switching():
        # The account must reach its prefixes, and a checkout can lie below a folder only
        # root may enter; one folder per checkout, so that two checkouts never share one.
        tag = hashlib.sha1(ROOT.encode()).hexdigest()[:8]
        return os.path.join(plain_user.home(), "wine", os.path.basename(ROOT) + "-" + tag)
    return os.path.join(ROOT, "build", "wine")


WINE_DIR = _wine_dir()
PRISTINE = os.path.join(WINE_DIR, "pristine")
MANIFEST = os.path.join(WINE_DIR, "pristine-links.json")
# The 64-bit prefix is booted by the 64-bit loader: Debian installs it outside the PATH.
WINE64 = next((p for p in ("/usr/lib/wine/wine64", "/usr/lib64/wine/wine64", "/opt/wine-stable/bin/wine64")
               if os.path.isfile(p)), "wine64")
LINK_EXTENSIONS = {".dll", ".exe", ".drv", ".sys", ".ocx", ".acm", ".cpl", ".tlb", ".ax",
                   ".ds", ".fon", ".ttf", ".nls", ".mui", ".msstyles", ".com", ".vxd", ".dll16",
                   ".exe16", ".mod16", ".drv16"}
# Bumped whenever the way the pristine prefix is made changes, so that existing ones are remade.
RECIPE = 4
WINE_FONT_DIRS = [d for d in os.environ.get("KYR_WINE_FONTS", "").split(os.pathsep) if d] + [
    "/usr/share/wine/fonts", "/usr/lib/wine/fonts", "/opt/wine-stable/share/wine/fonts"]
BASE_ENV = {
    "WINEARCH": "win32",
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=",
}


def pristine_of(arch):
    """(pristine prefix, its record of linked files) for "win32" or "win64"."""
    if arch == "win64":
        return PRISTINE + "64", os.path.join(WINE_DIR, "pristine64-links.json")
    return PRISTINE, MANIFEST


def wine_env(prefix, extra=None, arch="win32"):
    env = plain_user.env(os.environ)
    env.update(BASE_ENV)
    env["WINEARCH"] = arch
    env["WINEPREFIX"] = prefix
    if extra:
        env.update(extra)
    return env


def _linked(rel):
    if not rel.startswith(os.path.join("drive_c", "windows") + os.sep):
        return False
    return os.path.splitext(rel)[1].lower() in LINK_EXTENSIONS


def _walk_files(top):
    for dirpath, dirnames, filenames in os.walk(top):
        for d in list(dirnames):
            full = os.path.join(dirpath, d)
            if os.path.islink(full):
                dirnames.remove(d)
                yield full, "link"
        for f in filenames:
            full = os.path.join(dirpath, f)
            yield full, ("link" if os.path.islink(full) else "file")


def _install_wine_fonts(pristine=PRISTINE):
    """Copies Wine's own fonts into the pristine prefix's Fonts folder (see above)."""
    source = next((d for d in WINE_FONT_DIRS if os.path.isfile(os.path.join(d, "marlett.ttf"))), None)
    if source is None:
        raise RuntimeError("Wine's fonts (marlett.ttf ...) not found in %s; run scripts/setup"
                           % ", ".join(WINE_FONT_DIRS))
    fonts = os.path.join(pristine, "drive_c", "windows", "Fonts")
    os.makedirs(fonts, exist_ok=True)
    for name in sorted(os.listdir(source)):
        if os.path.splitext(name)[1].lower() in (".ttf", ".fon") and not os.path.exists(os.path.join(fonts, name)):
            shutil.copy2(os.path.join(source, name), os.path.join(fonts, name))


def _shared_files(pristine):
    for full, kind in _walk_files(pristine):
        if kind == "file" and _linked(os.path.relpath(full, pristine)):
            yield full


def _record_manifest(pristine=PRISTINE, manifest=MANIFEST):
    entries = {"": RECIPE}
    for full in _shared_files(pristine):
        st = os.stat(full)
        entries[os.path.relpath(full, pristine)] = [st.st_size, st.st_mtime_ns, st.st_ino, st.st_mode]
    with open(manifest, "w") as f:
        json.dump(entries, f)


def _manifest_intact(pristine=PRISTINE, manifest=MANIFEST):
    try:
        with open(manifest) as f:
            entries = json.load(f)
    except (OSError, ValueError):
        return False
    if entries.pop("", None) != RECIPE:
        return False
    for rel, recorded in entries.items():
        try:
            st = os.stat(os.path.join(pristine, rel))
        except OSError:
            return False
        # A scenario that made a shared file read-only changed the pristine one's mode too.
        if [st.st_size, st.st_mtime_ns, st.st_ino, st.st_mode] != recorded:
            return False
    return True


def _build_pristine(arch="win32"):
    pristine, manifest = pristine_of(arch)
    shutil.rmtree(pristine, ignore_errors=True)
    os.makedirs(pristine)
    plain_user.hand_over(pristine)
    env = wine_env(pristine, arch=arch)
    boot = [WINE64, "wineboot", "-i"] if arch == "win64" else ["wineboot", "-i"]
    with open(os.path.join(WINE_DIR, os.path.basename(pristine) + "-boot.log"), "wb") as log:
        subprocess.run(boot, env=env, stdout=log, stderr=log, check=True, stdin=subprocess.DEVNULL,
                       **plain_user.popen_args())
        subprocess.run(["wineserver", "-w"], env=env, stdout=log, stderr=log, check=True,
                       **plain_user.popen_args())
    _install_wine_fonts(pristine)
    plain_user.keep_root(_shared_files(pristine))
    _record_manifest(pristine, manifest)


def ensure_pristine(arch="win32"):
    pristine, manifest = pristine_of(arch)
    os.makedirs(WINE_DIR, exist_ok=True)
    with open(os.path.join(WINE_DIR, "." + os.path.basename(pristine) + ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.isdir(os.path.join(pristine, "drive_c")) or not _manifest_intact(pristine, manifest):
            _build_pristine(arch)


def clone(dest, arch="win32", source=None):
    """A fresh Windows at dest, in well under a second; or, from source, a copy of a Windows
    prepared once (a prefix kept with keep()) in which the files it shares with the pristine
    one stay shared and everything the preparation wrote is dest's own."""
    ensure_pristine(arch)
    pristine = pristine_of(arch)[0]
    origin = source or pristine
    kill_server(dest)
    shutil.rmtree(dest, ignore_errors=True)
    os.makedirs(dest)
    for full, kind in _walk_files(origin):
        rel = os.path.relpath(full, origin)
        target = os.path.join(dest, rel)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if kind == "link":
            os.symlink(os.readlink(full), target)
        elif _linked(rel) and (source is None or _same_file(full, os.path.join(pristine, rel))):
            os.link(full, target)
        else:
            shutil.copy2(full, target)
    for dirpath, dirnames, _ in os.walk(origin):
        for d in dirnames:
            full = os.path.join(dirpath, d)
            if not os.path.islink(full):
                target = os.path.join(dest, os.path.relpath(full, origin))
                os.makedirs(target, exist_ok=True)
                if source is not None:
                    shutil.copystat(full, target)
    plain_user.hand_over(dest)
    return dest


def _same_file(a, b):
    try:
        return os.path.samefile(a, b)
    except OSError:
        return False


def keep(prefix, target, arch="win32"):
    """A copy of a prepared prefix (its server ended) that clone(source=target) starts from."""
    kill_server(prefix)
    clone(target, arch, source=prefix)


def replace_file(prefix, rel, source):
    """Puts a file in place of a (possibly hard-linked) one without writing through the link."""
    target = os.path.join(prefix, rel)
    if os.path.lexists(target):
        os.remove(target)
    shutil.copy2(source, target)


def set_windows_version(prefix, version):
    """Prefix-wide Windows version (win95 ... win2003, nt40, vista, win7, win8, win10), set
    before Wine starts.

    Also puts every window on a Wine virtual desktop, where Wine draws captions and
    frames itself: screenshots then show windows as a user sees them, without needing a
    window manager on the virtual display."""
    path = os.path.join(prefix, "user.reg")
    stamp = int(time.time())
    with open(path, "a", newline="\n") as f:
        f.write('\n[Software\\\\Wine] %d\n"Version"="%s"\n' % (stamp, version))
        f.write('\n[Software\\\\Wine\\\\Explorer] %d\n"Desktop"="Default"\n' % stamp)
        f.write('\n[Software\\\\Wine\\\\Explorer\\\\Desktops] %d\n"Default"="800x600"\n' % stamp)


CRASH_LOG = "C:\\crashes.txt"


def log_crashes(prefix):
    """Any program of this Windows that crashes leaves Wine's debugger's account of it (the
    exception, the backtrace, the processes) in C:\\crashes.txt, instead of a crash dialog
    nobody answers; set before Wine starts. The file itself is a change every comparison of
    the drive sees."""
    with open(os.path.join(prefix, "system.reg"), "a", newline="\n") as f:
        f.write('\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\AeDebug] %d\n'
                '"Auto"="1"\n"Debugger"="C:\\\\windows\\\\system32\\\\cmd.exe /c C:\\\\windows\\\\system32\\\\winedbg.exe --auto %%ld %%ld >>%s 2>&1"\n'
                % (int(time.time()), CRASH_LOG.replace("\\", "\\\\")))
    with open(os.path.join(prefix, "user.reg"), "a", newline="\n") as f:
        f.write('\n[Software\\\\Wine\\\\WineDbg] %d\n"ShowCrashDialog"=dword:00000000\n' % int(time.time()))


def press_disc(medium, root):
    """The medium as a pressed CD holds it at root: every file and folder read-only (Wine
    reads a file without Unix write bits as read-only)."""
    shutil.rmtree(root, ignore_errors=True)
    shutil.copytree(medium, root)
    for dirpath, dirnames, filenames in os.walk(root, topdown=False):
        for f in filenames:
            os.chmod(os.path.join(dirpath, f), 0o444)
        os.chmod(dirpath, 0o555)


def insert_cd(prefix, root, letter="d"):
    """root as the CD drive letter: the drive's link and its type "cdrom", set before Wine
    starts."""
    link = os.path.join(prefix, "dosdevices", letter + ":")
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(root, link)
    with open(os.path.join(prefix, "system.reg"), "a", newline="\n") as f:
        f.write('\n[Software\\\\Wine\\\\Drives] %d\n"%s:"="cdrom"\n' % (int(time.time()), letter))


def kill_server(prefix):
    if os.path.isdir(prefix):
        subprocess.run(["wineserver", "-k"], env=wine_env(prefix), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, **plain_user.popen_args())


def ensure_unit(prefix):
    os.makedirs(os.path.dirname(prefix.rstrip("/")), exist_ok=True)
    with open(prefix.rstrip("/") + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.isfile(os.path.join(prefix, "system.reg")):
            clone(prefix)
            set_windows_version(prefix, "winxp")


if __name__ == "__main__":
    cmd = sys.argv[1]
    if cmd == "ensure-pristine":
        ensure_pristine()
    elif cmd == "ensure-unit":
        ensure_unit(sys.argv[2])
    elif cmd == "unit-prefix":
        # Where a Windows unit test's own prefix goes (the account must reach it).
        print(os.path.join(WINE_DIR, "unit", sys.argv[2]))
    elif cmd == "user-command":
        print(" ".join(plain_user.command_words(sys.argv[2])))
    elif cmd == "clone":
        clone(sys.argv[2])
    else:
        sys.exit("unknown command " + cmd)

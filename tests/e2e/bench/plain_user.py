"""The unprivileged account the bench's Windows runs as.

A till's user is not root, and Wine run by root is a gentler Windows: root writes through a
file without write bits, which Wine presents as read-only, where every Windows (and Wine run
by anyone else) refuses with 5, access denied. So when the bench itself runs as root (CI
does), every Wine process it starts runs as the account below, whose prefixes are its own;
the pristine prefix's shared program files stay root's, readable but not writable by it, as
a plain user meets the system's own files. Run by a plain user, the bench is that user.

KYR_BENCH_AS_ROOT=1 keeps root (only to compare the two behaviours).
"""
import os
import pwd
import stat
import subprocess
import sys

NAME = os.environ.get("KYR_BENCH_USER", "kyrbench")


def switching():
    return os.geteuid() == 0 and not os.environ.get("KYR_BENCH_AS_ROOT")


def account():
    """The account's passwd entry; made here when scripts/setup has not (root only)."""
    try:
        return pwd.getpwnam(NAME)
    except KeyError:
        subprocess.run(["useradd", "--create-home", "--shell", "/usr/sbin/nologin", NAME], check=True,
                       stdout=subprocess.DEVNULL)
        return pwd.getpwnam(NAME)


def home():
    return account().pw_dir if switching() else os.path.expanduser("~")


def env(base):
    """base with the account's own HOME, USER and LOGNAME (Wine names the profile after it)."""
    if not switching():
        return dict(base)
    entry = account()
    return dict(base, HOME=entry.pw_dir, USER=entry.pw_name, LOGNAME=entry.pw_name)


def popen_args():
    """Keyword arguments that make a subprocess run as the account."""
    if not switching():
        return {}
    entry = account()
    return {"user": entry.pw_uid, "group": entry.pw_gid, "extra_groups": []}


def shared(st):
    """A file the prefix shares with the pristine one by a hard link: it stays root's."""
    return st.st_uid == 0 and st.st_nlink > 1 and stat.S_ISREG(st.st_mode)


def hand_over(top, keep=()):
    """Makes what the bench (as root) put below top the account's, as if the user had put it
    there: every entry except the pristine prefix's shared files and the folders in keep (a
    pressed disc stays root's, so that not even its owner can make it writable)."""
    if not switching() or not os.path.lexists(top):
        return
    entry = account()
    uid, gid = entry.pw_uid, entry.pw_gid
    keep = {os.path.abspath(k) for k in keep}

    def give(path):
        # A program of the prefix may still be deleting what the walk just listed.
        try:
            st = os.lstat(path)
            if st.st_uid != uid and not shared(st):
                os.lchown(path, uid, gid)
        except FileNotFoundError:
            pass

    give(top)
    for dirpath, dirnames, filenames in os.walk(top):
        dirnames[:] = [d for d in dirnames if os.path.join(dirpath, d) not in keep]
        for name in dirnames + filenames:
            give(os.path.join(dirpath, name))


def keep_root(paths):
    """The pristine prefix's shared program files: root's again after the account made them."""
    if not switching():
        return
    for path in paths:
        os.lchown(path, 0, 0)


def reachable(path):
    """Whether the account can read path (every folder above it entered, the file read)."""
    entry = account()

    def allowed(st, bit_user, bit_group, bit_other):
        if st.st_uid == entry.pw_uid:
            return bool(st.st_mode & bit_user)
        if st.st_gid == entry.pw_gid:
            return bool(st.st_mode & bit_group)
        return bool(st.st_mode & bit_other)

    path = os.path.abspath(path)
    folder = os.path.dirname(path)
    while True:
        if not allowed(os.stat(folder), stat.S_IXUSR, stat.S_IXGRP, stat.S_IXOTH):
            return False
        if folder == os.path.dirname(folder):
            break
        folder = os.path.dirname(folder)
    return allowed(os.stat(path), stat.S_IRUSR, stat.S_IRGRP, stat.S_IROTH)


def command_words(program):
    """What a shell puts before a command to run it as the account (scripts/wine-run); empty
    when no switch is made, or when the account cannot read the program where it lies (a
    checkout below a folder only root may enter), which is said on standard error."""
    if not switching():
        return []
    if not reachable(program):
        sys.stderr.write("wine-run: %s cannot read %s; running as root, which writes through "
                         "read-only files\n" % (NAME, program))
        return []
    entry = account()
    return ["setpriv", "--reuid=%d" % entry.pw_uid, "--regid=%d" % entry.pw_gid, "--clear-groups",
            "env", "HOME=" + entry.pw_dir, "USER=" + entry.pw_name, "LOGNAME=" + entry.pw_name]

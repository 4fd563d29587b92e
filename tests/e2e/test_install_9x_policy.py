"""The universal-driver overwrite policy on Windows 98, with the stand-in unidrv.dll in its
older, equal (higher build), newer and version-less variants and with set last-write times;
and the NT family, which no policy touches."""
import concurrent.futures
import os
import shutil
import time
import unittest

from bench.session import BUILD, Windows

import test_install_9x as base

VARIANTS = os.path.join(BUILD, "media-variants")
DRIVER = base.DRIVERS + "\\unidrv.dll"
HELP = base.DRIVERS + "\\unidrv.hlp"
OLD_HELP = b"help file of an earlier universal driver\r\n"
STALE = b"stale staging copy\r\n"
BY_VERSION, BY_DATE, ALWAYS, NEVER = range(4)

SECOND = 10 ** 7  # file-time units
INTERVAL = 1 << 32
EPOCH = 116444736000000000  # 1601 to 1970 in file-time units
DAY = 86400 * SECOND


def interval_start():
    """The start of a 429.4967296-second interval some days back."""
    now = time.time_ns() // 100 + EPOCH
    return ((now >> 32) - 1000) << 32


def set_written(path, filetime):
    ns = (filetime - EPOCH) * 100
    os.utime(path, ns=(ns, ns))


def variant(name):
    with open(os.path.join(VARIANTS, name, "unidrv.dll"), "rb") as f:
        return f.read()


# name, policy, installed variant (None: no file), media variant (None: the medium's own),
# (installed, media) last-write times as offsets from an interval start, whether the
# driver and the help file are replaced.
T0 = 0
CASES = [
    ("none-by-version", BY_VERSION, None, None, None, True, True),
    ("none-by-date", BY_DATE, None, None, None, True, False),
    ("none-always", ALWAYS, None, None, None, True, True),
    ("none-never", NEVER, None, None, None, True, False),
    ("older-by-version", BY_VERSION, "older", None, None, True, True),
    ("equal-by-version", BY_VERSION, "equal-higher-build", None, None, False, False),
    ("newer-by-version", BY_VERSION, "newer", None, None, False, False),
    ("installed-without-version", BY_VERSION, "no-version", None, None, True, True),
    ("medium-without-version", BY_VERSION, "older", "no-version", None, False, False),
    ("5-minutes-same-interval", BY_DATE, "older", None, (10 * SECOND, 310 * SECOND), False, False),
    ("a-day-newer-medium", BY_DATE, "newer", None, (T0, DAY), True, True),
    ("a-day-older-medium", BY_DATE, "older", None, (DAY, T0), False, False),
    ("always-over-newer", ALWAYS, "newer", None, None, True, True),
    ("never-over-older", NEVER, "older", None, None, False, False),
]


def run_case(case):
    name, policy, installed, media_variant, times, driver_replaced, help_replaced = case
    with Windows("w9x-policy-" + name, "win98") as win:
        base.prepare_9x(win)
        drivers = win.path(base.DRIVERS)
        os.makedirs(drivers, exist_ok=True)
        os.makedirs(win.path(base.STAGING), exist_ok=True)
        media_driver = win.path("C:\\media\\driver9x\\unidrv.dll")
        if media_variant:
            shutil.copyfile(os.path.join(VARIANTS, media_variant, "unidrv.dll"), media_driver)
        if installed:
            shutil.copyfile(os.path.join(VARIANTS, installed, "unidrv.dll"), win.path(DRIVER))
        with open(win.path(HELP), "wb") as f:
            f.write(OLD_HELP)
        for staged in ("unidrv.dll", "unidrv.hlp"):
            with open(win.path(base.STAGING + "\\" + staged), "wb") as f:
                f.write(STALE)
        if times:
            start = interval_start()
            set_written(win.path(DRIVER), start + times[0])
            set_written(media_driver, start + times[1])
        before = base.read(win, DRIVER)
        run = base.install(win, "LPT1", boxes=["No"], policy=policy)
        return {
            "exit": run.exit_code,
            "statuses": run.transcript.status_lines(),
            "before": before,
            "driver": base.read(win, DRIVER),
            "help": base.read(win, HELP),
            "media_driver": base.medium(win, "unidrv.dll"),
            "media_help": base.medium(win, "unidrv.hlp"),
            "staged_driver": base.read(win, base.STAGING + "\\unidrv.dll"),
            "staged_help": base.read(win, base.STAGING + "\\unidrv.hlp"),
        }


class OverwritePolicy(unittest.TestCase):
    def test_universal_driver_and_help_file_follow_the_policy(self):
        with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
            results = list(pool.map(run_case, CASES))
        for case, r in zip(CASES, results):
            name, _, installed, _, _, driver_replaced, help_replaced = case
            with self.subTest(case=name):
                self.assertEqual(r["exit"], 0)
                self.assertEqual(r["statuses"], base.NEW_DRIVER_LPT)
                expected_driver = r["media_driver"] if driver_replaced else r["before"]
                self.assertEqual(r["driver"], expected_driver, "unidrv.dll")
                self.assertEqual(r["help"], r["media_help"] if help_replaced else OLD_HELP, "unidrv.hlp")
                # The staging copies are replaced under every policy.
                self.assertEqual(r["staged_driver"], r["media_driver"])
                self.assertEqual(r["staged_help"], r["media_help"])
        # The variants really differ from the medium, or the cases above would prove nothing.
        medium = results[0]["media_driver"]
        for name in ("older", "equal-higher-build", "newer", "no-version"):
            self.assertNotEqual(variant(name), medium, name)


class NtFamilyIgnoresThePolicy(unittest.TestCase):
    def test_never_overwrite_on_windows_xp_still_installs_the_medium_driver(self):
        with Windows("w9x-policy-nt", "winxp") as win:
            folder = win.path("C:\\windows\\system32\\spool\\drivers\\w32x86")
            os.makedirs(os.path.join(folder, "3"), exist_ok=True)
            old = variant("older")
            for target in (os.path.join(folder, "UNIDRV.DLL"), os.path.join(folder, "3", "UNIDRV.DLL")):
                with open(target, "wb") as f:
                    f.write(old)
            run = base.install(win, "LPT1", boxes=["No"], policy=NEVER)
            self.assertEqual(run.exit_code, 0)
            self.assertEqual(base.read(win, "C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\UNIDRV.DLL"),
                             base.read(win, "C:\\media\\driver2k\\UNIDRV.DLL"))


if __name__ == "__main__":
    unittest.main()

"""The universal-driver overwrite policy on Windows 98, wired from the setup dialog's entry
to the copies: one overwrite by version, one by date, "never" keeping the help file (the whole
decision table is held by the native and Windows unit tests); and the NT family, which no
policy touches."""
import concurrent.futures
import os
import shutil
import time
import unittest

from bench.flows import install, read
from bench.session import BUILD, Session
from bench.product import W9X_INSTALL_LINES
from checks import DRIVERS_9X, STAGING, medium_9x

VARIANTS = os.path.join(BUILD, "media-variants")
DRIVER = DRIVERS_9X + "\\unidrv.dll"
HELP = DRIVERS_9X + "\\unidrv.hlp"
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
    ("older-by-version", BY_VERSION, "older", None, None, True, True),
    ("a-day-newer-medium-by-date", BY_DATE, "newer", None, (T0, DAY), True, True),
    ("never-over-older", NEVER, "older", None, None, False, False),
]


def run_case(case):
    name, policy, installed, media_variant, times, driver_replaced, help_replaced = case
    with Session("w9x-policy-" + name, "win98") as win:
        drivers = win.path(DRIVERS_9X)
        os.makedirs(drivers, exist_ok=True)
        os.makedirs(win.path(STAGING), exist_ok=True)
        media_driver = win.path("C:\\media\\driver9x\\unidrv.dll")
        if media_variant:
            shutil.copyfile(os.path.join(VARIANTS, media_variant, "unidrv.dll"), media_driver)
        if installed:
            shutil.copyfile(os.path.join(VARIANTS, installed, "unidrv.dll"), win.path(DRIVER))
        with open(win.path(HELP), "wb") as f:
            f.write(OLD_HELP)
        for staged in ("unidrv.dll", "unidrv.hlp"):
            with open(win.path(STAGING + "\\" + staged), "wb") as f:
                f.write(STALE)
        if times:
            start = interval_start()
            set_written(win.path(DRIVER), start + times[0])
            set_written(media_driver, start + times[1])
        before = read(win, DRIVER)
        run = install(win, "LPT1", answers=["No"], policy=policy)
        return {
            "exit": run.exit_code,
            "statuses": run.transcript.status_lines(),
            "before": before,
            "driver": read(win, DRIVER),
            "help": read(win, HELP),
            "media_driver": medium_9x(win, "unidrv.dll"),
            "media_help": medium_9x(win, "unidrv.hlp"),
            "staged_driver": read(win, STAGING + "\\unidrv.dll"),
            "staged_help": read(win, STAGING + "\\unidrv.hlp"),
        }


class OverwritePolicy(unittest.TestCase):
    def test_universal_driver_and_help_file_follow_the_policy(self):
        with concurrent.futures.ThreadPoolExecutor(max_workers=3) as pool:
            results = list(pool.map(run_case, CASES))
        for case, r in zip(CASES, results):
            name, _, installed, _, _, driver_replaced, help_replaced = case
            with self.subTest(case=name):
                self.assertEqual(r["exit"], 0)
                self.assertEqual(r["statuses"], W9X_INSTALL_LINES)
                expected_driver = r["media_driver"] if driver_replaced else r["before"]
                self.assertEqual(r["driver"], expected_driver, "unidrv.dll")
                self.assertEqual(r["help"], r["media_help"] if help_replaced else OLD_HELP, "unidrv.hlp")
                # The staging copies are replaced under every policy.
                self.assertEqual(r["staged_driver"], r["media_driver"])
                self.assertEqual(r["staged_help"], r["media_help"])
        # The variants really differ from the medium, or the cases above would prove nothing.
        medium = results[0]["media_driver"]
        for name in ("older", "newer"):
            self.assertNotEqual(variant(name), medium, name)


class NtFamilyIgnoresThePolicy(unittest.TestCase):
    def test_never_overwrite_on_windows_xp_still_installs_the_medium_driver(self):
        with Session("w9x-policy-nt", "winxp") as win:
            folder = win.path("C:\\windows\\system32\\spool\\drivers\\w32x86")
            os.makedirs(os.path.join(folder, "3"), exist_ok=True)
            old = variant("older")
            for target in (os.path.join(folder, "UNIDRV.DLL"), os.path.join(folder, "3", "UNIDRV.DLL")):
                with open(target, "wb") as f:
                    f.write(old)
            run = install(win, "LPT1", answers=["No"], policy=NEVER)
            self.assertEqual(run.exit_code, 0)
            self.assertEqual(read(win, "C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\UNIDRV.DLL"),
                             read(win, "C:\\media\\driver2k\\UNIDRV.DLL"))


if __name__ == "__main__":
    unittest.main()

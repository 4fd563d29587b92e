"""The bench checked without Wine: every session kind is started, used and closed with Wine's
programs and Xvfb replaced by stand-ins, so that a name used before it is set, a wrong
attribute or a leak of a failed start shows on any machine, in a second, before anything
under Wine runs (scripts/test runs this first).

    python3 tests/e2e/bench/selfcheck.py"""
import os
import sys
import tempfile
import unittest

STAND_INS = {
    # The server a session keeps running: it stays until "wineserver -k" for its prefix.
    "wineserver": """#!/bin/sh
pidfile="$WINEPREFIX/.stand-in-server"
case "$1" in
  -p) echo $$ > "$pidfile"; exec sleep 300 ;;
  -k) [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null; rm -f "$pidfile" ;;
esac
exit 0
""",
    "wineboot": """#!/bin/sh
mkdir -p "$WINEPREFIX/drive_c/windows/system32" "$WINEPREFIX/drive_c/windows/syswow64" "$WINEPREFIX/dosdevices"
: > "$WINEPREFIX/drive_c/windows/system32/wineboot.exe"
: > "$WINEPREFIX/drive_c/windows/syswow64/wineboot.exe"
: > "$WINEPREFIX/system.reg"; : > "$WINEPREFIX/user.reg"
""",
    # Every Windows program answers at once, with nothing to say.
    "wine": "#!/bin/sh\nexit 0\n",
    "wine64": "#!/bin/sh\n[ \"$1\" = wineboot ] && exec wineboot \"$@\"\nexit 0\n",
    "Xvfb": """#!/bin/sh
[ -n "$KYR_STAND_IN_NO_DISPLAY" ] && exit 1
while [ $# -gt 0 ]; do [ "$1" = -displayfd ] && fd=$2; shift; done
eval "echo 99 >&$fd"
exec sleep 300
""",
}


def prepare(root):
    bin_dir = os.path.join(root, "bin")
    os.makedirs(bin_dir)
    for name, text in STAND_INS.items():
        path = os.path.join(bin_dir, name)
        with open(path, "w") as f:
            f.write(text)
        os.chmod(path, 0o755)
    build = os.path.join(root, "build")
    tools = os.path.join(build, "win", "bin")
    os.makedirs(tools)
    for tool in ("guidriver.exe", "statedump.exe", "volatile_key.exe", "fake_wineboot.exe"):
        open(os.path.join(tools, tool), "wb").close()
    # The bench programs of 64-bit Windows' own kind.
    tools64 = os.path.join(build, "win64", "bin")
    os.makedirs(tools64)
    for tool in ("fake_wineboot.exe", "plugin_host.exe"):
        open(os.path.join(tools64, tool), "wb").close()
    os.makedirs(os.path.join(build, "media", "driver2k"))
    open(os.path.join(build, "media", "KYRPOS730_Installer.exe"), "wb").close()
    fonts = os.path.join(root, "fonts")
    os.makedirs(fonts)
    open(os.path.join(fonts, "marlett.ttf"), "wb").close()
    os.environ.update({"PATH": bin_dir + os.pathsep + os.environ["PATH"], "KYR_BUILD_DIR": build,
                       "KYR_WINE_DIR": os.path.join(root, "wine"), "KYR_OUT_DIR": os.path.join(root, "out"),
                       "KYR_WINE_FONTS": fonts})


class SessionWithStandIns(unittest.TestCase):
    def test_every_kind_of_session_starts_works_and_closes(self):
        from bench.session import SCENARIO_DIR, Session
        from bench.product import PROCESSORS_9X
        for kwargs in ({"version": "winxp"}, {"version": "win98"}, {"version": "winxp", "cd": True},
                       {"version": "win10", "bits": 64}, {"version": "winxp", "locale": "ja_JP.UTF-8"},
                       {"version": "winxp", "media": False, "observe_restarts": False}):
            with self.subTest(**kwargs):
                with Session("selfcheck", **kwargs) as win:
                    self.assertTrue(os.path.isdir(win.path("C:\\bench")))
                    self.assertEqual(win.exists(PROCESSORS_9X), kwargs["version"] == "win98")
                    self.assertEqual(win.exists(win.medium + "\\KYRPOS730_Installer.exe"),
                                     kwargs.get("media", True))
                    if kwargs.get("media", True):
                        run = win.run(win.medium + "\\KYRPOS730_Installer.exe", ["box OK 1000"], cwd=win.medium)
                        self.assertEqual((run.exit_code, run.transcript.events), (0, []))
                    self.assertEqual((win.spooler(), win.restart_requests(timeout=1)), ([], []))
                    win.drive_async(["echo x"]).wait(10)
                self.assertFalse(os.path.exists(os.path.join(SCENARIO_DIR, "selfcheck")), "the prefix went")

    def test_a_session_that_fails_to_start_leaves_nothing(self):
        from bench.session import SCENARIO_DIR, Session
        os.environ["KYR_STAND_IN_NO_DISPLAY"] = "1"
        try:
            with self.assertRaises(RuntimeError):
                Session("selfcheck-failed", "winxp")
        finally:
            del os.environ["KYR_STAND_IN_NO_DISPLAY"]
        self.assertFalse(os.path.exists(os.path.join(SCENARIO_DIR, "selfcheck-failed")))


if __name__ == "__main__":
    with tempfile.TemporaryDirectory() as root:
        # Run by root, the sessions' programs run as the bench's plain user, who must reach
        # the stand-ins and the prefixes below this folder.
        os.chmod(root, 0o755)
        prepare(root)
        sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        result = unittest.main(exit=False, verbosity=1).result
    sys.exit(0 if result.wasSuccessful() else 1)

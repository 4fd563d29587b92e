"""The Windows tills run today, 32-bit (7 and 10 by default; Vista and 8 under the label
"systems-full") and 64-bit (7 and 10): one life per Windows, as on XP. Installed as on XP, the
page shown and applied, removed with XP's steps, bar and restart question, leaving XP's list.
Windows 10's question is answered Yes: the restart is asked for without the dialog closing
first. On 64-bit Windows the 32-bit installer the user starts hands over to the medium's
64-bit one, which installs the x64 driver set with the 64-bit spooler and deploys the 64-bit
uninstaller; its USB installation adds no printer, as on 32-bit."""
import os
import unittest

from bench.flows import basename, installed, ours, registry_values, removed
from bench.leftovers import documented, explain, left_behind, snapshot
from bench.product import CAPTION, REMOVAL_LINES, RESTART_QUESTION, UNINSTALL_KEY, USB_DONE, nt_install_lines
from bench.session import Session
from checks import nt_installation, with_call_log
from plugin_page import apply_example, host_ready

SYSTEMS_FULL = bool(os.environ.get("KYR_SYSTEMS_FULL"))


class LaterWindows(unittest.TestCase):
    def life(self, version, answer="No", bits=32):
        with Session("life-%s%s" % (version, "-64" if bits == 64 else ""), version, bits=bits) as win:
            before = snapshot(win)
            run = installed(win, "LPT1")
            self.assertEqual(run.transcript.status_lines(), nt_install_lines())
            self.assertEqual([(b.caption, b.text) for b in run.transcript.boxes()], [(CAPTION, RESTART_QUESTION)])
            nt_installation(self, win)

            host_ready(win)
            apply_example(self, win)

            inf = dict(registry_values(win, UNINSTALL_KEY))["InfFile"][3:]
            if bits == 32:
                removal, calls = with_call_log(win, removed, answer=answer)
                # The INF leaves the driver store through the setup library, not as a bare file.
                self.assertEqual([(c.result, c.detail.split(" ")[0]) for c in calls
                                  if c.name == "SetupUninstallOEMInfA"], [("ok", '"%s"' % basename(inf))])
            else:
                # The fault injector is a 32-bit module and cannot log a 64-bit program's calls;
                # the INF's going is seen in the INF folder instead.
                removal = removed(win, answer=answer)
                self.assertFalse(win.exists(inf), inf)
            lines = list(REMOVAL_LINES)
            if answer == "Yes":
                # The restart comes before the dialog's own completion: the last line stays
                # on the bar of the last step.
                lines[-1] = ("Uninstall completed!", 90)
            self.assertEqual(removal.transcript.status_lines(), lines)
            self.assertEqual([(b.text, b.icon, b.buttons) for b in removal.transcript.boxes()],
                             [(RESTART_QUESTION, "question", ["Yes", "No"])])
            self.assertEqual(len(win.restart_requests()), 1 if answer == "Yes" else 0)
            self.assertEqual(ours(win), ["processor|KYRPOS PRINT PROCESSOR 730"])
            rows, unexplained = explain(version, left_behind(before, snapshot(win)))
            self.assertEqual(unexplained, [])
            self.assertEqual([item for item, _, _ in rows], documented("winxp", page_used=True, arch=win.arch))

    def test_windows_7(self):
        self.life("win7")

    def test_windows_10_restart_answered_yes(self):
        self.life("win10", answer="Yes")

    def test_windows_10_64_bit(self):
        self.life("win10", bits=64)

    def test_windows_7_64_bit(self):
        self.life("win7", bits=64)

    def test_windows_10_64_bit_usb(self):
        with Session("later-win10-64-usb", "win10", bits=64) as win:
            run = installed(win, "USB")
            self.assertEqual(run.transcript.status_lines(), nt_install_lines(printer=False))
            self.assertEqual([(b.caption, b.text) for b in run.transcript.boxes()], [(CAPTION, USB_DONE)])
            nt_installation(self, win, "USB")

    @unittest.skipUnless(SYSTEMS_FULL, "systems-full")
    def test_full_vista_and_8(self):
        for version in ("vista", "win8"):
            with self.subTest(version=version):
                self.life(version)


if __name__ == "__main__":
    unittest.main()

"""One installer or uninstaller at a time: a latecomer says so, ends with status 0 and changes
nothing, whichever of the two programs runs first; a killed run does not block the next."""
import unittest

from bench.session import Session
from bench.flows import kill, printers, wait_for
from bench.product import (CAPTION, INSTALLER, PORT_DIALOG, PORT_RADIO, PRODUCT, PRODUCT_UNINSTALLER, PROGRESS,
                           RESTART_QUESTION, RUN_IN_PROGRESS, UNINSTALLER_CAPTION, UNINSTALL_KEY)

MEDIA_UNINSTALLER = "C:\\media\\KYRPOS730_Uninstaller.exe"


def ours(win):
    return sorted(l for l in win.spooler() if "730" in l and not l.startswith("form|"))


class Checks(unittest.TestCase):
    def assert_notice(self, box, caption):
        self.assertEqual((box.caption, box.text, box.icon, box.buttons, box.owner),
                         (caption, RUN_IN_PROGRESS, "information", ["OK"], "none"))

    def assert_installed_once(self, win):
        self.assertEqual(list(printers(win)), ["KYR POS 730"])
        self.assertFalse(any(l.startswith("nokey|") for l in win.registry(UNINSTALL_KEY)))
        self.assertTrue(win.exists(PRODUCT_UNINSTALLER))

    def two_installers_together(self, win, last_answer):
        first = win.start(INSTALLER)
        second = win.start(INSTALLER)
        t = win.drive(['box OK 60000', 'wait "%s" 60000' % PORT_DIALOG, "click %d" % PORT_RADIO["LPT1"],
                       "sleep 100", "click 1", "box %s 120000" % last_answer, 'gone "%s" 60000' % PROGRESS],
                      timeout=240)
        self.assertIsNone(t.error, t.raw)
        self.assertEqual((first.wait(60), second.wait(60)), (0, 0))
        boxes = t.boxes()
        self.assert_notice(boxes[0], CAPTION)
        # No trace of a second installation beside the first: no monitor registered twice,
        # one printer, no numbered one.
        self.assertEqual(len(boxes), 2, boxes)
        self.assert_installed_once(win)

    def uninstaller_during_installation(self, win, last_answer):
        installer = win.start(INSTALLER)
        t = win.drive(['wait "%s" 60000' % PORT_DIALOG, "click %d" % PORT_RADIO["LPT1"], "sleep 100", "click 1",
                       "sleep 300"])
        self.assertIsNone(t.error, t.raw)
        # The installation is under way (and holds the lock) for a few seconds more.
        latecomer = win.start(MEDIA_UNINSTALLER)
        t = win.drive(['box OK 60000', "box %s 120000" % last_answer, 'gone "%s" 60000' % PROGRESS],
                      timeout=240)
        self.assertIsNone(t.error, t.raw)
        self.assertEqual((latecomer.wait(60), installer.wait(60)), (0, 0))
        self.assert_notice(t.boxes()[0], UNINSTALLER_CAPTION)
        self.assert_installed_once(win)

    def installer_during_removal(self, win, removal_boxes):
        entry = win.registry(UNINSTALL_KEY)
        before = ours(win)
        remover = win.start(PRODUCT_UNINSTALLER, cwd=PRODUCT)
        t = win.drive(['wait "%s" 60000' % UNINSTALLER_CAPTION])
        self.assertIsNone(t.error, t.raw)
        # The uninstaller waits for the user's choice and holds the lock meanwhile.
        run = win.run(INSTALLER, ["box OK 60000"])
        self.assertEqual(run.exit_code, 0)
        self.assert_notice(run.transcript.boxes()[0], CAPTION)
        self.assertNotIn(["window", PORT_DIALOG], run.transcript.events)
        self.assertEqual(ours(win), before)
        self.assertEqual(win.registry(UNINSTALL_KEY), entry)
        # The removal then goes on to its end as usual.
        t = win.drive(['wait "%s" 60000' % UNINSTALLER_CAPTION, "itemclick 1006 0", "sleep 300", "click 1001"]
                      + ["box %s 120000" % b for b in removal_boxes]
                      + ['gone "%s" 60000' % UNINSTALLER_CAPTION], timeout=240)
        self.assertIsNone(t.error, t.raw)
        self.assertEqual(remover.wait(60), 0)
        self.assertEqual(printers(win), {})
        self.assertTrue(any(l.startswith("nokey|") for l in win.registry(UNINSTALL_KEY)))


class OneRunOn64BitWindows(Checks):
    def test_the_64_bit_installer_runs_for_its_front_and_a_second_front_is_refused(self):
        with Session("single-win10-64", "win10", bits=64) as win:
            self.two_installers_together(win, "No")


class OneRunOnXp(Checks):
    def test_two_installers_started_together_install_once(self):
        with Session("single-two-installers", "winxp") as win:
            self.two_installers_together(win, "No")

    def test_uninstaller_during_installation_and_installer_during_removal(self):
        with Session("single-crossed", "winxp") as win:
            self.uninstaller_during_installation(win, "No")
            self.installer_during_removal(win, ["No"])

    def test_after_a_killed_installer_the_next_runs_normally(self):
        with Session("single-killed", "winxp") as win:
            first = win.start(INSTALLER)
            t = win.drive(['wait "%s" 60000' % PORT_DIALOG])
            self.assertIsNone(t.error, t.raw)
            kill(win)
            self.assertIsNotNone(wait_for(lambda: first.poll() is not None, 60))
            run = win.run(INSTALLER, ['wait "%s" 60000' % PORT_DIALOG, "click %d" % PORT_RADIO["LPT1"],
                                      "sleep 100", "click 1", "box No 120000", 'gone "%s" 60000' % PROGRESS])
            self.assertEqual(run.exit_code, 0)
            self.assertEqual([b.text for b in run.transcript.boxes()], [RESTART_QUESTION])
            self.assert_installed_once(win)


class OneRunOn98(Checks):
    def test_two_installers_then_crossed_runs(self):
        with Session("single-98", "win98") as win:
            self.two_installers_together(win, "No")
            # The driver is present now: the next installation adds a numbered printer and
            # an uninstaller started meanwhile is turned away.
            installer = win.start(INSTALLER)
            t = win.drive(['wait "%s" 60000' % PORT_DIALOG])
            self.assertIsNone(t.error, t.raw)
            latecomer = win.run(MEDIA_UNINSTALLER, ["box OK 60000"])
            self.assertEqual(latecomer.exit_code, 0)
            self.assert_notice(latecomer.transcript.boxes()[0], UNINSTALLER_CAPTION)
            t = win.drive(['wait "%s" 60000' % PORT_DIALOG, "escape", "box OK 60000"])
            self.assertEqual(installer.wait(60), 0)
            self.assertEqual([b.text for b in t.boxes()], ["Install Cancled."])
            self.installer_during_removal(win, ["OK"])
            self.assertEqual(len(win.restart_requests()), 1)


if __name__ == "__main__":
    unittest.main()

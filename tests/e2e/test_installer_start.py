"""The installer's start as a user meets it: the progress window, the NT 4.0 refusal, the
setup dialog with its defaults, and cancelling it."""
import os
import shutil
import unittest

from bench.session import Session
from bench.leftovers import left_behind, snapshot
from bench.product import CAPTION, INSTALLER, PORT_DIALOG, PROGRESS


WIN64_REFUSAL = "This driver is for 32-bit Windows only.\nIt is not supported by 64-bit Windows!!"


PROGRESS_LAYOUT = [  # id, class, text
    (-1, "Button", ""), (-1, "Static", "KYR POS 730"), (1001, "Static", "Driver Version: V1.0.0E"),
    (-1, "Button", ""), (-1, "Static", "Progress Status : "), (1003, "Static", ""),
    (1000, "msctls_progress32", ""),
]
PORT_LAYOUT = [
    (-1, "Button", "Serial Port"), (-1, "Button", "Parallel Port"), (-1, "Button", "USB Port"),
    (1006, "Button", "COM1"), (1007, "Button", "COM2"), (1008, "Button", "COM3"), (1009, "Button", "COM4"),
    (1010, "Button", "LPT1"), (1011, "Button", "LPT2"), (1012, "Button", "USB"),
    (-1, "Static", "Universal Driver Overwrite :"), (1000, "ComboBox", ""), (1, "Button", "&Next"),
]


class InstallerStart(unittest.TestCase):
    def check_layout(self, transcript, caption, layout):
        """The controls of one dumped dialog by id, class and text (the geometry is the
        template's; test_label_fit.py measures every label against it)."""
        dialogs = [e for e in transcript.events if e[0] == "dialog" and e[1] == caption]
        self.assertTrue(dialogs, caption)
        seen = []
        for e in transcript.events[transcript.events.index(dialogs[0]) + 1:]:
            if e[0] != "control":
                break
            seen.append((int(e[1]), e[2], e[3], int(e[4], 16)))
        self.assertEqual([c[:3] for c in seen], layout)
        return seen

    def test_refusals_before_the_setup_dialog(self):
        rows = [  # scenario, Windows, bits, the box's text, medium folders taken away
            ("start-nt40", "nt40", 32, "This driver is not supported by Windows NT4.0!!", ()),
            # A medium without the whole 64-bit set: the 32-bit installer cannot serve 64-bit
            # Windows and says so, as before there was a set.
            ("start-win10-64-no-set", "win10", 64, WIN64_REFUSAL, ("x64",)),
            ("start-win10-64-no-driver", "win10", 64, WIN64_REFUSAL, ("driverx64",)),
        ]
        for name, version, bits, text, taken in rows:
            with self.subTest(name=name), Session(name, version, observe_restarts=False, bits=bits) as win:
                for folder in taken:
                    shutil.rmtree(win.path(win.medium + "\\" + folder))
                before = snapshot(win), win.spooler()
                run = win.run(INSTALLER, ['box OK 30000 C:\\bench\\refused.bmp'])
                win.png("C:\\bench\\refused.bmp", "refused")
                self.assertEqual(run.exit_code, 0)
                boxes = run.transcript.boxes()
                self.assertEqual(len(boxes), 1)
                box = boxes[0]
                self.assertEqual((box.caption, box.text, box.icon, box.buttons, box.owner),
                                 (CAPTION, text, "information", ["OK"], PROGRESS))
                self.assertNotIn(["window", PORT_DIALOG], run.transcript.events)
                self.assertEqual(left_behind(before[0], snapshot(win)), [])
                self.assertEqual(win.spooler(), before[1])

    def test_windows_and_defaults_then_escape_cancels(self):
        with Session("start-winxp", "winxp") as win:
            run = win.run(INSTALLER, [
                'wait "%s"' % PROGRESS, "text 1001", "bar 1000", "dump", "shot C:\\bench\\progress.bmp",
                'wait "%s"' % PORT_DIALOG, "dump", "items 1000", "selection 1000",
                "checked 1006", "checked 1007", "checked 1008", "checked 1009", "checked 1010",
                "checked 1011", "checked 1012", "shot C:\\bench\\port.bmp",
                "escape", "box OK 20000 C:\\bench\\cancelled.bmp"])
            win.png("C:\\bench\\progress.bmp", "progress-window")
            win.png("C:\\bench\\port.bmp", "setup-dialog")
            win.png("C:\\bench\\cancelled.bmp", "cancelled")
            t = run.transcript
            self.assertIsNone(t.error, t.raw)
            self.assertEqual(run.exit_code, 0)
            self.assertIn(["text", "1001", "Driver Version: V1.0.0E"], t.events)
            self.assertIn(["barstate", "1", "0", "0", "100", "11"], t.events)
            self.check_layout(t, PROGRESS, PROGRESS_LAYOUT)
            port = self.check_layout(t, PORT_DIALOG, PORT_LAYOUT)
            radios = [c for c in port if c[0] in range(1006, 1013)]
            self.assertTrue(all(c[3] & 0xF == 9 for c in radios), "automatic radio buttons")
            self.assertTrue(radios[0][3] & 0x00020000, "the group starts at COM1")
            self.assertFalse(any(c[3] & 0x00020000 for c in radios[1:]), "one group")
            self.assertEqual([e[2] for e in t.of("item")], [
                "Overwrite files by version", "Overwrite files by date", "Always overwrite", "Never overwrite"])
            self.assertIn(["selection", "1000", "0"], t.events)
            checks = {e[1]: e[2] for e in t.of("checked")}
            self.assertEqual(checks, {"1006": "0", "1007": "0", "1008": "0", "1009": "0", "1010": "1",
                                      "1011": "0", "1012": "0"})
            dialogs = {e[1]: e for e in t.of("dialog")}
            self.assertEqual(dialogs[PORT_DIALOG][8], "owner=" + PROGRESS)
            self.assertTrue(int(dialogs[PROGRESS][3], 16) & 0x00040000, "shown in the task bar")
            box = t.boxes()[0]
            self.assertEqual((box.caption, box.text, box.icon, box.buttons, box.owner),
                             (CAPTION, "Install Cancled.", "information", ["OK"], PROGRESS))
            self.assertFalse(any(l.startswith("printer|") for l in win.spooler()))
            self.assertFalse(win.exists("C:\\windows\\KYR-730"))

    def test_close_box_cancels_too(self):
        with Session("start-close", "win2k") as win:
            run = win.run(INSTALLER, ['wait "%s"' % PORT_DIALOG, "close", "box OK 20000"])
            self.assertEqual(run.exit_code, 0)
            self.assertEqual([b.text for b in run.transcript.boxes()], ["Install Cancled."])
            self.assertFalse(win.exists("C:\\windows\\KYR-730"))


MEDIUM_INCOMPLETE = "The installation medium is incomplete. This file is missing or cannot be read:\n\n"


class IncompleteMedium(unittest.TestCase):
    """Every file the running family's sequence may copy must be on the medium and readable;
    otherwise the box names it and the program ends before anything changes."""

    def check(self, version, cases):
        with Session("start-medium-" + version, version) as win:
            before = win.spooler()
            for relative, damage, reason in cases:
                with self.subTest(file=relative):
                    path = win.path("C:\\media\\" + relative)
                    kept = path + ".kept"
                    os.rename(path, kept)
                    if damage == "folder":
                        # A folder where the file should be: there, but it cannot be read.
                        os.mkdir(path)
                    try:
                        run = win.run(INSTALLER, ['box OK 30000'])
                    finally:
                        if damage == "folder":
                            os.rmdir(path)
                        os.rename(kept, path)
                    self.assertEqual(run.exit_code, 0)
                    boxes = run.transcript.boxes()
                    self.assertEqual(len(boxes), 1, boxes)
                    self.assertEqual((boxes[0].caption, boxes[0].icon, boxes[0].buttons, boxes[0].owner),
                                     (CAPTION, "exclamation", ["OK"], "none"))
                    self.assertEqual(boxes[0].text, MEDIUM_INCOMPLETE + "C:\\media\\" + relative + "\n\n" + reason)
                    self.assertNotIn(["window", PORT_DIALOG], run.transcript.events)
            self.assertEqual(win.spooler(), before)
            self.assertFalse(win.exists("C:\\windows\\KYR-730"))

    def test_on_xp_each_kind_of_file(self):
        self.check("winxp", [
            ("driver2k\\UNIDRV.DLL", "missing", "File not found.\r\n"),
            ("driver2k\\KYR730.INF", "missing", "File not found.\r\n"),
            ("KYRPOS730_Uninstaller.exe", "missing", "File not found.\r\n"),
            ("Unhook_A.dll", "folder", "Access denied.\r\n"),
            ("Unhook_B.dll", "missing", "File not found.\r\n"),
        ])

    def test_nt40_is_refused_before_the_medium_is_looked_at(self):
        with Session("start-medium-nt40", "nt40") as win:
            os.remove(win.path("C:\\media\\driver2k\\UNIDRV.DLL"))
            run = win.run(INSTALLER, ['box OK 30000'])
            self.assertEqual(run.exit_code, 0)
            self.assertEqual([b.text for b in run.transcript.boxes()],
                             ["This driver is not supported by Windows NT4.0!!"])

    def test_on_98_its_own_folder_and_both_modules(self):
        self.check("win98", [
            ("driver9x\\usbprint.sys", "missing", "File not found.\r\n"),
            ("driver9x\\KYR730E.DRV", "folder", "Access denied.\r\n"),
            ("Unhook_B.dll", "missing", "File not found.\r\n"),
        ])


if __name__ == "__main__":
    unittest.main()

"""The "Additional Commands" page on a printer the NT installation made: the bench's
property-sheet host loads the UI730.DLL the installer put into the driver folder and shows the
printer's sheet; a host script plays the user, the registry shows what Apply stored. The page's
checks run inside a scenario's installed-used-removed flow (test_lifecycle.py)."""
import os
import re
import shutil
import subprocess
import threading
import time

from bench.session import TOOLS, TOOLS64

PRINTER = "KYR POS 730"
KEY = "HKLM\\SOFTWARE\\KYR_POS_PRINTER\\KYR_POS_730"
KEY_PATH = KEY[len("HKLM\\"):]
BOX_CAPTION = "Additional Commands"
INSTALLED_DLL = "C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\UI730.DLL"
EXAMPLE1 = "\\x1B\\x70\\x00\\x19\\xff"
EXAMPLE2 = "\\x1D\\x56\\x42\\x00"


def installed_dll(win):
    """The plug-in as the spooler placed it: the 64-bit one on 64-bit Windows."""
    return INSTALLED_DLL.replace("\\w32x86\\", "\\x64\\") if win.arch == "win64" else INSTALLED_DLL


def host_ready(win):
    """Puts the bench's property-sheet host beside the other bench tools: on 64-bit Windows
    the 64-bit one, which loads the 64-bit plug-in as the driver's 64-bit interface does."""
    shutil.copy2(os.path.join(TOOLS64 if win.arch == "win64" else TOOLS, "plugin_host.exe"), win.path("C:\\bench"))


class HostRun:
    def __init__(self, lines):
        self.lines = lines
        self.dumps = []
        current = None
        for line in lines:
            if line.startswith("sheet ") and " caption=" in line:
                current = {"sheet": int(line.split()[1]), "apply": line.endswith("apply=1"),
                           "tabs": line.split(" tabs=")[1].split(" current=")[0],
                           "caption": line.split(" caption=")[1].split(" tabs=")[0],
                           "current": int(line.split(" current=")[1].split()[0]),
                           "controls": []}
            elif line.startswith("control ") and current is not None:
                head, text = line.split(" text=", 1)
                attrs = dict(re.findall(r"(\w+)=(\S+)", head))
                attrs["font"] = re.search(r" font=(.*?)(?: limit=| pos=|$)", head).group(1)
                attrs["text"] = text
                current["controls"].append(attrs)
            elif line.startswith("end ") and current is not None:
                self.dumps.append(current)
                current = None

    def control(self, dump, cid):
        found = [c for c in self.dumps[dump]["controls"] if c["id"] == str(cid)]
        assert len(found) == 1, (cid, found)
        return found[0]


def run_host(win, steps, printers=(PRINTER,), boxes=None, env=None):
    """Runs plugin_host with a script; `wait <ms> <name>` steps are photographed. `boxes` is a
    guidriver script played meanwhile, for the message boxes the steps bring up (an apply
    waits for its box to be answered); the boxes it met are the result's `boxes`. A line
    `screen <name>` there photographs the whole display at that point."""
    run_host.count = getattr(run_host, "count", 0) + 1
    script = "C:\\bench\\host%d.txt" % run_host.count
    out = "C:\\bench\\host%d.out" % run_host.count
    with open(win.path(script), "w", encoding="utf-8", newline="\r\n") as f:
        f.write("\n".join(steps) + "\nexit\n")
    args = ["--dll", installed_dll(win)]
    for printer in printers:
        args += ["--printer", printer]
    args += ["--script", script, "--out", out]
    proc = win.start("C:\\bench\\plugin_host.exe", cwd="C:\\bench", args=args, env=env)
    answered = []
    driver = None
    if boxes:
        def answer():
            script = []
            for line in list(boxes) + ["screen"]:
                if not line.startswith("screen"):
                    script.append(line)
                    continue
                if script:
                    answered.append(win.drive(script, timeout=150))
                script = []
                if line != "screen":
                    win.screen(line.split()[1])
        driver = threading.Thread(target=answer)
        driver.start()
    taken = set()
    deadline = time.monotonic() + 120
    while proc.poll() is None and time.monotonic() < deadline:
        time.sleep(0.2)
        try:
            with open(win.path(out), encoding="utf-8", errors="replace") as f:
                text = f.read()
        except OSError:
            continue
        for name in re.findall(r"^step wait \d+ (\S+)\s*$", text, re.M):
            if name not in taken:
                taken.add(name)
                win.front("%s Properties" % printers[0])
                time.sleep(0.3)
                target = os.path.join(win.out, name + ".png")
                subprocess.run(["import", "-display", win.display.name, "-window", "root",
                                "-trim", "+repage", target],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if proc.poll() is None:
        proc.kill()
        raise AssertionError("plugin_host did not finish")
    if driver is not None:
        driver.join(160)
    with open(win.path(out), encoding="utf-8", errors="replace") as f:
        lines = [l.rstrip("\r\n") for l in f]
    assert "exit 0" in lines, lines[-5:]
    result = HostRun(lines)
    result.boxes = [e[1] for t in answered for e in t.sequence() if e[0] == "box"]
    return result


def values(win, key=KEY):
    out = {}
    for line in win.registry(key):
        parts = line.split("|")
        if parts[0] == "value":
            out[parts[2]] = parts[3]
    return out


def reg_add(win, key, name, hex_bytes):
    win.tool("reg", "add", key, "/v", name, "/t", "REG_BINARY", "/d", hex_bytes, "/f")


class PageChecks:
    """The page on the session's installed printer (self.win), in the order a user meets it."""

    def test_2_page_1_pages_controls_and_defaults_of_a_printer_without_settings(self):
        win = self.win
        self.assertTrue(win.exists(INSTALLED_DLL))
        self.assertTrue(any(l.startswith("nokey|") for l in win.registry(KEY)))
        run = run_host(win, ["dump 0", "wait 1500 additional-commands", "page 0 2", "dump 0",
                             "wait 1500 about"])
        self.assertIn("DevicePropertySheets init 0x00000000 pages 2", run.lines)
        self.assertIn("DevMode size 0x00000000 16", run.lines)
        self.assertIn("GetInfo signature 0x00000000 4D534654", run.lines)
        self.assertIn("DllCanUnloadNow 0x00000000", run.lines)
        page, about = run.dumps
        self.assertEqual(page["tabs"], "Device Settings|Additional Commands|About")
        self.assertEqual(page["caption"], "KYR POS 730 Properties")

        expected = {  # id: (class, text)
            1002: ("Edit", ""), 1001: ("Edit", "0"), 1005: ("Button", "Open Cash Drawer 1"),
            1029: ("Edit", "50"), 1004: ("Button", "Open Cash Drawer 2"), 1035: ("Edit", "50"),
            1006: ("Edit", ""), 1031: ("Static", "[ ms ]"), 1032: ("Static", "[ ms ]"),
            1027: ("ScrollBar", ""), 1028: ("ScrollBar", ""), 1010: ("Button", "Open Cash Drawer 1"),
            1037: ("Edit", "50"), 1011: ("Button", "Open Cash Drawer 2"), 1038: ("Edit", "50"),
            1033: ("Static", "[ ms ]"), 1034: ("Static", "[ ms ]"), 1039: ("ScrollBar", ""),
            1040: ("ScrollBar", ""),
        }
        for cid, (cls, text) in expected.items():
            c = run.control(0, cid)
            self.assertEqual((c["class"], c["text"]), (cls, text), cid)
            if cls != "ScrollBar":
                self.assertTrue(c["font"].startswith("Arial,"), c)
        unnamed = [(c["class"], c["text"]) for c in page["controls"] if c["id"] == "65535"]
        self.assertEqual(unnamed, [
            ("Button", "BeginDoc"), ("Button", "EndDoc1"),
            ("Static", "Emulation Commands[Example:\\x1B\\x70\\x00\\x19\\xff]"),
            ("Static", "Emulation Commands [ Example : \\x1D\\x56\\x42\\x00 ]"),
            ("Static", "Number of Line Feeds [ 0 - 99 ]"), ("Button", "EndDoc2")])
        for check, row in ((1005, (1029, 1027, 1031)), (1004, (1035, 1028, 1032)),
                           (1010, (1037, 1039, 1033)), (1011, (1038, 1040, 1034))):
            self.assertEqual(run.control(0, check)["checked"], "0")
            for cid in row:
                self.assertEqual(run.control(0, cid)["enabled"], "0", cid)
        self.assertEqual(run.control(0, 1002)["limit"], "8192")
        self.assertEqual(run.control(0, 1001)["limit"], "2")
        self.assertEqual(run.control(0, 1027)["range"], "51..249")

        self.assertEqual([(c["class"], c["text"]) for c in about["controls"]], [
            ("Static", "KYR POS Printer"), ("Static", "730"), ("Static", "Driver Version : V1.0.0E"),
            ("Button", "")])
        for c in about["controls"]:
            self.assertTrue(c["font"].startswith("MS Shell Dlg,"), c)

        lines = win.registry(KEY)
        self.assertTrue(any(l.startswith("key|") for l in lines), lines)
        self.assertEqual(values(win), {}, "opening the page stores nothing")

    def test_2_page_2_arrows_drawer_rows_and_apply(self):
        win = self.win
        run = run_host(win, [
            "unchanged 0", "dump 0", "click 0 1005", "dump 0",
            "settext 0 1029 250", "scroll 0 1027 up", "dump 0",
            "settext 0 1029 50", "scroll 0 1027 down", "dump 0",
            "settext 0 1029 ", "scroll 0 1027 up", "dump 0",
            "settext 0 1029 300", "scroll 0 1027 up", "dump 0",
            "settext 0 1029 100", "scroll 0 1027 up", "dump 0",
            "settext 0 1001 3", "settext 0 1029 51", "settext 0 1035 0",
            "click 0 1010", "click 0 1010",
            "settext 0 1002 " + EXAMPLE1, "settext 0 1006 " + EXAMPLE2,
            "wait 1500 edited", "apply 0", "wait 300"])
        self.assertFalse(run.dumps[0]["apply"])
        self.assertEqual(run.control(1, 1005)["checked"], "1")
        for cid in (1029, 1027, 1031):
            self.assertEqual(run.control(1, cid)["enabled"], "1")
        self.assertTrue(run.dumps[1]["apply"], "checking a drawer marks the sheet changed")
        self.assertEqual([run.control(i, 1029)["text"] for i in range(2, 7)],
                         ["250", "50", "50", "50", "101"])
        self.assertEqual(run.control(6, 1027)["pos"], "101")
        self.assertIn("apply 0 enabled=1", run.lines)
        stored = values(win)
        # line feeds 3, end drawer 1 on at 51 ms (25), end drawer 2 off at 0, start drawer 1
        # unchecked again (stored 0, time kept), start drawer 2 off.
        self.assertEqual(stored, {"MISC": "type3:0301190000000019" + "0019",
                                  "StartDoc": "type3:1B700019FF", "EndDoc": "type3:1D564200"})

        again = run_host(win, ["dump 0"])
        self.assertEqual(again.control(0, 1002)["text"], "\\x1Bp\\x00\\x19\\xFF")
        self.assertEqual(again.control(0, 1006)["text"], "\\x1DVB\\x00")
        self.assertEqual(again.control(0, 1001)["text"], "3")
        self.assertEqual(again.control(0, 1029)["text"], "50")
        self.assertEqual(again.control(0, 1035)["text"], "50")

    def test_2_page_3_stored_values_load_as_the_page_shows_them(self):
        win = self.win
        reg_add(win, KEY, "MISC", "05013C020A000000017D")
        reg_add(win, KEY, "StartDoc", "5C783431")
        # Retyping the line feeds marks the sheet changed, as any edit does.
        run = run_host(win, ["dump 0", "settext 0 1001 5", "apply 0", "wait 300"])
        self.assertEqual(run.control(0, 1001)["text"], "5")
        self.assertEqual((run.control(0, 1005)["checked"], run.control(0, 1029)["text"]), ("1", "120"))
        self.assertEqual((run.control(0, 1004)["checked"], run.control(0, 1035)["enabled"]), ("0", "0"))
        self.assertEqual(run.control(0, 1035)["text"], "50")
        self.assertEqual((run.control(0, 1011)["checked"], run.control(0, 1038)["text"]), ("1", "250"))
        self.assertEqual(run.control(0, 1002)["text"], "\\x5Cx41")
        stored = values(win)
        self.assertEqual(stored["MISC"], "type3:05013C00190000190" + "17D")
        self.assertEqual(stored["StartDoc"], "type3:5C783431", "a backslash before x survives")

        for length in (21, 3000):
            # Not ours, shown as the defaults; longer than any command, it must not block an apply.
            reg_add(win, KEY, "MISC", "07" * length)
            run = run_host(win, ["dump 0", "settext 0 1001 3", "apply 0", "wait 300"])
            self.assertEqual(run.control(0, 1001)["text"], "0", "a MISC of %d bytes is not ours" % length)
            self.assertEqual(run.control(0, 1005)["checked"], "0")
            self.assertEqual(values(win)["MISC"], "type3:03001900190000190019")

    def test_2_page_4_two_sheets_in_one_process_apply_to_their_own_printers(self):
        win = self.win
        other = "KYR POS 730 second"
        other_key = "HKLM\\SOFTWARE\\KYR_POS_PRINTER\\KYR_POS_730_second"
        run = run_host(win, [
            "settext 0 1002 first", "settext 1 1002 second", "settext 0 1001 11",
            "settext 1 1001 22", "wait 1500 two-sheets", "apply 0", "wait 300", "dump 1",
            "apply 1", "wait 300"], printers=(PRINTER, other))
        self.assertEqual(run.dumps[0]["caption"], "KYR POS 730 second Properties")
        self.assertEqual(values(win)["StartDoc"], "type3:" + b"first".hex().upper())
        self.assertEqual(values(win)["MISC"][:8], "type3:0B")
        self.assertEqual(values(win, other_key)["StartDoc"], "type3:" + b"second".hex().upper())
        self.assertEqual(values(win, other_key)["MISC"][:8], "type3:16")

    def test_2_page_5_refused_applies_keep_the_previous_commands(self):
        win = self.win
        reg_add(win, KEY, "StartDoc", "1B700019FF")
        reg_add(win, KEY, "EndDoc", "1D564200")
        before = values(win)
        too_long = "A" * 2048
        # The first refusal comes while another tab is in front: the page comes first, then
        # its box (photographed over the sheet).
        run = run_host(win, [
            "settext 0 1001 9", "settext 0 1002 " + too_long[:-8], "type 0 1002 " + too_long[-8:],
            "page 0 0", "apply 0", "dump 0",
            "settext 0 1002 \\x1B@", "settext 0 1006 ", "type 0 1006 AB\u30bd", "apply 0", "dump 0",
            "settext 0 1006 ok", "denywrite " + KEY_PATH, "apply 0", "allowwrite " + KEY_PATH,
            "dump 0", "cancel 0"],
            boxes=["box none 60000", "sleep 300", "screen refusal-over-page",
                   "box OK 60000 C:\\bench\\box-too-long.bmp",
                   "box OK 60000 C:\\bench\\box-unmappable.bmp",
                   "box OK 60000 C:\\bench\\box-not-saved.bmp"])
        for name in ("box-too-long", "box-unmappable", "box-not-saved"):
            win.png("C:\\bench\\%s.bmp" % name, name)
        self.assertEqual(len(run.boxes), 4, run.boxes)
        self.assertEqual(repr(run.boxes.pop(0)), repr(run.boxes[0]), "the first box, seen twice")
        for box in run.boxes:
            self.assertEqual((box.caption, box.icon, box.buttons, box.owner),
                             (BOX_CAPTION, "exclamation", ["OK"], "KYR POS 730 Properties"), box)
        self.assertEqual(run.boxes[0].text, 'The "BeginDoc" command is 2048 bytes long. A command '
                         'can hold at most 2047 bytes.\n\nNo settings were saved.')
        # The bench reads the box in the ANSI code page, which has no "ソ" either.
        self.assertEqual(run.boxes[1].text, 'The "EndDoc1" command contains the character "?" '
                         "(U+30BD), which the system's code page cannot represent. Type the bytes "
                         "you want as \\xHH instead.\n\nNo settings were saved.")
        self.assertEqual(run.boxes[2].text, "The settings could not be saved (error 5).\n\n"
                         "Access denied.\r\n")
        # After each refusal the sheet is still open on the page, Apply still enabled, the
        # user's text still there.
        self.assertEqual(len(run.dumps), 3)
        for dump in run.dumps:
            self.assertTrue(dump["apply"])
            self.assertEqual(dump["tabs"].split("|")[dump["current"]], "Additional Commands")
        self.assertEqual(run.control(0, 1002)["text"], too_long)
        self.assertEqual(run.control(1, 1006)["text"], "AB\u30bd")
        self.assertEqual(run.control(2, 1006)["text"], "ok")
        self.assertEqual(values(win), before, "nothing was stored")
        again = run_host(win, ["dump 0"])
        self.assertEqual(again.control(0, 1002)["text"], "\\x1Bp\\x00\\x19\\xFF")
        self.assertEqual(again.control(0, 1006)["text"], "\\x1DVB\\x00")

    def test_2_page_6_the_longest_command_round_trips(self):
        win = self.win
        # 2047 bytes that each show as four characters: the longest text a command can have.
        stored = bytes(b for b in list(range(0x00, 0x21)) + list(range(0x80, 0x100)))
        stored = (stored * 20)[:2047]
        typed = "".join("\\x%02x" % b for b in stored)
        shown = "".join("\\x%02X" % b for b in stored)
        self.assertEqual(len(shown), 8188)
        run_host(win, ["settext 0 1002 " + typed, "settext 0 1006 " + typed, "apply 0", "wait 300"])
        self.assertEqual(values(win)["StartDoc"], "type3:" + stored.hex().upper())
        self.assertEqual(values(win)["EndDoc"], "type3:" + stored.hex().upper())
        again = run_host(win, ["dump 0", "settext 0 1001 1", "apply 0", "wait 300"])
        self.assertEqual(again.control(0, 1002)["text"], shown)
        self.assertEqual(again.control(0, 1006)["text"], shown)
        self.assertEqual(values(win)["StartDoc"], "type3:" + stored.hex().upper())
        self.assertEqual(values(win)["MISC"][:8], "type3:01")

    def test_2_page_7_japanese_text_is_stored_as_code_page_932_bytes(self):
        """Wine takes the ANSI code page from LC_ALL: under ja_JP it is 932, where "表" is
        95 5C and "ソ" is 83 5C, their second bytes the backslash byte."""
        win = self.win
        japanese = {"LC_ALL": "ja_JP.UTF-8"}
        typed = "表示ソx41"
        cp932 = typed.encode("cp932")
        self.assertEqual(cp932.hex().upper(), "955C8EA6835C783431")
        run_host(win, ["settext 0 1002 ", "type 0 1002 " + typed, "settext 0 1006 ", "apply 0",
                       "wait 300"],
                 env=japanese)
        self.assertEqual(values(win)["StartDoc"], "type3:" + cp932.hex().upper(),
                         "no trail byte started an escape")
        # Shown again as escapes (plain ASCII in any code page), and applied again, left alone
        # and retyped as shown, to the same bytes.
        again = run_host(win, ["dump 0", "settext 0 1001 2", "apply 0", "wait 300"], env=japanese)
        shown = again.control(0, 1002)["text"]
        self.assertEqual(shown, "\\x95\\\\x8E\\xA6\\x83\\x5Cx41")
        self.assertEqual(values(win)["StartDoc"], "type3:" + cp932.hex().upper())
        run_host(win, ["settext 0 1002 " + shown, "apply 0", "wait 300"], env=japanese)
        self.assertEqual(values(win)["StartDoc"], "type3:" + cp932.hex().upper())

    def test_2_page_8_settings_that_cannot_be_read_are_noted_and_kept(self):
        """Loaded from a key that refuses reading (the next run's sheets meet the denyread),
        then applied with the key readable again: unchanged, nothing is written over what
        the page could not show; a changed number is written, the commands still kept."""
        win = self.win
        reg_add(win, KEY, "MISC", "05013C020A000000017D")
        reg_add(win, KEY, "StartDoc", "1B700019FF")
        reg_add(win, KEY, "EndDoc", "1D564200")
        before = values(win)
        allow = "allowwrite " + KEY_PATH
        run_host(win, ["denyread " + KEY_PATH])
        run = run_host(win, ["dump 0", "wait 1500 settings-unread", allow, "settext 0 1001 0", "apply 0"])
        note = run.control(0, 1041)
        self.assertEqual((note["visible"], note["text"]), ("1", "(The stored settings could not be read.)"))
        self.assertEqual([run.control(0, i)["text"] for i in (1001, 1029, 1002, 1006)], ["0", "50", "", ""])
        self.assertIn("apply 0 enabled=1", run.lines)
        self.assertEqual(values(win), before, "byte for byte")
        run_host(win, ["denyread " + KEY_PATH])
        run_host(win, [allow, "settext 0 1001 7", "apply 0", "wait 300"])
        self.assertEqual(values(win), dict(before, MISC="type3:07001900190000190019"))

    def test_2_page_9_a_long_command_under_utf8_is_refused_as_too_long(self):
        """Under Wine's Hindi locale the ANSI code page is UTF-8, three bytes for a "€"."""
        win = self.win
        before = values(win)
        run = run_host(win, ["settext 0 1006 " + "\u20ac" * 6000, "apply 0", "dump 0", "cancel 0"],
                       env={"LC_ALL": "hi_IN.UTF-8"}, boxes=["box OK 60000"])
        self.assertEqual([b.text for b in run.boxes], ['The "EndDoc1" command is 18000 bytes long. A command '
                                                       'can hold at most 2047 bytes.\n\nNo settings were saved.'])
        self.assertEqual(values(win), before)


def apply_example(test, win):
    """The page shown and applied once, as on the Windows tills run today."""
    run = run_host(win, ["dump 0", "wait 1500 additional-commands-" + win.version,
                         "settext 0 1002 " + EXAMPLE1, "settext 0 1001 3", "apply 0", "wait 300"])
    test.assertIn("DevicePropertySheets init 0x00000000 pages 2", run.lines)
    test.assertEqual(run.dumps[0]["tabs"], "Device Settings|Additional Commands|About")
    test.assertIn("apply 0 enabled=1", run.lines)
    test.assertEqual(values(win)["StartDoc"], "type3:1B700019FF")
    test.assertTrue(values(win)["MISC"].startswith("type3:03"), "3 line feeds")

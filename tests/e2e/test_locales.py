"""The main flows on localized Windows: Wine's Japanese system (ANSI code page 932, where the
second byte of a character can be the backslash byte) and its German one (code page 1252,
system texts in German). Japanese: a printer named "KYRソ" loses its settings key when it
is removed, with or without the other printer. German: installation and removal leave
exactly what the English run leaves (docs/leftovers.md).

The default run holds one Windows XP flow per locale; the Windows 98 flows of both locales
and the German partial removal (the tests named test_full_*) run under the CTest label
"locales-full" (KYR_LOCALES_FULL=1 ctest -L locales-full)."""
import os
import unittest

from bench import flows
from bench.leftovers import documented, left_behind, snapshot
from bench.product import (new_installation_lines, PARTIAL_REMOVAL_LINES, REMOVAL_LINES, SETTINGS,
                           UNINSTALL_KEY)
from bench.session import Session
from bench.transcript import split, unescape

JAPANESE = "ja_JP.UTF-8"
GERMAN = "de_DE.UTF-8"
FULL = bool(os.environ.get("KYR_LOCALES_FULL"))

PRINTERS = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers\\"
SO_PRINTER = "KYR\u30bd"          # katakana "so": bytes 83 5C in code page 932
SO_DUMPED = "KYR\x83\\"           # the same as statedump shows it: its ANSI bytes
STATUS_REMOVE = REMOVAL_LINES
STATUS_PARTIAL = PARTIAL_REMOVAL_LINES
# Folders whose files the comparison of two runs looks at (below C:\windows).
WATCHED = ["inf", "KYR-730", "system32\\spool", "system32"]


def install(win, locale=None):
    """LPT1; the restart question, which only a new driver brings, declined."""
    return flows.installed(win, "LPT1")


def uninstall(win, locale, ticks, everything=True):
    """Ticks the listed printers by index and removes them, answering the box that closes a
    full removal in the system's language."""
    return flows.remove(win, ticks=ticks, before=["items 1006"])


def import_reg(win, text):
    """Imports registry text; the .reg file is UTF-16, so names of any language survive."""
    path = win.path("C:\\bench\\import.reg")
    with open(path, "wb") as f:
        f.write(("Windows Registry Editor Version 5.00\r\n\r\n" + text).encode("utf-16"))
    win.tool("C:\\windows\\system32\\reg.exe", "import", "C:\\bench\\import.reg")


def add_printer_like(win, source, name):
    """A second printer on the same driver and port, as the printer folder's copy makes it."""
    win.tool("C:\\windows\\system32\\reg.exe", "export", PRINTERS + source, "C:\\bench\\p.reg", "/y")
    with open(win.path("C:\\bench\\p.reg"), "rb") as f:
        text = f.read().decode("utf-16").split("\r\n\r\n", 1)[1]
    text = text.replace("\\" + source + "]", "\\" + name + "]").replace(
        '"Name"="%s"' % source, '"Name"="%s"' % name)
    import_reg(win, text)


def settings_keys(win, *names):
    """The settings the plug-in keeps per printer, as its Apply leaves them."""
    import_reg(win, "".join('[%s\\%s]\r\n"StartDoc"="\\\\x1B\\\\x40"\r\n\r\n'
                            % (SETTINGS.replace("HKLM", "HKEY_LOCAL_MACHINE"), n) for n in names))


def printers(win):
    return sorted(split(l)[1] for l in win.spooler() if l.startswith("printer|"))


def settings(win):
    """The names of the settings keys, as statedump shows them (ANSI bytes). A name outside
    the code page's ASCII part cannot pass through Wine's command line intact, so the
    parent is listed instead of the key being asked for."""
    parent = "SOFTWARE\\KYR_POS_PRINTER\\"
    names = []
    for line in win.registry(SETTINGS):
        if line.startswith("key|HKLM\\"):
            path = unescape(line[len("key|HKLM\\"):])
            if path.upper().startswith(parent):
                names.append(path[len(parent):])
    return sorted(names)


def files(win):
    found = set()
    for folder in WATCHED:
        top = win.find("C:\\windows\\" + folder)
        if top is None:
            continue
        for here, dirs, names in os.walk(top):
            if folder == "system32" and here != top:
                continue  # the spooler folders have an entry of their own
            for name in names:
                full = os.path.join(here, name)
                rel = os.path.relpath(full, win.path("C:\\windows")).lower()
                found.add((rel, os.path.getsize(full)))
    return found


def outcome(win, run):
    """Everything a run leaves that the product decides: its transcript (Wine's own button
    labels aside), its exit status, its spooler records, keys and files."""
    seq = []
    for s in run.transcript.sequence():
        seq.append(s if s[0] != "box" else ("box", s[1].caption, s[1].text, s[1].icon))
    return {
        "exit": run.exit_code,
        "transcript": seq,
        "items": [e[2] for e in run.transcript.of("item")],
        "spooler": [l for l in win.spooler() if "730" in l or "KYR" in l],
        "keys": win.registry(UNINSTALL_KEY) + win.registry(SETTINGS) +
                win.registry("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\"
                             "KYRPOS Language Monitor 730"),
        "files": files(win),
        "restarts": len(win.restart_requests()),
    }


def status_lines(run):
    return [s[1:] for s in run.transcript.sequence() if s[0] == "status"]


class Japanese(unittest.TestCase):
    def remove_so_printer_then_the_rest(self, version):
        with Session("locale-ja-" + version, version, locale=JAPANESE) as win:
            install(win, JAPANESE)
            add_printer_like(win, "KYR POS 730", SO_PRINTER)
            settings_keys(win, "KYR_POS_730", SO_PRINTER)
            self.assertEqual(printers(win), ["KYR POS 730", SO_DUMPED])
            self.assertEqual(settings(win), ["KYR_POS_730", SO_DUMPED])

            # Only "KYRソ": its printer and its settings key go, the rest stays.
            run = uninstall(win, JAPANESE, [1], everything=False)
            t = run.transcript
            self.assertIsNone(t.error, t.raw)
            self.assertEqual(run.exit_code, 0)
            self.assertEqual([e[2] for e in t.of("item")], ["KYR POS 730", SO_PRINTER])
            self.assertEqual(status_lines(run), STATUS_PARTIAL)
            self.assertEqual(printers(win), ["KYR POS 730"])
            self.assertEqual(settings(win), ["KYR_POS_730"])

            # Then the last one, with the driver.
            run = uninstall(win, JAPANESE, [0])
            self.assertIsNone(run.transcript.error, run.transcript.raw)
            self.assertEqual(status_lines(run), STATUS_REMOVE)
            self.assertEqual(printers(win), [])
            self.assertEqual(settings(win), [])
            self.assertIn("nokey|", win.registry(UNINSTALL_KEY)[0])
            self.assertEqual([l for l in win.spooler() if l.startswith(("driver|", "monitor|"))
                              and "730" in l], [])

    def test_xp_a_printer_whose_name_ends_in_the_backslash_byte_loses_its_settings(self):
        self.remove_so_printer_then_the_rest("winxp")

    @unittest.skipUnless(FULL, "locales-full")
    def test_full_98_a_printer_whose_name_ends_in_the_backslash_byte_loses_its_settings(self):
        self.remove_so_printer_then_the_rest("win98")


class German(unittest.TestCase):
    def flow(self, version, locale, ticks_first):
        """Installation, then removal (partial first when ticks_first is given); the outcome
        after each run."""
        results = []
        name = "locale-%s-%s" % ("de" if locale else "en", version)
        with Session(name, version, locale=locale) as win:
            self.assertEqual(printers(win), [])
            run = install(win, locale)
            if ticks_first is not None:
                install(win, locale)  # a second printer, "KYR POS 730(#1)"
                settings_keys(win, "KYR_POS_730", "KYR_POS_730(#1)")
            results.append(outcome(win, run))
            if ticks_first is not None:
                results.append(outcome(win, uninstall(win, locale, ticks_first, everything=False)))
            results.append(outcome(win, uninstall(win, locale, [0])))
        return results

    def same_as_english(self, version, ticks_first=None):
        english = self.flow(version, None, ticks_first)
        german = self.flow(version, GERMAN, ticks_first)
        self.assertEqual(len(english), len(german))
        for step, (en, de) in enumerate(zip(english, german)):
            for what in en:
                self.assertEqual(de[what], en[what], "step %d, %s" % (step, what))
        # And the removal really removed: nothing of the driver is left in either.
        self.assertEqual([l for l in german[-1]["spooler"] if l.startswith(("printer|", "driver|"))], [])

    def same_as_documented(self, version):
        """Installed and removed on the German system: the English texts and steps, and the
        list an English installation and removal leave."""
        with Session("locale-de-" + version, version, locale=GERMAN) as win:
            before = snapshot(win)
            run = install(win, GERMAN)
            self.assertEqual(run.transcript.status_lines(), new_installation_lines(version))
            removal = uninstall(win, GERMAN, [0])
            self.assertIsNone(removal.transcript.error, removal.transcript.raw)
            self.assertEqual(status_lines(removal), STATUS_REMOVE)
            self.maxDiff = None
            self.assertEqual(left_behind(before, snapshot(win)), sorted(documented(version), key=str.lower))

    def test_xp_installation_and_removal_leave_what_the_english_ones_leave(self):
        self.same_as_documented("winxp")

    @unittest.skipUnless(FULL, "locales-full")
    def test_full_98_installation_and_removal_leave_what_the_english_ones_leave(self):
        self.same_as_documented("win98")

    @unittest.skipUnless(FULL, "locales-full")
    def test_full_xp_partial_removal_equals_the_english_run(self):
        self.same_as_english("winxp", ticks_first=[1])


if __name__ == "__main__":
    unittest.main()

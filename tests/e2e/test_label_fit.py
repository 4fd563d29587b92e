"""Every static text of every dialog and page template fits its control when drawn the way
the control draws it (word-wrapped in the control's font and width), on a Windows XP whose
fonts have Windows' metrics: the bitmap "MS Sans Serif" and a metric-compatible Arial. No
label is excepted."""
import os
import shutil
import unittest

from bench import session
from bench.session import Session

MODULES = ["C:\\media\\KYRPOS730_Installer.exe", "C:\\media\\KYRPOS730_Uninstaller.exe",
           "C:\\media\\driver2k\\UI730.DLL"]

# The font each dialog must be measured in: the template's, not a substitute with other metrics.
FONTS = {"KYRPOS730_Installer.exe": "MS Sans Serif 13px avg 5px",
         "KYRPOS730_Uninstaller.exe": "MS Sans Serif 13px avg 5px"}


def parse(output):
    labels, fonts, modules, errors = [], [], {}, []
    for line in output.splitlines():
        f = line.split("|")
        if f[0] == "label":
            labels.append({"module": f[1], "dialog": int(f[2]), "id": int(f[3]), "fits": f[4] == "fits",
                           "needed": f[5], "control": f[6], "line": int(f[7]), "font": f[8],
                           "text": "|".join(f[9:])})
        elif f[0] == "font":
            fonts.append((f[1], int(f[2]), f[3]))
        elif f[0] == "module":
            modules[f[1]] = int(f[2].split()[0])
        elif f[0] == "error":
            errors.append(line)
    return labels, fonts, modules, errors


class LabelFit(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with Session("label-fit", "winxp") as win:
            shutil.copy2(os.path.join(session.TOOLS, "labelfit.exe"), win.path("C:\\bench"))
            out = win.tool("C:\\bench\\labelfit.exe", *MODULES)
        with open(os.path.join(session.OUT_DIR, "label-fit", "labels.txt"), "w") as f:
            f.write(out)
        cls.labels, cls.fonts, cls.modules, cls.errors = parse(out)

    def test_every_template_was_measured(self):
        self.assertEqual(self.errors, [])
        self.assertEqual(self.modules, {"KYRPOS730_Installer.exe": 2, "KYRPOS730_Uninstaller.exe": 1,
                                        "UI730.DLL": 2})
        self.assertGreaterEqual(len(self.labels), 10)

    def test_dialogs_are_drawn_in_their_own_font(self):
        for module, dialog, font in self.fonts:
            with self.subTest(module=module, dialog=dialog):
                if module in FONTS:
                    self.assertEqual(font, FONTS[module])
                # Arial pages: Wine has no Arial; a metric-compatible face must stand in.
                if module == "UI730.DLL" and dialog == 121:
                    self.assertTrue(font.startswith(("Arial", "Liberation Sans")), font)

    def test_labels_fit_their_controls(self):
        cut = {(l["module"], l["dialog"], l["text"]) for l in self.labels if not l["fits"]}
        details = ["%(module)s %(dialog)d %(text)r needs %(needed)s in %(control)s (%(line)d px on one line)" % l
                   for l in self.labels if not l["fits"]]
        self.assertEqual(cut, set(), "\n".join(details))


if __name__ == "__main__":
    unittest.main()

"""scripts/release: the disc image read back holds the medium file for file under its Joliet
names, the archive too, the sums and the file list agree, and two runs in two folders give
the same bytes."""
import hashlib
import os
import subprocess
import tempfile
import unittest
import zipfile

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.environ.get("KYR_BUILD_DIR", os.path.join(SOURCE, "build"))
MEDIA = os.path.join(BUILD, "media")
NAME = "KYRPOS730_1.0.0E"


def tree(top):
    found = {}
    for dirpath, _, filenames in os.walk(top):
        for f in filenames:
            with open(os.path.join(dirpath, f), "rb") as h:
                found[os.path.relpath(os.path.join(dirpath, f), top).replace(os.sep, "/")] = h.read()
    return found


class Release(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory()
        cls.addClassCleanup(cls.work.cleanup)
        cls.runs = [os.path.join(cls.work.name, d) for d in ("one", "two")]
        for out in cls.runs:
            subprocess.run([os.path.join(SOURCE, "scripts", "release"), out], check=True,
                           env=dict(os.environ, KYR_BUILD_DIR=BUILD), stdout=subprocess.DEVNULL)

    def test_the_image_and_the_archive_hold_the_medium_and_rebuild_identically(self):
        medium = tree(MEDIA)
        one, two = self.runs
        for name in (NAME + ".iso", NAME + ".zip", NAME + ".files", "SHA256SUMS"):
            with open(os.path.join(one, name), "rb") as a, open(os.path.join(two, name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)
        extracted = os.path.join(self.work.name, "read-back")
        subprocess.run(["xorriso", "-no_rc", "-report_about", "WARNING", "-osirrox", "on",
                        "-indev", os.path.join(one, NAME + ".iso"), "-extract", "/", extracted],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertEqual(tree(extracted), medium)
        info = subprocess.run(["xorriso", "-no_rc", "-indev", os.path.join(one, NAME + ".iso"), "-pvd_info"],
                              capture_output=True, text=True, check=True).stdout
        self.assertIn("Volume Id    : KYRPOS730_1_0_0E", info)
        with zipfile.ZipFile(os.path.join(one, NAME + ".zip")) as archive:
            files = {i.filename: archive.read(i) for i in archive.infolist() if not i.is_dir()}
        self.assertEqual(files, medium)
        with open(os.path.join(one, "SHA256SUMS")) as f:
            sums = {name: digest for digest, name in (line.split() for line in f)}
        for name in (NAME + ".iso", NAME + ".zip"):
            with open(os.path.join(one, name), "rb") as f:
                self.assertEqual(sums[name], hashlib.sha256(f.read()).hexdigest())
        with open(os.path.join(one, NAME + ".files")) as f:
            listed = [line.split() for line in f]
        self.assertEqual([(p, int(s), d) for d, s, p in listed],
                         [(p, len(b), hashlib.sha256(b).hexdigest()) for p, b in sorted(medium.items())])


if __name__ == "__main__":
    unittest.main()

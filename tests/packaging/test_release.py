"""scripts/release: the disc image read back holds the medium file for file under its Joliet
names, the archive too, the sums and the file list agree, the list carries every folder of
the medium (the 64-bit ones too), and a second run from a copy of the medium with other file
times, modes, creation order and time zone gives the same bytes."""
import hashlib
import os
import shutil
import subprocess
import tempfile
import unittest
import zipfile

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.environ.get("KYR_BUILD_DIR", os.path.join(SOURCE, "build"))
MEDIA = os.path.join(BUILD, "media")
NAME = "KYRPOS730_1.0.0E"
# The medium's folders, each with a file that only the build of that folder puts there: a
# medium assembled before the 64-bit tree was built lacks x64/ and driverx64/.
FOLDERS = {"": "KYRPOS730_Installer.exe", "driver2k": "UI730.DLL", "driver9x": "unidrv.dll",
           "x64": "KYRPOS730_Installer.exe", "driverx64": "UI730.DLL"}


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
        # The copy: created in reverse order, each file with a time of its own and read-only
        # as a disc gives it, the folders owner-only, run at a time zone 13:45 east of UTC.
        other = os.path.join(cls.work.name, "other")
        for i, name in enumerate(reversed(sorted(tree(MEDIA)))):
            path = os.path.join(other, "media", name)
            os.makedirs(os.path.dirname(path), mode=0o700, exist_ok=True)
            shutil.copyfile(os.path.join(MEDIA, name), path)
            os.chmod(path, 0o444)
            os.utime(path, (1000000000 + 86461 * i,) * 2)
        for out, build, zone in ((cls.runs[0], BUILD, "UTC0"), (cls.runs[1], other, "KYR-13:45")):
            subprocess.run([os.path.join(SOURCE, "scripts", "release"), out], check=True,
                           env=dict(os.environ, KYR_BUILD_DIR=build, TZ=zone), stdout=subprocess.DEVNULL)

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
        self.assertIn("Preparer Id  : KYR\n", info)
        self.assertIn("App Id       : KYR POS 730 WINDOWS DRIVER 1.0.0E\n", info)
        with zipfile.ZipFile(os.path.join(one, NAME + ".zip")) as archive:
            files = {i.filename: archive.read(i) for i in archive.infolist() if not i.is_dir()}
            attributes = {(i.create_system, i.external_attr) for i in archive.infolist()}
        self.assertEqual(files, medium)
        self.assertEqual(attributes, {(0, 0x10), (0, 0x20)})
        with open(os.path.join(one, "SHA256SUMS")) as f:
            sums = {name: digest for digest, name in (line.split() for line in f)}
        for name in (NAME + ".iso", NAME + ".zip"):
            with open(os.path.join(one, name), "rb") as f:
                self.assertEqual(sums[name], hashlib.sha256(f.read()).hexdigest())
        with open(os.path.join(one, NAME + ".files")) as f:
            listed = [line.split() for line in f]
        self.assertEqual([(p, int(s), d) for d, s, p in listed],
                         [(p, len(b), hashlib.sha256(b).hexdigest()) for p, b in sorted(medium.items())])
        paths = {p for _, _, p in listed}
        for folder, name in FOLDERS.items():
            self.assertIn("/".join(filter(None, (folder, name))), paths)


if __name__ == "__main__":
    unittest.main()

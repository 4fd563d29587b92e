"""Every shipped binary is a 32-bit PE that the oldest Windows it serves can load: i386,
subsystem 4.0, only system DLLs, no function that arrived after that Windows, and the
version resource the product's version table fixes. Every one rebuilds byte for byte:
its time stamps are zero or the commit's time, and no build path is inside. The NT
driver INF names the driver as the removal looks for it."""
import os
import subprocess
import unittest

import pefile

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.environ.get("KYR_BUILD_DIR", os.path.join(SOURCE, "build"))
MEDIA = os.path.join(BUILD, "media")


class PeFile:
    """The few facts the checks read, from pefile."""

    def __init__(self, path):
        self.pe = pefile.PE(path, fast_load=True)
        self.pe.parse_data_directories(directories=[
            pefile.DIRECTORY_ENTRY[d] for d in ("IMAGE_DIRECTORY_ENTRY_IMPORT", "IMAGE_DIRECTORY_ENTRY_EXPORT",
                                                "IMAGE_DIRECTORY_ENTRY_RESOURCE", "IMAGE_DIRECTORY_ENTRY_DEBUG")])
        self.machine = self.pe.FILE_HEADER.Machine
        self.magic = self.pe.OPTIONAL_HEADER.Magic
        self.subsystem_major = self.pe.OPTIONAL_HEADER.MajorSubsystemVersion
        self.subsystem_minor = self.pe.OPTIONAL_HEADER.MinorSubsystemVersion

    def imports(self):
        """{dll name (lower case): [function names or #ordinals]}"""
        result = {}
        for entry in getattr(self.pe, "DIRECTORY_ENTRY_IMPORT", []):
            names = [i.name.decode("latin-1") if i.name else "#%d" % i.ordinal for i in entry.imports]
            result.setdefault(entry.dll.decode("latin-1").lower(), []).extend(names)
        return result

    def exports(self):
        exports = getattr(self.pe, "DIRECTORY_ENTRY_EXPORT", None)
        return [s.name.decode("latin-1") for s in exports.symbols if s.name] if exports else []

    def resources(self):
        """{type id: [name ids]} of the top two levels of the resource tree."""
        tree = getattr(self.pe, "DIRECTORY_ENTRY_RESOURCE", None)
        if not tree:
            return {}
        return {t.id: [n.id for n in t.directory.entries] for t in tree.entries if hasattr(t, "directory")}

    def manifest(self):
        """The text of the program's manifest (resource type 24, id 1), or empty."""
        for t in self.pe.DIRECTORY_ENTRY_RESOURCE.entries:
            for n in (t.directory.entries if t.id == 24 else []):
                data = n.directory.entries[0].data.struct
                return self.pe.get_data(data.OffsetToData, data.Size).decode("utf-8") if n.id == 1 else ""
        return ""

    def fixed_versions(self):
        """(file version, product version) as dotted texts, or None without a resource."""
        self.pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
        if not getattr(self.pe, "VS_FIXEDFILEINFO", None):
            return None
        f = self.pe.VS_FIXEDFILEINFO[0]
        dotted = lambda hi, lo: "%d.%d.%d.%d" % (hi >> 16, hi & 0xFFFF, lo >> 16, lo & 0xFFFF)
        return dotted(f.FileVersionMS, f.FileVersionLS), dotted(f.ProductVersionMS, f.ProductVersionLS)

    def stamps(self):
        """{where: time stamp} of every time stamp the file carries."""
        out = {"file header": self.pe.FILE_HEADER.TimeDateStamp}
        exports = getattr(self.pe, "DIRECTORY_ENTRY_EXPORT", None)
        if exports:
            out["export directory"] = exports.struct.TimeDateStamp
        tree = getattr(self.pe, "DIRECTORY_ENTRY_RESOURCE", None)
        if tree:
            out["resource directory"] = tree.struct.TimeDateStamp
        for i, debug in enumerate(getattr(self.pe, "DIRECTORY_ENTRY_DEBUG", [])):
            out["debug entry %d" % i] = debug.struct.TimeDateStamp
        return out


def commit_time():
    """The time of the commit the tree was built from, or None outside a git checkout."""
    try:
        out = subprocess.run(["git", "-C", SOURCE, "log", "-1", "--format=%ct"], capture_output=True, text=True,
                             timeout=30)
    except OSError:
        return None
    return int(out.stdout.strip()) if out.returncode == 0 and out.stdout.strip() else None


def media_binaries():
    for folder, _, files in os.walk(MEDIA):
        for f in sorted(files):
            if f.lower().endswith((".exe", ".dll", ".drv")):
                yield os.path.join(folder, f)

# DLLs that belong to Windows on every system we serve (msvcrt.dll from Windows 95 OSR2
# and 98 on; the runtime is linked statically otherwise).
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "comctl32.dll",
               "winspool.drv", "shell32.dll", "ole32.dll", "oleaut32.dll", "msvcrt.dll",
               "version.dll", "shlwapi.dll", "setupapi.dll", "comdlg32.dll"}
# Functions that the systems we serve do not have (Vista and later, or XP and later where
# Windows 2000 is the oldest NT we serve).
LATE_FUNCTIONS = {"GetTickCount64", "InitializeCriticalSectionEx", "InitOnceExecuteOnce",
                  "InitializeConditionVariable", "SleepConditionVariableCS", "WakeConditionVariable",
                  "AcquireSRWLockExclusive", "ReleaseSRWLockExclusive", "InitializeSRWLock",
                  "GetSystemTimePreciseAsFileTime", "FlsAlloc", "FlsGetValue", "FlsSetValue", "FlsFree",
                  "CreateSymbolicLinkA", "CreateSymbolicLinkW", "GetFinalPathNameByHandleW",
                  "AddVectoredExceptionHandler", "RemoveVectoredExceptionHandler",
                  "GetNativeSystemInfo", "IsWow64Process", "GetModuleHandleExW", "GetModuleHandleExA",
                  "AttachConsole", "SetDllDirectoryW", "GetLogicalProcessorInformation",
                  "InterlockedCompareExchange64", "RtlCaptureStackBackTrace", "_wfopen_s", "strtok_s"}
# Where the oldest system is Windows 95, these NT-era functions must not be imported at load
# time either (the programs bind them at run time where they need them).
LATE_FOR_95 = {"SetSecurityInfo", "GetSecurityInfo", "SetEntriesInAclA", "BuildExplicitAccessWithNameA",
               "SHDeleteKeyA", "SetupDiGetClassDevsA", "InitCommonControlsEx", "SetupCopyOEMInfA"}

DELIVERABLES = [
    # path in the medium, file version, product version, oldest is Windows 95
    ("KYRPOS730_Installer.exe", "2006.5.9.1", "1.0.0.1", True),
    ("KYRPOS730_Uninstaller.exe", "2006.5.3.1", "1.0.0.1", True),
    ("Unhook_A.dll", "1.0.8.7", None, True),
    ("Unhook_B.dll", "1.0.8.6", None, False),
    ("driver2k/UI730.DLL", "2006.5.9.1", "1.0.0.1", False),
]


class ShippedBinaries(unittest.TestCase):
    def check_loadable(self, path, for_95):
        pe = PeFile(path)
        self.assertEqual(pe.machine, 0x14C, "i386")
        self.assertEqual(pe.magic, 0x10B, "PE32")
        self.assertEqual((pe.subsystem_major, pe.subsystem_minor), (4, 0))
        for dll, functions in pe.imports().items():
            self.assertIn(dll, SYSTEM_DLLS, "%s imports %s" % (path, dll))
            late = set(functions) & (LATE_FUNCTIONS | (LATE_FOR_95 if for_95 else set()))
            self.assertFalse(late, "%s imports %s from %s" % (path, sorted(late), dll))
        return pe

    def test_deliverables(self):
        for name, file_version, product_version, for_95 in DELIVERABLES:
            path = os.path.join(MEDIA, name)
            with self.subTest(name=name):
                if not os.path.exists(path):
                    self.skipTest(name + " is not built yet")
                pe = self.check_loadable(path, for_95)
                versions = pe.fixed_versions()
                self.assertIsNotNone(versions, "version resource")
                self.assertEqual(versions[0], file_version)
                if product_version:
                    self.assertEqual(versions[1], product_version)

    def test_programs_carry_their_icon_and_dialogs(self):
        RT_ICON_GROUP, RT_DIALOG = 14, 5
        expected = {"KYRPOS730_Installer.exe": ({128}, {102, 130}),
                    "KYRPOS730_Uninstaller.exe": (set(), {102}),
                    "driver2k/UI730.DLL": (set(), {121, 133})}
        for name, (icons, dialogs) in expected.items():
            path = os.path.join(MEDIA, name)
            if os.path.exists(path):
                with self.subTest(name=name):
                    resources = PeFile(path).resources()
                    self.assertTrue(icons <= set(resources.get(RT_ICON_GROUP, [])), resources)
                    self.assertTrue(dialogs <= set(resources.get(RT_DIALOG, [])), resources)

    def test_programs_ask_later_windows_for_full_rights_and_nothing_else(self):
        for name in ("KYRPOS730_Installer.exe", "KYRPOS730_Uninstaller.exe"):
            with self.subTest(name=name):
                text = PeFile(os.path.join(MEDIA, name)).manifest()
                self.assertIn('<requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>', text)
                # Common controls 6 would redraw every control on XP; a list of supported
                # systems would change the version that 8.1 and later report.
                self.assertNotIn("Common-Controls", text)
                self.assertNotIn("supportedOS", text)

    def test_removal_modules_export_undecorated_names(self):
        expected = {"Unhook_A.dll": {"CheckOS", "RemoveFromWin9x"}, "Unhook_B.dll": {"RemoveFromWin2k"},
                    "driver2k/UI730.DLL": {"DllGetClassObject", "DllCanUnloadNow"}}
        for name, exports in expected.items():
            path = os.path.join(MEDIA, name)
            if os.path.exists(path):
                with self.subTest(name=name):
                    self.assertTrue(exports <= set(PeFile(path).exports()), PeFile(path).exports())

    def test_every_binary_on_the_medium_loads_on_its_oldest_system(self):
        for path in media_binaries():
            with self.subTest(file=os.path.relpath(path, MEDIA)):
                self.check_loadable(path, for_95="driver2k" not in path)

    def test_sizes_stay_under_their_ceilings(self):
        # Well above what the code needs; crossing one means the runtime's exception, locale or
        # stream machinery came back in.
        ceilings = {"KYRPOS730_Installer.exe": 128 * 1024, "KYRPOS730_Uninstaller.exe": 128 * 1024,
                    "driver2k/UI730.DLL": 96 * 1024}
        for name, ceiling in ceilings.items():
            path = os.path.join(MEDIA, name)
            if os.path.exists(path):
                with self.subTest(name=name):
                    self.assertLessEqual(os.path.getsize(path), ceiling)

    def test_no_exception_machinery_is_linked_in(self):
        # The verbose terminate handler's text is the mark of the runtime's throw support.
        for name, *_ in DELIVERABLES:
            path = os.path.join(MEDIA, name)
            if os.path.exists(path):
                with self.subTest(name=name):
                    with open(path, "rb") as f:
                        self.assertNotIn(b"terminate called after throwing", f.read())

    def test_time_stamps_are_zero_or_the_commit_time(self):
        allowed = {0, commit_time()} - {None}
        for path in media_binaries():
            with self.subTest(file=os.path.relpath(path, MEDIA)):
                stamps = PeFile(path).stamps()
                wrong = {where: stamp for where, stamp in stamps.items() if stamp not in allowed}
                self.assertEqual(wrong, {}, "allowed: %s" % sorted(allowed))

    def test_no_build_path_inside(self):
        paths = {p.encode() for p in (SOURCE, os.path.abspath(BUILD), os.path.realpath(SOURCE))}
        for path in media_binaries():
            with self.subTest(file=os.path.relpath(path, MEDIA)):
                with open(path, "rb") as f:
                    data = f.read()
                self.assertEqual([p for p in paths if p in data or p.replace(b"/", b"\\") in data], [])

    def test_the_nt_driver_inf_names_the_driver_literally(self):
        # Every removal deletes the INF in the system's store only while its text holds this
        # name: a vendor INF that words the model otherwise would stay behind on every
        # machine, and one naming only a longer model ("KYR POS 7300") is another driver's.
        with open(os.path.join(MEDIA, "driver2k", "KYR730.INF"), "rb") as f:
            data = f.read()
        if data.startswith(b"\xff\xfe"):
            text = data[2:].decode("utf-16-le")
        else:
            text = data.decode("cp1252", errors="replace")
        self.assertRegex(text, r"KYR POS 730(?![^\W_])")


if __name__ == "__main__":
    unittest.main()

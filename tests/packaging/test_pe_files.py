"""Every shipped binary is a PE that the oldest Windows of its folder can load (i386 and
subsystem 4.0, or AMD64 and 5.2 in x64/ and driverx64/): only system DLLs, no function that
arrived after that Windows, and the version resource the product's version table fixes; a
64-bit file exports its 32-bit twin's names undecorated. Every one rebuilds byte for byte:
its time stamps are zero or the commit's time, and no build path is inside. The NT
driver INFs name the driver as the removal looks for it, where their platform's setup reads."""
import collections
import os
import re
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

    def description(self):
        """The version resource's FileDescription text, or empty."""
        tables = [t for info in getattr(self.pe, "FileInfo", None) or [] for block in info
                  for t in getattr(block, "StringTable", [])]
        return next((t.entries[b"FileDescription"].decode("latin-1") for t in tables
                     if b"FileDescription" in t.entries), "")

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


def folder_of(path):
    """The medium's top folder that holds a path ("" for the root)."""
    parts = os.path.relpath(path, MEDIA).replace(os.sep, "/").split("/")
    return parts[0] if len(parts) > 1 else ""


# What each folder of the medium is built for: the file header's machine, the optional
# header's magic, the subsystem version, whether Windows 95 is among the systems that load
# its files, and for a 64-bit folder the folder of its files' 32-bit twins.
Folder = collections.namedtuple("Folder", "machine magic subsystem for_95 twins")
I386, AMD64, PE32, PE32_PLUS = 0x14C, 0x8664, 0x10B, 0x20B
FOLDERS = {
    "": Folder(I386, PE32, (4, 0), True, None),
    "driver9x": Folder(I386, PE32, (4, 0), True, None),
    "driver2k": Folder(I386, PE32, (4, 0), False, None),
    "x64": Folder(AMD64, PE32_PLUS, (5, 2), False, ""),
    "driverx64": Folder(AMD64, PE32_PLUS, (5, 2), False, "driver2k"),
}

# DLLs that belong to Windows on every system we serve (msvcrt.dll from Windows 95 OSR2
# and 98 on; the runtime is linked statically otherwise).
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "comctl32.dll",
               "winspool.drv", "shell32.dll", "ole32.dll", "oleaut32.dll", "msvcrt.dll",
               "version.dll", "shlwapi.dll", "setupapi.dll", "comdlg32.dll"}
# Functions that the systems we serve do not have (Vista and later, or XP and later where
# Windows 2000 is the oldest NT we serve). The 64-bit files, built from the same sources, are
# held to the same list although their oldest system is XP x64.
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
    ("x64/KYRPOS730_Installer.exe", "2006.5.9.1", "1.0.0.1", False),
    ("x64/KYRPOS730_Uninstaller.exe", "2006.5.3.1", "1.0.0.1", False),
    ("x64/Unhook_A.dll", "1.0.8.7", None, False),
    ("x64/Unhook_B.dll", "1.0.8.6", None, False),
    ("driverx64/UI730.DLL", "2006.5.9.1", "1.0.0.1", False),
]
# What a stand-in for one of the vendor's files says it is (media/standins).
STANDIN_DESCRIPTION = "Test-media stand-in for the vendor's "
# A name as a C function exports it: no stdcall decoration ("Foo@8", "_Foo@8"), no C++ name.
UNDECORATED = re.compile(r"[A-Za-z][A-Za-z0-9_]*\Z")


class ShippedBinaries(unittest.TestCase):
    def check_loadable(self, path, for_95=None):
        pe = PeFile(path)
        folder = FOLDERS[folder_of(path)]
        for_95 = folder.for_95 if for_95 is None else for_95
        self.assertEqual(pe.machine, folder.machine, "machine")
        self.assertEqual(pe.magic, folder.magic, "optional header")
        self.assertEqual((pe.subsystem_major, pe.subsystem_minor), folder.subsystem)
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
                    "driver2k/UI730.DLL": (set(), {121, 133}),
                    "x64/KYRPOS730_Installer.exe": ({128}, {102, 130}),
                    "x64/KYRPOS730_Uninstaller.exe": (set(), {102}),
                    "driverx64/UI730.DLL": (set(), {121, 133})}
        for name, (icons, dialogs) in expected.items():
            path = os.path.join(MEDIA, name)
            if os.path.exists(path):
                with self.subTest(name=name):
                    resources = PeFile(path).resources()
                    self.assertTrue(icons <= set(resources.get(RT_ICON_GROUP, [])), resources)
                    self.assertTrue(dialogs <= set(resources.get(RT_DIALOG, [])), resources)

    def test_programs_ask_later_windows_for_full_rights_and_nothing_else(self):
        # The identity names the processor the file is built for.
        programs = {"KYRPOS730_Installer.exe": "x86", "KYRPOS730_Uninstaller.exe": "x86",
                    "x64/KYRPOS730_Installer.exe": "amd64", "x64/KYRPOS730_Uninstaller.exe": "amd64"}
        for name, processor in programs.items():
            with self.subTest(name=name):
                text = PeFile(os.path.join(MEDIA, name)).manifest()
                self.assertIn('<requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>', text)
                self.assertEqual(re.findall(r'processorArchitecture="([^"]*)"', text), [processor])
                # Common controls 6 would redraw every control on XP; a list of supported
                # systems would change the version that 8.1 and later report.
                self.assertNotIn("Common-Controls", text)
                self.assertNotIn("supportedOS", text)

    def test_removal_modules_export_undecorated_names(self):
        expected = {"Unhook_A.dll": {"CheckOS", "RemoveFromWin9x"}, "Unhook_B.dll": {"RemoveFromWin2k"},
                    "driver2k/UI730.DLL": {"DllGetClassObject", "DllCanUnloadNow"},
                    "x64/Unhook_A.dll": {"CheckOS", "RemoveFromWin9x"}, "x64/Unhook_B.dll": {"RemoveFromWin2k"},
                    "driverx64/UI730.DLL": {"DllGetClassObject", "DllCanUnloadNow"}}
        for name, exports in expected.items():
            path = os.path.join(MEDIA, name)
            if os.path.exists(path):
                with self.subTest(name=name):
                    self.assertTrue(exports <= set(PeFile(path).exports()), PeFile(path).exports())

    def test_every_binary_on_the_medium_loads_on_its_oldest_system(self):
        for path in media_binaries():
            with self.subTest(file=os.path.relpath(path, MEDIA)):
                self.assertIn(folder_of(path), FOLDERS, "a medium folder the checks do not know")
                self.check_loadable(path)

    def test_every_binary_carries_a_version_resource_and_a_stand_in_says_so(self):
        ours = {os.path.basename(name) for name, *_ in DELIVERABLES}
        for path in media_binaries():
            with self.subTest(file=os.path.relpath(path, MEDIA)):
                pe = PeFile(path)
                self.assertIsNotNone(pe.fixed_versions(), "version resource")
                if os.path.basename(path) not in ours:
                    self.assertTrue(pe.description().startswith(STANDIN_DESCRIPTION), pe.description())

    def test_a_64_bit_file_exports_what_its_32_bit_twin_does_undecorated(self):
        # x64 decorates no name: a 32-bit alias left as "Foo@8" would be a name that neither
        # the spooler nor the uninstaller looks up. The 32-bit stand-ins built without a .def
        # also export the C++ runtime's symbols; those are no interface of theirs.
        def interface(pe):
            return {name for name in pe.exports() if not name.startswith(("_Z", "__"))}
        for path in (p for p in media_binaries() if FOLDERS[folder_of(p)].twins is not None):
            twin = os.path.join(MEDIA, FOLDERS[folder_of(path)].twins, os.path.basename(path))
            with self.subTest(file=os.path.relpath(path, MEDIA)):
                self.assertTrue(os.path.exists(twin), "no 32-bit twin " + os.path.relpath(twin, MEDIA))
                pe, twin_pe = PeFile(path), PeFile(twin)
                self.assertEqual([name for name in pe.exports() if not UNDECORATED.match(name)], [])
                self.assertEqual(set(pe.exports()), interface(twin_pe))
                self.assertEqual(pe.fixed_versions(), twin_pe.fixed_versions())

    def test_sizes_stay_under_their_ceilings(self):
        # Well above what the code needs; crossing one means the runtime's exception, locale or
        # stream machinery came back in.
        ceilings = {"KYRPOS730_Installer.exe": 128 * 1024, "KYRPOS730_Uninstaller.exe": 128 * 1024,
                    "driver2k/UI730.DLL": 96 * 1024,
                    "x64/KYRPOS730_Installer.exe": 144 * 1024, "x64/KYRPOS730_Uninstaller.exe": 128 * 1024,
                    "driverx64/UI730.DLL": 96 * 1024}
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
        for name in NT_INFS:
            with self.subTest(inf=name):
                self.assertRegex(inf_text(name), r"KYR POS 730(?![^\W_])")

    def test_the_nt_driver_infs_models_section_is_the_one_its_platform_reads(self):
        # x64 setup takes a model only from a section decorated for it ([KYR.NTamd64], named
        # with the decoration in [Manufacturer]); an undecorated one is read by 32-bit setup.
        for name, (manufacturer, models) in NT_INFS.items():
            with self.subTest(inf=name):
                text = inf_text(name)
                self.assertRegex(text, r"(?mi)^\[Manufacturer\]\s*^%KYR%\s*=\s*" + re.escape(manufacturer) + r"\s*$")
                self.assertRegex(text, r'(?mi)^\[' + re.escape(models) + r'\]\s*^"KYR POS 730"\s*=\s*KYR730E\.GPD\b')


# The NT driver INFs: their [Manufacturer] entry and the models section it makes setup read.
NT_INFS = {"driver2k/KYR730.INF": ("KYR", "KYR"), "driverx64/KYR730.INF": ("KYR,NTamd64", "KYR.NTamd64")}


def inf_text(name):
    with open(os.path.join(MEDIA, name), "rb") as f:
        data = f.read()
    if data.startswith(b"\xff\xfe"):
        return data[2:].decode("utf-16-le")
    return data.decode("cp1252", errors="replace")


if __name__ == "__main__":
    unittest.main()

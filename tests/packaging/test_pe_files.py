"""Every shipped binary is a 32-bit PE that the oldest Windows it serves can load: i386,
subsystem 4.0, only system DLLs, no function that arrived after that Windows, and the
version resource the product's version table fixes."""
import os
import unittest

from pe_file import PeFile

BUILD = os.environ.get("KYR_BUILD_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build"))
MEDIA = os.path.join(BUILD, "media")

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

    def test_removal_modules_export_undecorated_names(self):
        expected = {"Unhook_A.dll": {"CheckOS", "RemoveFromWin9x"}, "Unhook_B.dll": {"RemoveFromWin2k"},
                    "driver2k/UI730.DLL": {"DllGetClassObject", "DllCanUnloadNow"}}
        for name, exports in expected.items():
            path = os.path.join(MEDIA, name)
            if os.path.exists(path):
                with self.subTest(name=name):
                    self.assertTrue(exports <= set(PeFile(path).exports()), PeFile(path).exports())

    def test_every_binary_on_the_medium_loads_on_its_oldest_system(self):
        for folder, _, files in os.walk(MEDIA):
            for f in files:
                if f.lower().endswith((".exe", ".dll", ".drv")):
                    with self.subTest(file=f):
                        self.check_loadable(os.path.join(folder, f), for_95="driver2k" not in folder)


if __name__ == "__main__":
    unittest.main()

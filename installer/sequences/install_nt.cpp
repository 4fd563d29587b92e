// The installation on Windows 2000, XP and Server 2003.
#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

#include <string>

#include "common/files/clear_read_only.h"
#include "common/maintenance/delete_folder_tree.h"
#include "common/maintenance/late_bound.h"
#include "common/maintenance/remove_devices_by_hardware_id.h"
#include "common/maintenance/remove_key_tree.h"
#include "common/maintenance/restart_system.h"
#include "installer/context/install_context.h"
#include "installer/context/port_table.h"
#include "installer/context/product_names.h"
#include "installer/medium/medium_files.h"
#include "installer/spooler/add_printer.h"
#include "installer/spooler/registrations.h"
#include "installer/spooler/spooler_probe.h"
#include "installer/system/system_folders.h"
#include "installer/uninstall/uninstall_entry_state.h"

namespace kyr {

namespace {

// The environment and driver folder of this build's set: "Windows NT x86" from driver2k\,
// or in the 64-bit build "Windows x64" from driverx64\.
const char* const kEnvironmentNt = SpoolerEnvironment(kBuildNtSet);
const char* const kMediaFolder = DriverFolder(kBuildNtSet);

// Leftovers of the conflicting driver for the same hardware.
const char* const kEarlierDriverFolders[] = {"voskrel_zpd_8156efc", "voskrelzpd_8156efc", "voskrelzpd_815a384"};
const char* const kEarlierEnumeratorKeys[] = {
    "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VOSKREL_ZPD-815",
    "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VOSKRELZPD-815",
    "SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\VOSKRELZPD-815",
};
const char kHardwareId[] = "USB\\Vid_7a31&Pid_5e20";

// The dependent files of the driver record: a fixed list, each name terminated, an empty
// name at the end.
const char kDependentFiles[] = "UNIRES.DLL\0STDNAMES.GPD\0KYR730E.DLL\0UI730.DLL\0UI730.INI\0";

// The setup library does not exist on Windows 95, where this program must still start, so
// its INF copy is bound when the NT sequence needs it.
BOOL CopyOemInf(const char* source, char* destination, DWORD destinationSize, DWORD* required) {
    typedef BOOL(WINAPI * CopyOemInfA)(PCSTR, PCSTR, DWORD, DWORD, PSTR, DWORD, PDWORD, PSTR*);
    HMODULE setup = LoadSystemLibrary("setupapi.dll");
    if (!setup) return FALSE;
    CopyOemInfA copy =
        reinterpret_cast<CopyOemInfA>(reinterpret_cast<void*>(GetProcAddress(setup, "SetupCopyOEMInfA")));
    BOOL copied = copy ? copy(source, nullptr, SPOST_PATH, SP_COPY_NOOVERWRITE, destination, destinationSize,
                              required, nullptr)
                       : FALSE;
    // Releasing the library may overwrite the copy's error code, which tells "exists" apart.
    const DWORD error = GetLastError();
    FreeLibrary(setup);
    SetLastError(error);
    return copied;
}

// The INF into the system's store; the name of the copy there, also when an earlier run
// already placed it (the setup call then names that copy and answers "exists").
std::string CopyInfIntoStore(const std::string& source, CopyLedger& copies) {
    char destination[260] = {0};
    DWORD required = 0;
    const BOOL copied = CopyOemInf(source.c_str(), destination, sizeof(destination), &required);
    if (!copied) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS) copies.Note(source.empty() ? "KYR730.INF" : source, error);
    }
    destination[sizeof(destination) - 1] = '\0';
    // The store's copy takes the medium's read-only bit along; one that an earlier run
    // placed is not this run's to change.
    if (copied) ClearReadOnly(destination);
    return destination;
}

// The spooler replaces the driver's files in the version-3 folder below its driver folder.
// Files an earlier version left there read-only (copied from its CD) make that replacement,
// and with it the registration, fail.
void ClearReadOnlyRegisteredFiles(const Folder& driverFolder, const DRIVER_INFO_3A& driver) {
    char versionFolder[kPathBufferSize];
    if (!driverFolder.valid() || !JoinPath(versionFolder, sizeof(versionFolder), driverFolder.path, "3")) return;
    auto clear = [&versionFolder](const char* name) {
        char path[kPathBufferSize];
        if (name && *name && JoinPath(path, sizeof(path), versionFolder, name)) ClearReadOnly(path);
    };
    for (const char* name : {driver.pDriverPath, driver.pDataFile, driver.pConfigFile, driver.pHelpFile}) clear(name);
    for (const char* name = driver.pDependentFiles; name && *name; name += lstrlenA(name) + 1) clear(name);
}

}  // namespace

void InstallContext::InstallNt(int portCode) {
    auto media = [this](const std::string& name) { return MediumFile(kMediaFolder + name); };
    ProgressStep("Check drivers...\r\n");
    const bool found = IsDriverInstalled(nullptr, 4, driverName);

    ProgressStep("Add printer...\r\n");
    const std::string printerName = found ? FreePrinterName(driverName) : driverName;

    const Folder windowsFolder = QueryWindowsFolder();
    const std::string configFile = PluginConfigFile(uiFile);
    const std::string dataFile = PrinterDataFile(minidriverFile);

    // Where this run placed the driver's files for the spooler: they are deleted from there
    // when the spooler, asked again once the driver is registered, no longer answers.
    Folder driverFolder;
    if (!found) {
        driverFolder = QueryDriverFolder();
        for (const char* earlier : kEarlierDriverFolders) {
            char path[kPathBufferSize];
            if (driverFolder.valid() && JoinPath(path, sizeof(path), driverFolder.path, earlier)) DeleteFolderTree(path);
        }
        RemoveDevicesByHardwareId(kHardwareId);
        for (const char* key : kEarlierEnumeratorKeys) RemoveKeyTree(key);

        const Folder systemFolder = QuerySystemFolder();
        copies.CopyInto(media(monitorFile), systemFolder, monitorFile.c_str());
        copies.CopyInto(media(monitorFile), windowsFolder, monitorFile.c_str());
        if (installProcessor) {
            copies.CopyInto(media(processorFile), QueryProcessorFolder(), processorFile.c_str());
        }

        ProgressStep("Install language monitor...\r\n");
        MONITOR_INFO_2A monitor = {};
        monitor.pName = const_cast<char*>(monitorName.c_str());
        monitor.pEnvironment = const_cast<char*>(kEnvironmentNt);
        monitor.pDLLName = const_cast<char*>(monitorFile.c_str());
        if (!AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&monitor))) {
            if (GetLastError() != ERROR_PRINT_MONITOR_ALREADY_INSTALLED) registrationFailed = true;
            ReportFailure("AddMonitor Error Code: %d\n\n");
        }

        if (installProcessor) {
            ProgressStep("Install print processor...\r\n");
            if (!AddPrintProcessorA(nullptr, const_cast<char*>(kEnvironmentNt), const_cast<char*>(processorFile.c_str()),
                                    const_cast<char*>(processorName.c_str()))) {
                if (GetLastError() != ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED) registrationFailed = true;
                ReportFailure("AddProcess Error Code: %d\n\n");
            }
        }

        ProgressStep("Copy files...\r\n");
        driverFolder = QueryDriverFolder();
        for (const char* name : {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIDRV.HLP", "UNIRES.DLL"}) {
            copies.CopyInto(media(name), driverFolder, name);
        }
        const std::string* const driverCopies[] = {&minidriverFile, &uiFile, &configFile, &dataFile};
        for (const std::string* name : driverCopies) {
            copies.CopyInto(media(*name), driverFolder, name->c_str());
            copies.CopyInto(media(*name), windowsFolder, name->c_str());
        }
        copies.CopyInto(media("STDNAMES.GPD"), driverFolder, "STDNAMES.GPD");

        ProgressStep("Install printer driver...\r\n");
        DRIVER_INFO_3A driver = {};
        driver.cVersion = 3;
        driver.pName = const_cast<char*>(driverName.c_str());
        driver.pEnvironment = const_cast<char*>(kEnvironmentNt);
        driver.pDriverPath = const_cast<char*>("UNIDRV.DLL");
        driver.pDataFile = const_cast<char*>(dataFile.c_str());
        driver.pConfigFile = const_cast<char*>("UNIDRVUI.DLL");
        driver.pHelpFile = const_cast<char*>("UNIDRV.HLP");
        driver.pDependentFiles = const_cast<char*>(kDependentFiles);
        driver.pMonitorName = const_cast<char*>(monitorName.c_str());
        driver.pDefaultDataType = const_cast<char*>("RAW");
        ClearReadOnlyRegisteredFiles(driverFolder, driver);
        if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver))) {
            ReportFailure("AddPrinterDriver Error Code: %d\n\n");
            // On a COM or LPT port the printer that follows fails and ends the run; for USB
            // nothing would, and the run would say it was done without a driver. It ends
            // here alike, before the INF and the entry, so that the next run starts anew.
            if (portCode == kPortUsb) {
                copies.ShowFailures();
                ExitProcess(0);
            }
        }
    }

    if (found) {
        RepairRegistrations(kEnvironmentNt, kMediaFolder);
        // A run that could not copy into the Windows folder said so; this one places what
        // is missing there and keeps what is there.
        const std::string* const windowsCopies[] = {&monitorFile, &minidriverFile, &uiFile, &configFile, &dataFile};
        for (const std::string* name : windowsCopies) copies.CopyInto(media(*name), windowsFolder, name->c_str(), false);
    }

    if (portCode != kPortUsb) {
        ProgressStep("Install printer...\r\n");
        AddPrinterOrEnd({printerName.c_str(), PortNameFor(portCode), driverName.c_str(),
                         installProcessor ? processorName.c_str() : "WinPrint",
                         installProcessor ? 0x1800u : 0x0A00u, 0, 0x80},
                        copies);
    }

    if (!found) {
        infFile = CopyInfIntoStore(MediumFile(std::string(kMediaFolder) + "KYR730.INF"), copies);

        ProgressStep("Delete installed files...\r\n");
        DeleteStagingCopies(driverFolder);

        RegisterUninstall();
        copies.ShowFailures();
        // A USB printer is installed by Plug and Play from the INF in the system's store
        // once it is switched on: without that copy the run is not completed either.
        usbInfMissing = portCode == kPortUsb && infFile.empty();
        const bool completed = !copies.EntryFailed() && !usbInfMissing && !registrationFailed;
        if (completed) ProgressDone("Completed!");
        if (portCode == kPortUsb) {
            // After a box of entries that could not be written the installation is not
            // completed; the printer still has to be switched off and on for its device.
            MessageBoxA(nullptr,
                        !completed ? "Please turn-off printer and turn-on printer."
                                   : "Installation is completed.\nPlease turn-off printer and turn-on printer.",
                        kInstallerCaption, MB_ICONINFORMATION | MB_OK);
        } else if (MessageBoxA(nullptr,
                               "Restart the computer can take effect.\nPlease restart the computer."
                               "\n\n[Yes] I want to restart my computer now.\n[No] I will restart my computer later.",
                               kInstallerCaption, MB_ICONQUESTION | MB_YESNO) == IDYES) {
            RestartSystem();
        }
    } else {
        // A run ended after the driver registration but before its uninstall entry left a
        // driver that could never be removed; finish that run's tail. An entry is replaced
        // only when it lacks a value, names no INF or names an uninstaller that is gone.
        const UninstallEntryState entry = ReadUninstallEntryState(true);
        if (entry.needsRewrite()) {
            // A recorded copy that is still there is the one the entry keeps naming; a
            // changed INF on the medium would otherwise become a second copy beside it.
            infFile = !entry.recordedInf.empty() ? entry.recordedInf
                                                 : CopyInfIntoStore(MediumFile(std::string(kMediaFolder) + "KYR730.INF"), copies);
            DeleteStagingCopies();
            RegisterUninstall();
        } else if (entry.needsDeployment()) {
            DeleteStagingCopies();
            DeployUninstaller();
        }
        copies.ShowFailures();
    }

    // Without a whole uninstall entry the product cannot be removed: not done.
    if (!copies.EntryFailed() && !repairFailed && !usbInfMissing && !registrationFailed) ProgressDone("Completed!");
    Sleep(2000);
}

void InstallContext::DeleteStagingCopies(const Folder& known) {
    const std::string configFile = PluginConfigFile(uiFile);
    const std::string dataFile = PrinterDataFile(minidriverFile);
    Folder driverFolder = QueryDriverFolder();
    if (!driverFolder.valid()) driverFolder = known;
    for (const char* name : {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIDRV.HLP", "UNIRES.DLL"}) {
        copies.DeleteFrom(driverFolder, name);
    }
    copies.DeleteFrom(driverFolder, monitorFile.c_str());
    if (installProcessor) copies.DeleteFrom(driverFolder, processorFile.c_str());
    const std::string* const stagedCopies[] = {&minidriverFile, &uiFile, &configFile, &dataFile};
    for (const std::string* name : stagedCopies) {
        copies.DeleteFrom(driverFolder, name->c_str());
    }
    copies.DeleteFrom(driverFolder, "STDNAMES.GPD");
}

}  // namespace kyr

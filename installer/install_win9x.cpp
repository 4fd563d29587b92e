// The installation on Windows 95, 98 and Me.
#include <windows.h>
#include <shlwapi.h>
#include <winspool.h>

#include <string>

#include "common/maintenance/late_bound.h"
#include "common/maintenance/remove_devices_by_hardware_id.h"
#include "installer/inf_append.h"
#include "installer/add_printer.h"
#include "installer/install_context.h"
#include "installer/overwrite_policy.h"
#include "installer/overwrite_policy_compare.h"
#include "installer/port_table.h"
#include "installer/spooler_probe.h"
#include "installer/system_folders.h"

namespace kyr {

namespace {

const char kEnvironment9x[] = "Windows 4.0";
const char kMediaFolder[] = "driver9x\\";
const char kInfMediaFolder[] = "Driver9x\\";
const char kHardwareId[] = "USB\\Vid_7a31&Pid_5e20";
// Enumerator keys of the printer's earlier device entries; this family has no access
// lists, so a plain tree deletion is enough.
const char* const kEarlierEnumeratorKeys[] = {
    "Enum\\USBPRINT\\VOSKRELZPD-815",
    "Enum\\USBPRINT\\VOSKREL_ZPD-815",
    "Enum\\LPTENUM\\VOSKRELZPD-815A384",
};

// Fixed lists, one terminated name after the other, an empty name at the end.
const char kDependentFiles[] =
    "KYR730E.DRV\0MON730.DLL\0PRO730.DLL\0UNIDRV.DLL\0UNIDRV.HLP\0ICONLIB.DLL\0DMCOLOR.DLL\0USBMON.DLL\0";
const char kDependentFilesWithoutProcessor[] =
    "KYR730E.DRV\0MON730.DLL\0UNIDRV.DLL\0UNIDRV.HLP\0ICONLIB.DLL\0DMCOLOR.DLL\0USBMON.DLL\0";

const char kUsbRestartNotice[] =
    "Restart the computer can take effect.\nPlease finish the program in process before it restarts the computer.\n"
    "After restarted, turn-on printer!!";
const char kRestartQuestion[] =
    "Restart the computer can take effect.\nPlease restart the computer."
    "\n\n[Yes] I want to restart my computer now.\n[No] I will restart my computer later.";

std::string Media(const std::string& name) { return kMediaFolder + name; }
std::string InfMedia(const char* name) { return std::string(kInfMediaFolder) + name; }

// shlwapi comes with Internet Explorer, not with every Windows 95: bound at run time so
// that the installer still starts there.
void DeleteEnumeratorTree(const LateBoundModule& shlwapi, const char* subKey) {
    auto deleteTree = shlwapi.Get<decltype(&::SHDeleteKeyA)>("SHDeleteKeyA");
    if (deleteTree) deleteTree(HKEY_LOCAL_MACHINE, subKey);
}

bool FolderExists(const char* path) {
    LateBoundModule shlwapi("shlwapi.dll");
    auto exists = shlwapi.Get<decltype(&::PathFileExistsA)>("PathFileExistsA");
    if (exists) return exists(path) != FALSE;
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A folder below another one, invalid when the parent is or the result does not fit.
Folder SubFolder(const Folder& parent, const char* name) {
    Folder folder;
    if (!parent.valid() || !JoinPath(folder.path, sizeof(folder.path), parent.path, name)) folder.path[0] = '\0';
    return folder;
}

// Copies into folder\name, replacing an existing target only when overwrite is set.
void CopyIntoFolder(const char* source, const Folder& folder, const char* name, bool overwrite) {
    char target[kPathBufferSize];
    if (!folder.valid() || !JoinPath(target, sizeof(target), folder.path, name)) return;
    CopyFileA(source, target, overwrite ? FALSE : TRUE);
}

void CopyToPath(const char* source, const char* target) {
    if (target[0] != '\0') CopyFileA(source, target, FALSE);
}

// Sets or clears the hidden bit and keeps every other attribute. A folder whose
// attributes cannot be read is left alone: writing back the failure value would set
// every attribute bit at once.
void SetHidden(const char* path, bool hidden) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path, hidden ? (attributes | FILE_ATTRIBUTE_HIDDEN) : (attributes & ~FILE_ATTRIBUTE_HIDDEN));
}

// Writes text after the last byte of an existing file; a missing file is not created.
void AppendToFile(const char* path, const std::string& text) {
    if (path[0] == '\0') return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    if (SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER) {
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    CloseHandle(file);
}

// The universal driver and its help file into the printer-driver folder, as the policy
// judges them, each also into the staging folder unconditionally.
void CopyUniversalDriver(int policy, const Folder& driverFolder, const Folder& stagingFolder) {
    const std::string driverSource = Media("unidrv.dll");
    const std::string helpSource = Media("unidrv.hlp");
    UniversalDriverOverwrite decision(policy);
    char installed[kPathBufferSize];
    const bool targetFits =
        driverFolder.valid() && JoinPath(installed, sizeof(installed), driverFolder.path, "unidrv.dll");
    bool installedIsOlder = false;
    if (targetFits) {
        switch (decision.NeededComparison()) {
        case DriverComparison::ByVersion: installedIsOlder = IsOlderByVersion(installed, driverSource.c_str()); break;
        case DriverComparison::ByDate: installedIsOlder = IsOlderByDate(installed, driverSource.c_str()); break;
        case DriverComparison::None: break;
        }
    }
    CopyIntoFolder(driverSource.c_str(), driverFolder, "unidrv.dll", decision.DecideDriver(installedIsOlder));
    CopyIntoFolder(driverSource.c_str(), stagingFolder, "unidrv.dll", true);
    CopyIntoFolder(helpSource.c_str(), driverFolder, "unidrv.hlp", decision.DecideHelp());
    CopyIntoFolder(helpSource.c_str(), stagingFolder, "unidrv.hlp", true);
}

void RequestRestart() { ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0); }

}  // namespace

void InstallContext::InstallWin9x(int portCode) {
    ProgressStep("Check driver...\r\n");
    const bool found = IsDriverInstalled(kEnvironment9x, 3, driverName);

    ProgressStep("Add printer...\r\n");
    const std::string printerName = found ? FreePrinterName(driverName) : driverName;

    if (!found) {
        RemoveDevicesByHardwareId(kHardwareId);
        {
            LateBoundModule shlwapi("shlwapi.dll");
            for (const char* key : kEarlierEnumeratorKeys) DeleteEnumeratorTree(shlwapi, key);
        }

        const Folder windowsFolder = QueryWindowsFolder();
        const Folder productFolder = SubFolder(windowsFolder, "KYR-730");
        const Folder stagingFolder = SubFolder(productFolder, "usb");
        if (productFolder.valid()) CreateDirectoryA(productFolder.path, nullptr);
        if (stagingFolder.valid()) CreateDirectoryA(stagingFolder.path, nullptr);

        const Folder systemFolder = QuerySystemFolder();
        CopyIntoFolder(Media(monitorFile).c_str(), systemFolder, monitorFile.c_str());
        CopyIntoFolder(Media(monitorFile).c_str(), stagingFolder, monitorFile.c_str());
        CopyIntoFolder(Media("usbmon.dll").c_str(), systemFolder, "usbmon.dll");
        CopyIntoFolder(Media("usbmon.dll").c_str(), stagingFolder, "usbmon.dll");
        if (installProcessor) {
            const Folder processorFolder = QueryProcessorFolder();
            CopyIntoFolder(Media(processorFile).c_str(), processorFolder, processorFile.c_str());
            CopyIntoFolder(Media(processorFile).c_str(), stagingFolder, processorFile.c_str());
        }

        ProgressStep("Install language monitor...\r\n");
        MONITOR_INFO_2A monitor = {};
        monitor.pName = const_cast<char*>(monitorName.c_str());
        monitor.pEnvironment = const_cast<char*>(kEnvironment9x);
        monitor.pDLLName = const_cast<char*>(monitorFile.c_str());
        if (!AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&monitor))) ReportFailure("AddMonitor Error Code: %d\n\n");
        MONITOR_INFO_2A portMonitor = {};
        portMonitor.pName = const_cast<char*>("usbmon.dll");
        portMonitor.pEnvironment = const_cast<char*>(kEnvironment9x);
        portMonitor.pDLLName = const_cast<char*>("usbmon.DLL");
        AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&portMonitor));

        if (installProcessor) {
            ProgressStep("Install print processor...\r\n");
            AddPrintProcessorA(nullptr, const_cast<char*>(kEnvironment9x), const_cast<char*>(processorFile.c_str()),
                               const_cast<char*>(processorName.c_str()));
        }

        ProgressStep("Copy files...\r\n");
        const Folder driverFolder = QueryDriverFolder();
        for (const char* name : {"dmcolor.dll", "iconlib.dll"}) {
            CopyIntoFolder(Media(name).c_str(), driverFolder, name);
            CopyIntoFolder(Media(name).c_str(), stagingFolder, name);
        }
        CopyIntoFolder(Media(minidriverFile).c_str(), driverFolder, minidriverFile.c_str());
        CopyIntoFolder(Media(minidriverFile).c_str(), stagingFolder, minidriverFile.c_str());
        CopyUniversalDriver(overwritePolicy, driverFolder, stagingFolder);

        ProgressStep("Install printer driver...\r\n");
        DRIVER_INFO_3A driver = {};
        driver.cVersion = 0x400;
        driver.pName = const_cast<char*>(driverName.c_str());
        driver.pEnvironment = const_cast<char*>(kEnvironment9x);
        driver.pDriverPath = const_cast<char*>(minidriverFile.c_str());
        driver.pDataFile = const_cast<char*>(minidriverFile.c_str());
        driver.pConfigFile = const_cast<char*>(minidriverFile.c_str());
        driver.pHelpFile = const_cast<char*>("UNIDRV.HLP");
        driver.pDependentFiles =
            const_cast<char*>(installProcessor ? kDependentFiles : kDependentFilesWithoutProcessor);
        driver.pMonitorName = const_cast<char*>(monitorName.c_str());
        driver.pDefaultDataType = const_cast<char*>("RAW");
        if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver))) {
            ReportFailure("AddPrinterDriver Error Code: %d\n\n");
            ExitProcess(0);
        }
    }

    if (portCode != kPortUsb) {
        ProgressStep("Install printer...\r\n");
        AddPrinterOrEnd({printerName.c_str(), PortNameFor(portCode), driverName.c_str(),
                         installProcessor ? processorName.c_str() : "WinPrint",
                         installProcessor ? 0x1800u : 0x0840u, 1, 0});
    }

    if (!found) {
        const Folder windowsFolder = QueryWindowsFolder();
        const Folder infFolder = SubFolder(windowsFolder, "INF");
        const Folder otherFolder = SubFolder(infFolder, "OTHER");
        char driverInf[kPathBufferSize] = {0};
        char usbPrintInf[kPathBufferSize] = {0};
        char usbPrintSys[kPathBufferSize] = {0};
        char cycleRun[kPathBufferSize] = {0};
        if (windowsFolder.valid()) {
            DriverInfTarget(driverInf, sizeof(driverInf), windowsFolder.path,
                            otherFolder.valid() && FolderExists(otherFolder.path));
            ConcatPath(usbPrintInf, sizeof(usbPrintInf), windowsFolder.path, "\\inf\\usbprint.inf");
            ConcatPath(usbPrintSys, sizeof(usbPrintSys), windowsFolder.path, "\\system32\\drivers\\usbprint.sys");
            ConcatPath(cycleRun, sizeof(cycleRun), windowsFolder.path, "\\cyclerun.exe");
        }

        if (infFolder.valid()) SetHidden(infFolder.path, false);
        CopyToPath(InfMedia("kyr730.inf").c_str(), driverInf);
        CopyToPath(InfMedia("usbprint.inf").c_str(), usbPrintInf);
        CopyToPath(InfMedia("usbprint.sys").c_str(), usbPrintSys);
        CopyToPath(InfMedia("cyclerun.exe").c_str(), cycleRun);
        if (infFolder.valid()) SetHidden(infFolder.path, true);

        if (windowsFolder.valid()) {
            AppendToFile(driverInf, DriverInfAppendText(windowsFolder.path));
            AppendToFile(usbPrintInf, UsbPrintInfAppendText(windowsFolder.path));
        }

        RegisterUninstall();
        ProgressDone("Completed!");
        if (portCode == kPortUsb) {
            MessageBoxA(nullptr, kUsbRestartNotice, kInstallerCaption, MB_ICONINFORMATION | MB_OK);
            RequestRestart();
        } else if (MessageBoxA(nullptr, kRestartQuestion, kInstallerCaption, MB_ICONQUESTION | MB_YESNO) == IDYES) {
            // This family has no shutdown privilege to ask for.
            RequestRestart();
        }
    }

    Sleep(500);
}

}  // namespace kyr

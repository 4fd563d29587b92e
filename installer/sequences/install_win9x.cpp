// The installation on Windows 95, 98 and Me.
#include <windows.h>
#include <shlwapi.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "common/files/clear_read_only.h"
#include "common/files/delete_even_read_only.h"
#include "common/maintenance/delete_key_tree.h"
#include "common/maintenance/late_bound.h"
#include "common/maintenance/remove_devices_by_hardware_id.h"
#include "installer/context/install_context.h"
#include "installer/context/port_table.h"
#include "installer/overwrite/overwrite_policy.h"
#include "installer/overwrite/overwrite_policy_compare.h"
#include "installer/sequences/inf_append.h"
#include "installer/spooler/add_printer.h"
#include "installer/spooler/spooler_probe.h"
#include "installer/system/system_folders.h"
#include "installer/uninstall/uninstall_entry_state.h"

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
    // Below a folder that could not be asked for, for the reason its query gave.
    if (!parent.valid()) folder.error = parent.error;
    if (!parent.valid() || !JoinPath(folder.path, sizeof(folder.path), parent.path, name)) folder.path[0] = '\0';
    return folder;
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
// True when all of it was written.
bool AppendToFile(const char* path, const std::string& text) {
    if (path[0] == '\0') return false;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool wrote = SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
                       WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    const bool whole = wrote && written == text.size();
    // A write that succeeds short is how Windows 9x, as DOS before it, says the disk is
    // full; it leaves no code of its own.
    if (wrote && !whole) SetLastError(ERROR_HANDLE_DISK_FULL);
    // The caller reports the write's code, not the closing's.
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return whole;
}

// The universal driver and its help file into the printer-driver folder, as the policy
// judges them, each also into the staging folder unconditionally.
void CopyUniversalDriver(int policy, const std::string& driverSource, const std::string& helpSource,
                         const Folder& driverFolder, const Folder& stagingFolder, CopyLedger& copies) {
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
    copies.CopyInto(driverSource, driverFolder, "unidrv.dll", decision.DecideDriver(installedIsOlder));
    copies.CopyInto(driverSource, stagingFolder, "unidrv.dll");
    copies.CopyInto(helpSource, driverFolder, "unidrv.hlp", decision.DecideHelp());
    copies.CopyInto(helpSource, stagingFolder, "unidrv.hlp");
}

void RequestRestart() { ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0); }

void RegisterUsbPortMonitor() {
    MONITOR_INFO_2A portMonitor = {};
    portMonitor.pName = const_cast<char*>("usbmon.dll");
    portMonitor.pEnvironment = const_cast<char*>(kEnvironment9x);
    portMonitor.pDLLName = const_cast<char*>("usbmon.DLL");
    AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&portMonitor));
}

}  // namespace

// Plug and Play installs a USB printer from the staging folder the driver INF names: a run
// that could not copy there said so, and this one places what is missing there, keeping
// what is there.
void InstallContext::RestoreStagingCopies() {
    const Folder productFolder = SubFolder(QueryWindowsFolder(), "KYR-730");
    const Folder stagingFolder = SubFolder(productFolder, "usb");
    if (productFolder.valid()) CreateDirectoryA(productFolder.path, nullptr);
    if (stagingFolder.valid()) CreateDirectoryA(stagingFolder.path, nullptr);
    std::vector<std::string> names = {monitorFile, "usbmon.dll", "dmcolor.dll", "iconlib.dll", minidriverFile,
                                      "unidrv.dll", "unidrv.hlp"};
    if (installProcessor) names.push_back(processorFile);
    for (const std::string& name : names)
        copies.CopyInto(MediumFile(kMediaFolder + name), stagingFolder, name.c_str(), false);
}

void InstallContext::InstallWin9x(int portCode) {
    auto media = [this](const std::string& name) { return MediumFile(kMediaFolder + name); };
    ProgressStep("Check driver...\r\n");
    const bool found = IsDriverInstalled(kEnvironment9x, 3, driverName);

    ProgressStep("Add printer...\r\n");
    const std::string printerName = found ? FreePrinterName(driverName) : driverName;

    if (!found) {
        RemoveDevicesByHardwareId(kHardwareId);
        for (const char* key : kEarlierEnumeratorKeys) DeleteKeyTree(HKEY_LOCAL_MACHINE, key);

        const Folder windowsFolder = QueryWindowsFolder();
        const Folder productFolder = SubFolder(windowsFolder, "KYR-730");
        const Folder stagingFolder = SubFolder(productFolder, "usb");
        if (productFolder.valid()) CreateDirectoryA(productFolder.path, nullptr);
        if (stagingFolder.valid()) CreateDirectoryA(stagingFolder.path, nullptr);

        const Folder systemFolder = QuerySystemFolder();
        copies.CopyInto(media(monitorFile), systemFolder, monitorFile.c_str());
        copies.CopyInto(media(monitorFile), stagingFolder, monitorFile.c_str());
        copies.CopyInto(media("usbmon.dll"), systemFolder, "usbmon.dll");
        copies.CopyInto(media("usbmon.dll"), stagingFolder, "usbmon.dll");
        if (installProcessor) {
            const Folder processorFolder = QueryProcessorFolder();
            copies.CopyInto(media(processorFile), processorFolder, processorFile.c_str());
            copies.CopyInto(media(processorFile), stagingFolder, processorFile.c_str());
        }

        ProgressStep("Install language monitor...\r\n");
        MONITOR_INFO_2A monitor = {};
        monitor.pName = const_cast<char*>(monitorName.c_str());
        monitor.pEnvironment = const_cast<char*>(kEnvironment9x);
        monitor.pDLLName = const_cast<char*>(monitorFile.c_str());
        if (!AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&monitor))) ReportFailure("AddMonitor Error Code: %d\n\n");
        RegisterUsbPortMonitor();

        if (installProcessor) {
            ProgressStep("Install print processor...\r\n");
            AddPrintProcessorA(nullptr, const_cast<char*>(kEnvironment9x), const_cast<char*>(processorFile.c_str()),
                               const_cast<char*>(processorName.c_str()));
        }

        ProgressStep("Copy files...\r\n");
        const Folder driverFolder = QueryDriverFolder();
        for (const char* name : {"dmcolor.dll", "iconlib.dll"}) {
            copies.CopyInto(media(name), driverFolder, name);
            copies.CopyInto(media(name), stagingFolder, name);
        }
        copies.CopyInto(media(minidriverFile), driverFolder, minidriverFile.c_str());
        copies.CopyInto(media(minidriverFile), stagingFolder, minidriverFile.c_str());
        CopyUniversalDriver(overwritePolicy, media("unidrv.dll"), media("unidrv.hlp"), driverFolder, stagingFolder, copies);

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
            copies.ShowFailures();
            ReportFailure("AddPrinterDriver Error Code: %d\n\n");
            ExitProcess(0);
        }
    }

    // Its registration is not checked: one a run could not make is made by the next. One
    // already there is answered "exists", which is as good.
    if (found) RegisterUsbPortMonitor();
    if (found) {
        RepairRegistrations(kEnvironment9x, kMediaFolder);
        RestoreStagingCopies();
    }

    if (portCode != kPortUsb) {
        ProgressStep("Install printer...\r\n");
        AddPrinterOrEnd({printerName.c_str(), PortNameFor(portCode), driverName.c_str(),
                         installProcessor ? processorName.c_str() : "WinPrint",
                         installProcessor ? 0x1800u : 0x0840u, 1, 0},
                        copies);
    }

    if (!found) {
        PlaceInfFiles();
        RegisterUninstall();
        copies.ShowFailures();
        // Without a whole uninstall entry the product cannot be removed: not done.
        if (!copies.EntryFailed()) ProgressDone("Completed!");
        if (portCode == kPortUsb) {
            MessageBoxA(nullptr, kUsbRestartNotice, kInstallerCaption, MB_ICONINFORMATION | MB_OK);
            RequestRestart();
        } else if (MessageBoxA(nullptr, kRestartQuestion, kInstallerCaption, MB_ICONQUESTION | MB_YESNO) == IDYES) {
            // This family has no shutdown privilege to ask for.
            RequestRestart();
        }
    } else {
        // A run ended after the driver registration but before its INF files or its
        // uninstall entry left a driver that could never be removed; finish that run's
        // tail. The INF files go in only while the driver INF is absent, so that no rerun
        // appends twice; an entry is replaced only when it lacks one of its values or names
        // an uninstaller that is gone.
        if (!DriverInfPresent()) PlaceInfFiles();
        const UninstallEntryState entry = ReadUninstallEntryState(false);
        if (entry.needsRewrite()) RegisterUninstall();
        else if (entry.needsDeployment()) DeployUninstaller();
        copies.ShowFailures();
    }

    Sleep(500);
}

namespace {

struct InfTargets {
    Folder windowsFolder;
    Folder infFolder;
    char driverInf[kPathBufferSize] = {0};
    char usbPrintInf[kPathBufferSize] = {0};
    char usbPrintSys[kPathBufferSize] = {0};
    char cycleRun[kPathBufferSize] = {0};
};

InfTargets FindInfTargets() {
    InfTargets t;
    t.windowsFolder = QueryWindowsFolder();
    t.infFolder = SubFolder(t.windowsFolder, "INF");
    const Folder otherFolder = SubFolder(t.infFolder, "OTHER");
    if (t.windowsFolder.valid()) {
        const char* windows = t.windowsFolder.path;
        DriverInfTarget(t.driverInf, sizeof(t.driverInf), windows, otherFolder.valid() && FolderExists(otherFolder.path));
        ConcatPath(t.usbPrintInf, sizeof(t.usbPrintInf), windows, "\\inf\\usbprint.inf");
        ConcatPath(t.usbPrintSys, sizeof(t.usbPrintSys), windows, "\\system32\\drivers\\usbprint.sys");
        ConcatPath(t.cycleRun, sizeof(t.cycleRun), windows, "\\cyclerun.exe");
    }
    return t;
}

}  // namespace

bool InstallContext::DriverInfPresent() const {
    const InfTargets t = FindInfTargets();
    return t.driverInf[0] != '\0' && GetFileAttributesA(t.driverInf) != INVALID_FILE_ATTRIBUTES;
}

namespace {

// A later run takes the driver INF's presence for a finished placement, so it appears only
// whole: copied and appended to under a temporary name beside it, then moved into place. A
// run ended before the move leaves no driver INF, and the next run places everything again.
void PlaceDriverInf(const std::string& source, const char* target, const std::string& appended,
                    CopyLedger& copies, DWORD whyNoTarget) {
    if (!target[0]) {
        copies.Copy(source, target, true, whyNoTarget);
        return;
    }
    // Copied under its own name it would lack its appends, the very fault the temporary
    // name prevents.
    char temporary[kPathBufferSize];
    if (!ConcatPath(temporary, sizeof(temporary), target, ".new")) {
        copies.Note(target, ERROR_FILENAME_EXCED_RANGE);
        return;
    }
    // A temporary copy that an ended run left may be read-only (from a pressed disc, before
    // its bit was cleared), and the system would refuse to copy over it.
    DeleteEvenReadOnly(temporary);
    if (!CopyFileA(source.c_str(), temporary, FALSE)) {
        const DWORD error = GetLastError();
        copies.Note(target, error);
        return;
    }
    // A copy from a pressed disc is read-only, and the appends below must write to it.
    ClearReadOnly(temporary);
    if (!AppendToFile(temporary, appended)) {
        const DWORD error = GetLastError();
        copies.Note(target, error);
        DeleteEvenReadOnly(temporary);
        return;
    }
    DeleteEvenReadOnly(target);
    if (!MoveFileA(temporary, target)) {
        const DWORD error = GetLastError();
        copies.Note(target, error);
        DeleteEvenReadOnly(temporary);
    }
}

}  // namespace

void InstallContext::PlaceInfFiles() {
    auto infMedia = [this](const char* name) { return MediumFile(std::string(kInfMediaFolder) + name); };
    const InfTargets t = FindInfTargets();

    if (t.infFolder.valid()) SetHidden(t.infFolder.path, false);
    // Without the Windows folder the targets are empty, for the reason its query gave.
    const DWORD why = t.windowsFolder.valid() ? ERROR_PATH_NOT_FOUND : t.windowsFolder.error;
    const bool usbPrintInfCopied = copies.Copy(infMedia("usbprint.inf"), t.usbPrintInf, true, why);
    copies.Copy(infMedia("usbprint.sys"), t.usbPrintSys, true, why);
    copies.Copy(infMedia("cyclerun.exe"), t.cycleRun, true, why);
    // Appended to a fresh copy only: an earlier one may already hold the lines. A failed
    // append is listed like the copy it completes.
    if (usbPrintInfCopied && t.windowsFolder.valid() &&
        !AppendToFile(t.usbPrintInf, UsbPrintInfAppendText(t.windowsFolder.path))) {
        const DWORD error = GetLastError();
        copies.Note(t.usbPrintInf, error);
    }
    // Last: once it is there, no later run places any of these again.
    PlaceDriverInf(infMedia("kyr730.inf"), t.driverInf,
                   t.windowsFolder.valid() ? DriverInfAppendText(t.windowsFolder.path) : std::string(), copies, why);
    if (t.infFolder.valid()) SetHidden(t.infFolder.path, true);
}

}  // namespace kyr

// The installation on Windows 2000, XP and Server 2003.
#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

#include <string>

#include "common/maintenance/delete_folder_tree.h"
#include "common/maintenance/late_bound.h"
#include "common/maintenance/remove_devices_by_hardware_id.h"
#include "common/maintenance/remove_key_tree.h"
#include "common/maintenance/restart_system.h"
#include "installer/add_printer.h"
#include "installer/install_context.h"
#include "installer/port_table.h"
#include "installer/product_names.h"
#include "installer/spooler_probe.h"
#include "installer/system_folders.h"

namespace kyr {

namespace {

const char kEnvironmentNt[] = "Windows NT x86";
const char kMediaFolder[] = "driver2k\\";

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

std::string Media(const std::string& name) { return kMediaFolder + name; }

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
    FreeLibrary(setup);
    return copied;
}

}  // namespace

void InstallContext::InstallNt(int portCode) {
    ProgressStep("Check drivers...\r\n");
    const bool found = IsDriverInstalled(nullptr, 4, driverName);

    ProgressStep("Add printer...\r\n");
    const std::string printerName = found ? FreePrinterName(driverName) : driverName;

    const Folder windowsFolder = QueryWindowsFolder();
    const std::string configFile = PluginConfigFile(uiFile);
    const std::string dataFile = PrinterDataFile(minidriverFile);

    if (!found) {
        Folder driverFolder = QueryDriverFolder();
        for (const char* earlier : kEarlierDriverFolders) {
            char path[kPathBufferSize];
            if (driverFolder.valid() && JoinPath(path, sizeof(path), driverFolder.path, earlier)) DeleteFolderTree(path);
        }
        RemoveDevicesByHardwareId(kHardwareId);
        for (const char* key : kEarlierEnumeratorKeys) RemoveKeyTree(key);

        const Folder systemFolder = QuerySystemFolder();
        CopyIntoFolder(Media(monitorFile).c_str(), systemFolder, monitorFile.c_str());
        CopyIntoFolder(Media(monitorFile).c_str(), windowsFolder, monitorFile.c_str());
        if (installProcessor) {
            CopyIntoFolder(Media(processorFile).c_str(), QueryProcessorFolder(), processorFile.c_str());
        }

        ProgressStep("Install language monitor...\r\n");
        MONITOR_INFO_2A monitor = {};
        monitor.pName = const_cast<char*>(monitorName.c_str());
        monitor.pEnvironment = const_cast<char*>(kEnvironmentNt);
        monitor.pDLLName = const_cast<char*>(monitorFile.c_str());
        if (!AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&monitor))) ReportFailure("AddMonitor Error Code: %d\n\n");

        if (installProcessor) {
            ProgressStep("Install print processor...\r\n");
            if (!AddPrintProcessorA(nullptr, const_cast<char*>(kEnvironmentNt), const_cast<char*>(processorFile.c_str()),
                                    const_cast<char*>(processorName.c_str())))
                ReportFailure("AddProcess Error Code: %d\n\n");
        }

        ProgressStep("Copy files...\r\n");
        driverFolder = QueryDriverFolder();
        for (const char* name : {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIDRV.HLP", "UNIRES.DLL"}) {
            CopyIntoFolder(Media(name).c_str(), driverFolder, name);
        }
        const std::string* const driverCopies[] = {&minidriverFile, &uiFile, &configFile, &dataFile};
        for (const std::string* name : driverCopies) {
            CopyIntoFolder(Media(*name).c_str(), driverFolder, name->c_str());
            CopyIntoFolder(Media(*name).c_str(), windowsFolder, name->c_str());
        }
        CopyIntoFolder(Media("STDNAMES.GPD").c_str(), driverFolder, "STDNAMES.GPD");

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
        if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver)))
            ReportFailure("AddPrinterDriver Error Code: %d\n\n");
    }

    if (portCode != kPortUsb) {
        ProgressStep("Install printer...\r\n");
        AddPrinterOrEnd({printerName.c_str(), PortNameFor(portCode), driverName.c_str(),
                         installProcessor ? processorName.c_str() : "WinPrint",
                         installProcessor ? 0x1800u : 0x0A00u, 0, 0x80});
    }

    if (!found) {
        // The setup API wants the INF by its full path; the medium is the current folder.
        char infSource[260];
        char destination[260] = {0};
        DWORD required = 0;
        DWORD length = GetFullPathNameA("Driver2k\\KYR730.INF", sizeof(infSource), infSource, nullptr);
        if (length > 0 && length < sizeof(infSource)) {
            CopyOemInf(infSource, destination, sizeof(destination), &required);
        }
        destination[sizeof(destination) - 1] = '\0';
        infFile = destination;

        ProgressStep("Delete installed files...\r\n");
        const Folder driverFolder = QueryDriverFolder();
        for (const char* name : {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIDRV.HLP", "UNIRES.DLL"}) {
            DeleteFromFolder(driverFolder, name);
        }
        DeleteFromFolder(driverFolder, monitorFile.c_str());
        if (installProcessor) DeleteFromFolder(driverFolder, processorFile.c_str());
        const std::string* const stagedCopies[] = {&minidriverFile, &uiFile, &configFile, &dataFile};
        for (const std::string* name : stagedCopies) {
            DeleteFromFolder(driverFolder, name->c_str());
        }
        DeleteFromFolder(driverFolder, "STDNAMES.GPD");

        RegisterUninstall();
        ProgressDone("Completed!");
        if (portCode == kPortUsb) {
            MessageBoxA(nullptr, "Installation is completed.\nPlease turn-off printer and turn-on printer.",
                        kInstallerCaption, MB_ICONINFORMATION | MB_OK);
        } else if (MessageBoxA(nullptr,
                               "Restart the computer can take effect.\nPlease restart the computer."
                               "\n\n[Yes] I want to restart my computer now.\n[No] I will restart my computer later.",
                               kInstallerCaption, MB_ICONQUESTION | MB_YESNO) == IDYES) {
            RestartSystem();
        }
    }

    ProgressDone("Completed!");
    Sleep(2000);
}

}  // namespace kyr

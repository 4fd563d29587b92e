#include "tools/faultinject/spooler_rules.h"

#include <winspool.h>

#include <cstring>
#include <vector>

#include "tools/faultinject/fault_state.h"

namespace faults {

namespace {

// The system's own functions: this module's calls are never redirected through the wrappers.
template <typename Fn>
Fn SpoolerCall(const char* name) {
    HMODULE winspool = GetModuleHandleA("winspool.drv");
    if (winspool == nullptr) winspool = LoadLibraryA("winspool.drv");
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(winspool, name)));
}

typedef BOOL(WINAPI* GetPrinterFn)(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD);
typedef BOOL(WINAPI* EnumPrintersFn)(DWORD, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
typedef BOOL(WINAPI* EnumMonitorsFn)(LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);

// Printers this process's DeletePrinter only marked; they stay marked until it ends, as
// their documents outlive it.
char g_marked[4][128];
int g_markedCount;

bool Marked(const char* name) {
    for (int i = 0; i < g_markedCount; ++i)
        if (lstrcmpiA(g_marked[i], name) == 0) return true;
    return false;
}

// The name of an open printer, through a real level-2 query.
bool PrinterName(HANDLE printer, char (&name)[128]) {
    GetPrinterFn getPrinter = SpoolerCall<GetPrinterFn>("GetPrinterA");
    DWORD needed = 0;
    if (getPrinter == nullptr) return false;
    getPrinter(printer, 2, nullptr, 0, &needed);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!getPrinter(printer, 2, buffer.data(), needed, &needed)) return false;
    const char* found = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data())->pPrinterName;
    if (found == nullptr) return false;
    lstrcpynA(name, found, sizeof(name));
    return true;
}

const WaitingJobs* JobsOf(const char* printer) {
    const Config& config = CurrentConfig();
    for (int i = 0; i < config.jobsCount; ++i)
        if (lstrcmpiA(config.jobs[i].printer, printer) == 0) return &config.jobs[i];
    return nullptr;
}

// The list, or an empty buffer when it cannot be read (no rule answers on a guess).
template <typename Enumerate>
std::vector<BYTE> Listed(Enumerate enumerate, DWORD* count) {
    DWORD needed = 0;
    *count = 0;
    enumerate(nullptr, 0, &needed, count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!enumerate(buffer.data(), needed, &needed, count)) {
        *count = 0;
        buffer.clear();
    }
    return buffer;
}

typedef BOOL(WINAPI* EnumProcessorsFn)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);

bool InFolder(const char* folder, const char* name) {
    char path[MAX_PATH * 2];
    if (strlen(folder) + 1 + strlen(name) >= sizeof(path)) return true;
    lstrcpyA(path, folder);
    lstrcatA(path, "\\");
    lstrcatA(path, name);
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Whether the spooler lists the name; so too when it cannot be asked, as no rule answers on
// a guess.
template <typename Info, typename Enumerate>
bool NameListed(Enumerate enumerate, const char* name) {
    DWORD count = 0;
    std::vector<BYTE> list = Listed(enumerate, &count);
    if (list.empty()) return true;
    const Info* listed = reinterpret_cast<const Info*>(list.data());
    for (DWORD i = 0; i < count; ++i)
        if (listed[i].pName && lstrcmpiA(listed[i].pName, name) == 0) return true;
    return false;
}

bool MonitorListed(const char* name) {
    EnumMonitorsFn enumMonitors = SpoolerCall<EnumMonitorsFn>("EnumMonitorsA");
    return enumMonitors == nullptr || NameListed<MONITOR_INFO_1A>([enumMonitors](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
        return enumMonitors(nullptr, 1, b, s, n, c);
    }, name);
}

bool ProcessorListed(const char* environment, const char* name) {
    EnumProcessorsFn enumProcessors = SpoolerCall<EnumProcessorsFn>("EnumPrintProcessorsA");
    char* env = const_cast<char*>(environment);
    return enumProcessors == nullptr ||
           NameListed<PRINTPROCESSOR_INFO_1A>([enumProcessors, env](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
               return enumProcessors(nullptr, env, 1, b, s, n, c);
           }, name);
}

typedef BOOL(WINAPI* DriverDirectoryFn)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD);

// Where the spooler looks for a file the driver's record names: a bare name beside the
// driver's own file, or in the printer-driver folder when that is bare too.
bool FileThere(const char* name, const char* driverPath, const char* environment) {
    char path[MAX_PATH * 2];
    if (strchr(name, '\\') != nullptr) {
        lstrcpynA(path, name, sizeof(path));
    } else {
        const char* slash = driverPath ? strrchr(driverPath, '\\') : nullptr;
        if (slash != nullptr) {
            const size_t folder = static_cast<size_t>(slash - driverPath) + 1;
            if (folder + strlen(name) >= sizeof(path)) return true;
            memcpy(path, driverPath, folder);
            lstrcpynA(path + folder, name, static_cast<int>(sizeof(path) - folder));
        } else {
            DriverDirectoryFn directory = SpoolerCall<DriverDirectoryFn>("GetPrinterDriverDirectoryA");
            DWORD needed = 0;
            // No rule answers on a guess.
            if (directory == nullptr ||
                !directory(nullptr, const_cast<char*>(environment), 1, reinterpret_cast<BYTE*>(path), MAX_PATH, &needed))
                return true;
            if (strlen(path) + 1 + strlen(name) >= sizeof(path)) return true;
            lstrcatA(path, "\\");
            lstrcatA(path, name);
        }
    }
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return true;
    // Windows 9x keeps printer drivers, print processors and monitors all in the system
    // folder; Wine gives each a folder of its own, so a 9x driver's bare name may be in any.
    if (environment == nullptr || lstrcmpiA(environment, "Windows 4.0") != 0 || strchr(name, '\\') != nullptr)
        return false;
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, sizeof(folder));
    if (length != 0 && length < sizeof(folder) && InFolder(folder, name)) return true;
    DriverDirectoryFn processors = SpoolerCall<DriverDirectoryFn>("GetPrintProcessorDirectoryA");
    DWORD needed = 0;
    return processors == nullptr ||
           !processors(nullptr, const_cast<char*>(environment), 1, reinterpret_cast<BYTE*>(folder), sizeof(folder),
                       &needed) ||
           InFolder(folder, name);
}

// The first file the record names that is not there, or null.
const char* MissingDriverFile(const DRIVER_INFO_3A* driver) {
    const char* named[] = {driver->pDriverPath, driver->pDataFile, driver->pConfigFile, driver->pHelpFile};
    for (const char* name : named)
        if (name != nullptr && *name != '\0' && !FileThere(name, driver->pDriverPath, driver->pEnvironment))
            return name;
    for (const char* p = driver->pDependentFiles; p != nullptr && *p != '\0'; p += strlen(p) + 1)
        if (!FileThere(p, driver->pDriverPath, driver->pEnvironment)) return p;
    return nullptr;
}

}  // namespace

bool AddPrinterDriverRule(DWORD level, const BYTE* info, bool* succeeded, DWORD* error) {
    // The levels whose record holds DRIVER_INFO_3's fields at its places.
    if (!CurrentConfig().windowsSpooler || info == nullptr || (level != 3 && level != 4 && level != 6 && level != 8))
        return false;
    // The spooler copies each file the record names into its version folder: one that is
    // not there fails the call, where Wine takes the driver without it.
    if (const char* missing = MissingDriverFile(reinterpret_cast<const DRIVER_INFO_3A*>(info))) {
        LogNote("windows-spooler: AddPrinterDriver names \"%s\", which is not there: 2", missing);
        *succeeded = false;
        *error = ERROR_FILE_NOT_FOUND;
        return true;
    }
    const char* monitor = reinterpret_cast<const DRIVER_INFO_3A*>(info)->pMonitorName;
    if (monitor == nullptr || *monitor == '\0' || MonitorListed(monitor)) return false;
    LogNote("windows-spooler: AddPrinterDriver names the unregistered monitor \"%s\": 3000", monitor);
    *succeeded = false;
    *error = 3000;  // ERROR_UNKNOWN_PRINT_MONITOR
    return true;
}

bool AddMonitorRule(DWORD level, const BYTE* info, bool* succeeded, DWORD* error) {
    if (!CurrentConfig().windowsSpooler || info == nullptr || level != 2) return false;
    const MONITOR_INFO_2A* monitor = reinterpret_cast<const MONITOR_INFO_2A*>(info);
    if (monitor->pName == nullptr || monitor->pDLLName == nullptr || *monitor->pDLLName == '\0') return false;
    // A name registered already is refused first (3006, which Wine gives too).
    if (MonitorListed(monitor->pName)) return false;
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, sizeof(system));
    if (length == 0 || length >= sizeof(system) || strchr(monitor->pDLLName, '\\') != nullptr ||
        InFolder(system, monitor->pDLLName))
        return false;
    LogNote("windows-spooler: AddMonitor \"%s\": \"%s\" is not in the system folder: 126", monitor->pName,
            monitor->pDLLName);
    *succeeded = false;
    *error = ERROR_MOD_NOT_FOUND;
    return true;
}

bool AddPrintProcessorRule(const char* environment, const char* file, const char* name, bool* succeeded,
                           DWORD* error) {
    if (!CurrentConfig().windowsSpooler || file == nullptr || name == nullptr || strchr(file, '\\') != nullptr)
        return false;
    // One registered already is refused first (3013, which Wine gives too).
    if (ProcessorListed(environment, name)) return false;
    DriverDirectoryFn directory = SpoolerCall<DriverDirectoryFn>("GetPrintProcessorDirectoryA");
    char folder[MAX_PATH];
    DWORD needed = 0;
    if (directory == nullptr ||
        !directory(nullptr, const_cast<char*>(environment), 1, reinterpret_cast<BYTE*>(folder), sizeof(folder), &needed) ||
        InFolder(folder, file))
        return false;
    LogNote("windows-spooler: AddPrintProcessor \"%s\": \"%s\" is not in its folder: 126", name, file);
    *succeeded = false;
    *error = ERROR_MOD_NOT_FOUND;
    return true;
}

bool DeletePrinterRule(HANDLE printer, bool* succeeded, DWORD* error) {
    if (!CurrentConfig().windowsSpooler) return false;
    char name[128];
    if (!PrinterName(printer, name)) return false;
    const WaitingJobs* jobs = JobsOf(name);
    if (jobs == nullptr) return false;
    if (jobs->paused) {
        LogNote("windows-spooler: DeletePrinter \"%s\", paused with %lu documents: 5", name, jobs->count);
        *succeeded = false;
        *error = ERROR_ACCESS_DENIED;
        return true;
    }
    if (!Marked(name) && g_markedCount < 4) lstrcpynA(g_marked[g_markedCount++], name, sizeof(g_marked[0]));
    LogNote("windows-spooler: DeletePrinter \"%s\" with %lu documents: marked for deletion", name, jobs->count);
    *succeeded = true;
    *error = ERROR_SUCCESS;
    return true;
}

bool DeletePrinterDriverRule(const char* driverName, bool* succeeded, DWORD* error) {
    if (!CurrentConfig().windowsSpooler || driverName == nullptr) return false;
    EnumPrintersFn enumPrinters = SpoolerCall<EnumPrintersFn>("EnumPrintersA");
    if (enumPrinters == nullptr) return false;
    DWORD count = 0;
    std::vector<BYTE> printers = Listed([enumPrinters](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
        return enumPrinters(PRINTER_ENUM_LOCAL, nullptr, 2, b, s, n, c);
    }, &count);
    const PRINTER_INFO_2A* listed = reinterpret_cast<const PRINTER_INFO_2A*>(printers.data());
    for (DWORD i = 0; i < count; ++i) {
        if (listed[i].pDriverName && lstrcmpiA(listed[i].pDriverName, driverName) == 0) {
            LogNote("windows-spooler: DeletePrinterDriver \"%s\" used by \"%s\": 3001", driverName,
                    listed[i].pPrinterName ? listed[i].pPrinterName : "");
            *succeeded = false;
            *error = 3001;  // ERROR_PRINTER_DRIVER_IN_USE
            return true;
        }
    }
    return false;
}

void AfterGetPrinter(HANDLE printer, DWORD level, BYTE* buffer) {
    if (!CurrentConfig().windowsSpooler || level != 2 || buffer == nullptr) return;
    PRINTER_INFO_2A* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer);
    if (info->pPrinterName == nullptr || !Marked(info->pPrinterName)) return;
    const WaitingJobs* jobs = JobsOf(info->pPrinterName);
    info->Status |= PRINTER_STATUS_PENDING_DELETION;
    info->cJobs = jobs ? jobs->count : 0;
    (void)printer;
}

}  // namespace faults

#include "installer/spooler/registrations.h"

#include <winspool.h>

#include <vector>

#include "installer/system/system_folders.h"

namespace kyr {

namespace {

// Windows answers these for a second registration; Wine answers the monitor's alike.
constexpr DWORD kMonitorExists = 3006;    // ERROR_PRINT_MONITOR_ALREADY_INSTALLED
constexpr DWORD kProcessorExists = 3013;  // ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED

// The list at level 1, whose records all begin with the name; a second call that finds
// the list grown since the first is asked once more.
template <typename Enumerate>
Registration Find(Enumerate enumerate, size_t recordSize, const std::string& name) {
    DWORD needed = 0, returned = 0;
    enumerate(nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed ? needed : 1);
    BOOL listed = enumerate(buffer.data(), needed, &needed, &returned);
    if (!listed && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        buffer.assign(needed ? needed : 1, 0);
        listed = enumerate(buffer.data(), needed, &needed, &returned);
    }
    if (!listed) return Registration::Unknown;
    for (DWORD i = 0; i < returned && (i + 1) * recordSize <= buffer.size(); ++i) {
        const char* listedName = *reinterpret_cast<char* const*>(buffer.data() + i * recordSize);
        if (listedName && lstrcmpiA(listedName, name.c_str()) == 0) return Registration::Registered;
    }
    return Registration::Absent;
}

}  // namespace

Registration MonitorRegistration(const std::string& monitorName) {
    return Find([](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumMonitorsA(nullptr, 1, buffer, size, needed, returned);
    }, sizeof(MONITOR_INFO_1A), monitorName);
}

Registration PrintProcessorRegistration(const char* environment, const std::string& processorName) {
    char* env = const_cast<char*>(environment);
    return Find([env](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrintProcessorsA(nullptr, env, 1, buffer, size, needed, returned);
    }, sizeof(PRINTPROCESSOR_INFO_1A), processorName);
}

bool RegisterMonitor(const char* environment, const std::string& monitorName, const std::string& monitorFile) {
    MONITOR_INFO_2A monitor = {};
    monitor.pName = const_cast<char*>(monitorName.c_str());
    monitor.pEnvironment = const_cast<char*>(environment);
    monitor.pDLLName = const_cast<char*>(monitorFile.c_str());
    if (AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&monitor)) || GetLastError() == kMonitorExists) return true;
    ReportFailure("AddMonitor Error Code: %d\n\n");
    return false;
}

bool RegisterPrintProcessor(const char* environment, const std::string& processorFile,
                            const std::string& processorName) {
    if (AddPrintProcessorA(nullptr, const_cast<char*>(environment), const_cast<char*>(processorFile.c_str()),
                           const_cast<char*>(processorName.c_str())) ||
        GetLastError() == kProcessorExists)
        return true;
    ReportFailure("AddProcess Error Code: %d\n\n");
    return false;
}

}  // namespace kyr

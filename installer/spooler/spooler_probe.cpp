#include "installer/spooler/spooler_probe.h"

#include <winspool.h>

#include <vector>

#include "installer/system/path_join.h"
#include "installer/system/system_folders.h"

namespace kyr {

bool IsDriverInstalled(const char* environment, DWORD level, const std::string& driverName) {
    DWORD needed = 0, returned = 0;
    char* env = const_cast<char*>(environment);
    EnumPrinterDriversA(nullptr, env, level, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!EnumPrinterDriversA(nullptr, env, level, buffer.data(), needed, &needed, &returned)) {
        ReportFailure("EnumPrinterDrivers Error Code: %d\n\n");
        ExitProcess(0);
    }
    for (DWORD i = 0; i < returned; ++i) {
        // Both levels begin with the version and the name; only the record size differs.
        const char* name = level == 4 ? reinterpret_cast<DRIVER_INFO_4A*>(buffer.data())[i].pName
                                      : reinterpret_cast<DRIVER_INFO_3A*>(buffer.data())[i].pName;
        if (name && driverName == name) return true;
    }
    return false;
}

bool IsPrintProcessorRegistered(const char* environment, const std::string& processorName) {
    DWORD needed = 0, returned = 0;
    char* env = const_cast<char*>(environment);
    EnumPrintProcessorsA(nullptr, env, 1, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!EnumPrintProcessorsA(nullptr, env, 1, buffer.data(), needed, &needed, &returned)) return true;
    const PRINTPROCESSOR_INFO_1A* processors = reinterpret_cast<const PRINTPROCESSOR_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        if (processors[i].pName && lstrcmpiA(processors[i].pName, processorName.c_str()) == 0) return true;
    return false;
}

std::string FreePrinterName(const std::string& driverName) {
    std::string name = driverName;
    for (unsigned n = 0;;) {
        HANDLE printer = nullptr;
        if (!OpenPrinterA(const_cast<char*>(name.c_str()), &printer, nullptr)) return name;
        ClosePrinter(printer);
        name = NumberedPrinterName(driverName, ++n);
    }
}

}  // namespace kyr

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

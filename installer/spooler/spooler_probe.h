// The two spooler questions both installation sequences ask first.
#pragma once
#include <windows.h>

#include <string>

namespace kyr {

// Whether a driver of exactly this name (case counts) is installed for the environment
// (nullptr: the current one), listed at the given level (3 or 4). A listing that fails
// is reported with "EnumPrinterDrivers Error Code: %d\n\n" and ends the process.
bool IsDriverInstalled(const char* environment, DWORD level, const std::string& driverName);

// The first of driverName, driverName(#1), driverName(#2), ... that names no printer that
// can be opened. Every handle the probe opens is closed again.
std::string FreePrinterName(const std::string& driverName);

}  // namespace kyr

// Windows' spooler rules where Wine's spooler is gentler, for the configuration line
// "windows-spooler" (fault_config.h). Wine does none of these itself:
//   AddPrinterDriver naming a file that is not there (a bare name beside the driver's own
//     file) fails 2, as the spooler cannot copy it; Wine takes the driver without it.
//   AddMonitor whose module is not in the system folder, and AddPrintProcessor whose file is
//     not in the print-processor folder, fail 126 (ERROR_MOD_NOT_FOUND): the spooler loads
//     them at once; Wine registers them without looking. A name registered already is
//     refused first, as Wine does (3006, 3013).
//   AddPrinterDriver naming a monitor that is not registered fails 3000
//     (ERROR_UNKNOWN_PRINT_MONITOR); Wine takes the driver.
//   DeletePrinter on a printer with documents waiting ("jobs" lines) only marks it for
//     deletion: it stays listed, reading as pending deletion with its jobs, until they are
//     printed; on a paused one it fails 5. Wine prints every job at once, so none waits.
//   DeletePrinterDriver(Ex) of a driver that a listed printer still uses fails 3001
//     (ERROR_PRINTER_DRIVER_IN_USE); Wine deletes it.
#pragma once
#include <windows.h>

namespace faults {

// Each answers whether the rule decides the call instead of the real function; then
// *succeeded and *error are its answer.
bool AddPrinterDriverRule(DWORD level, const BYTE* info, bool* succeeded, DWORD* error);
bool AddMonitorRule(DWORD level, const BYTE* info, bool* succeeded, DWORD* error);
bool AddPrintProcessorRule(const char* environment, const char* file, const char* name, bool* succeeded, DWORD* error);
bool DeletePrinterRule(HANDLE printer, bool* succeeded, DWORD* error);
bool DeletePrinterDriverRule(const char* driverName, bool* succeeded, DWORD* error);
// After a real GetPrinterA that succeeded: a printer marked for deletion reads as Windows'.
void AfterGetPrinter(HANDLE printer, DWORD level, BYTE* buffer);

}  // namespace faults

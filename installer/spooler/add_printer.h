// The printer step both installation sequences end their spooler work with.
#pragma once
#include <windows.h>

#include "installer/copies/copy_ledger.h"

namespace kyr {

// What differs between the families; everything else of the record is the same: no
// server, share, comment, location, device mode, separator file, parameters or security
// descriptor, data type "RAW", priority 1, no times.
struct PrinterRecord {
    const char* name;
    const char* port;
    const char* driver;
    const char* printProcessor;
    DWORD attributes;
    DWORD defaultPriority;
    DWORD status;
};

// Adds the printer and closes its handle. A printer the spooler refuses is reported with
// "AddPrinter Error Code: %d\n\n" and ends the process with status 0, after the copies
// that did not arrive, which may explain it.
void AddPrinterOrEnd(const PrinterRecord& record, const CopyLedger& copies);

}  // namespace kyr

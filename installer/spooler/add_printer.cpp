#include "installer/spooler/add_printer.h"

#include <winspool.h>

#include "installer/system/system_folders.h"

namespace kyr {

void AddPrinterOrEnd(const PrinterRecord& record, const CopyLedger& copies) {
    PRINTER_INFO_2A printer = {};
    printer.pPrinterName = const_cast<char*>(record.name);
    printer.pPortName = const_cast<char*>(record.port);
    printer.pDriverName = const_cast<char*>(record.driver);
    printer.pPrintProcessor = const_cast<char*>(record.printProcessor);
    printer.pDatatype = const_cast<char*>("RAW");
    printer.Attributes = record.attributes;
    printer.Priority = 1;
    printer.DefaultPriority = record.defaultPriority;
    printer.Status = record.status;
    HANDLE handle = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
    if (!handle) {
        copies.ShowFailures();
        ReportFailure("AddPrinter Error Code: %d\n\n");
        ExitProcess(0);
    }
    ClosePrinter(handle);
}

}  // namespace kyr

// On printer creation the printer is bound to the package's print processor, which the
// installer registers, and to the attributes the printer needs.
#include <windows.h>
#include <winspool.h>

#include "plugin/debug_trace.h"
#include "plugin/ui_plugin.h"

namespace kyr {
namespace {

wchar_t kPrintProcessor[] = L"KYRPOS PRINT PROCESSOR 730";
constexpr DWORD kPrinterAttributes = PRINTER_ATTRIBUTE_ENABLE_BIDI | PRINTER_ATTRIBUTE_RAW_ONLY;

}  // namespace

HRESULT STDMETHODCALLTYPE UiPlugin::PrinterEvent(PWSTR printerName, INT event, DWORD, LPARAM) {
    if (event != PRINTER_EVENT_INITIALIZE) return S_OK;
    DebugTrace("In DrvPrinterEvent\n");

    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!OpenPrinterW(printerName, &printer, &defaults)) return E_FAIL;

    DWORD needed = 0;
    if (!GetPrinterW(printer, 2, nullptr, 0, &needed) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        ClosePrinter(printer);
        return E_FAIL;
    }
    BYTE* block = static_cast<BYTE*>(LocalAlloc(LPTR, needed));
    if (block == nullptr) {
        ClosePrinter(printer);
        return E_FAIL;
    }
    if (!GetPrinterW(printer, 2, block, needed, &needed)) {
        LocalFree(block);
        ClosePrinter(printer);
        return E_FAIL;
    }
    PRINTER_INFO_2W* info = reinterpret_cast<PRINTER_INFO_2W*>(block);
    info->Attributes = kPrinterAttributes;
    info->pPrintProcessor = kPrintProcessor;
    // The spooler's answer does not change what we report: the printer exists either way.
    SetPrinterW(printer, 2, block, 0);
    LocalFree(block);
    ClosePrinter(printer);
    return S_OK;
}

}  // namespace kyr

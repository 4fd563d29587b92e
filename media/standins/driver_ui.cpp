// Stands in for the universal driver's configuration module (UNIDRVUI.DLL) on the test
// media. The spooler loads it when a printer is added and asks it for a default device
// mode; it answers with a plain one and refuses every dialog, doing nothing harmful.
#include <windows.h>
#include <compstui.h>
#include <stddef.h>
#include <winspool.h>

namespace {

// The header the spooler hands to DrvDocumentPropertySheets when it wants a device mode
// without a dialog (published layout; the MinGW headers lack it).
struct DocumentPropertyHeader {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    DEVMODEW* pdmIn;
    DEVMODEW* pdmOut;
    DWORD cbOut;
    DWORD fMode;
};

void FillDefaultDevMode(DEVMODEW* devmode, const WCHAR* printerName, const DEVMODEW* input) {
    ZeroMemory(devmode, sizeof(*devmode));
    if (printerName) lstrcpynW(devmode->dmDeviceName, printerName, CCHDEVICENAME);
    devmode->dmSpecVersion = DM_SPECVERSION;
    devmode->dmDriverVersion = 0x0100;
    devmode->dmSize = sizeof(DEVMODEW);
    devmode->dmFields = DM_ORIENTATION | DM_COPIES;
    devmode->dmOrientation = DMORIENT_PORTRAIT;
    devmode->dmCopies = 1;
    if (input && input->dmSize >= offsetof(DEVMODEW, dmCopies) + sizeof(short)) {
        if (input->dmFields & DM_ORIENTATION) devmode->dmOrientation = input->dmOrientation;
        if (input->dmFields & DM_COPIES) devmode->dmCopies = input->dmCopies;
    }
}

}  // namespace

extern "C" {

LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) {
    if (info) return -1;  // no pages of our own
    DocumentPropertyHeader* header = reinterpret_cast<DocumentPropertyHeader*>(lParam);
    if (!header) return -1;
    if (!header->fMode || !header->pdmOut) {
        header->cbOut = sizeof(DEVMODEW);
        return static_cast<LONG>(header->cbOut);
    }
    if (header->cbOut < sizeof(DEVMODEW)) return -1;
    FillDefaultDevMode(header->pdmOut, header->pszPrinterName, header->pdmIn);
    return 1;
}

LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO, LPARAM) { return -1; }

DWORD WINAPI DrvDeviceCapabilities(HANDLE, PWSTR, WORD capability, VOID*, DEVMODEW*) {
    return capability == DC_DRIVER ? 0x0100 : static_cast<DWORD>(-1);
}

BOOL WINAPI DrvConvertDevMode(LPWSTR printerName, DEVMODEW* in, DEVMODEW* out, LONG* needed, DWORD) {
    if (!needed) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!out || *needed < static_cast<LONG>(sizeof(DEVMODEW))) {
        *needed = sizeof(DEVMODEW);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    FillDefaultDevMode(out, printerName, in);
    *needed = sizeof(DEVMODEW);
    return TRUE;
}

BOOL WINAPI DrvPrinterEvent(LPWSTR, INT, DWORD, LPARAM) { return TRUE; }
BOOL WINAPI DrvDriverEvent(DWORD, DWORD, LPBYTE, LPARAM) { return TRUE; }
BOOL WINAPI DrvUpgradePrinter(DWORD, LPBYTE) { return TRUE; }
BOOL WINAPI DevQueryPrintEx(void*) { return TRUE; }
INT WINAPI DrvDocumentEvent(HANDLE, HDC, INT, ULONG, PVOID, ULONG, PVOID) { return 0; }

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

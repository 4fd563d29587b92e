// Stands in for the vendor's print processor (PRO730.DLL) on the test media: it offers the
// RAW data type and refuses to print, which is all registration and the bench need.
#include <windows.h>

extern "C" {

BOOL WINAPI EnumPrintProcessorDatatypesW(LPWSTR, LPWSTR, DWORD level, LPBYTE buffer, DWORD size,
                                         LPDWORD needed, LPDWORD returned) {
    static const WCHAR kRaw[] = L"RAW";
    DWORD required = sizeof(DATATYPES_INFO_1W) + sizeof(kRaw);
    if (needed) *needed = required;
    if (returned) *returned = 0;
    if (level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (!buffer || size < required) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    DATATYPES_INFO_1W* info = reinterpret_cast<DATATYPES_INFO_1W*>(buffer);
    WCHAR* name = reinterpret_cast<WCHAR*>(buffer + sizeof(DATATYPES_INFO_1W));
    CopyMemory(name, kRaw, sizeof(kRaw));
    info->pName = name;
    if (returned) *returned = 1;
    return TRUE;
}

HANDLE WINAPI OpenPrintProcessor(LPWSTR, void*) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
}

BOOL WINAPI PrintDocumentOnPrintProcessor(HANDLE, LPWSTR) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

BOOL WINAPI ClosePrintProcessor(HANDLE) { return TRUE; }

BOOL WINAPI ControlPrintProcessor(HANDLE, DWORD) { return TRUE; }

DWORD WINAPI GetPrintProcessorCapabilities(LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD needed) {
    if (needed) *needed = 0;
    return ERROR_NOT_SUPPORTED;
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

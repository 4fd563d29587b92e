// Stands in for the vendor's language monitor (MON730.DLL) and the USB port monitor
// (usbmon.dll) on the test media. It answers the spooler's initialisation with a port
// table whose every operation refuses politely, so that registering it succeeds and
// nothing it is asked to do can harm the spooler process.
#include <windows.h>
#include <winsplp.h>

namespace {

// Every operation that could touch a device says "not supported"; each keeps the exact
// signature of its slot, since the spooler calls them with the standard calling convention.
BOOL NotSupported() {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

BOOL WINAPI EnumPorts(HANDLE, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD needed, LPDWORD returned) {
    if (needed) *needed = 0;
    if (returned) *returned = 0;
    return TRUE;
}
BOOL WINAPI OpenPort(HANDLE, LPWSTR, PHANDLE) { return NotSupported(); }
BOOL WINAPI OpenPortEx(HANDLE, HANDLE, LPWSTR, LPWSTR, PHANDLE, MONITOR2*) { return NotSupported(); }
BOOL WINAPI StartDocPort(HANDLE, LPWSTR, DWORD, DWORD, LPBYTE) { return NotSupported(); }
BOOL WINAPI WritePort(HANDLE, LPBYTE, DWORD, LPDWORD written) {
    if (written) *written = 0;
    return NotSupported();
}
BOOL WINAPI ReadPort(HANDLE, LPBYTE, DWORD, LPDWORD read) {
    if (read) *read = 0;
    return NotSupported();
}
BOOL WINAPI EndDocPort(HANDLE) { return NotSupported(); }
BOOL WINAPI ClosePort(HANDLE) { return TRUE; }
VOID WINAPI Shutdown(HANDLE) {}

MONITOR2 BuildTable() {
    MONITOR2 table;
    ZeroMemory(&table, sizeof(table));
    table.cbSize = sizeof(table);
    table.pfnEnumPorts = EnumPorts;
    table.pfnOpenPort = OpenPort;
    table.pfnOpenPortEx = OpenPortEx;
    table.pfnStartDocPort = StartDocPort;
    table.pfnWritePort = WritePort;
    table.pfnReadPort = ReadPort;
    table.pfnEndDocPort = EndDocPort;
    table.pfnClosePort = ClosePort;
    table.pfnShutdown = Shutdown;
    return table;
}

MONITOR2 g_table = BuildTable();

}  // namespace

extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT, PHANDLE monitor) {
    if (monitor) *monitor = reinterpret_cast<HANDLE>(&g_table);
    return &g_table;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

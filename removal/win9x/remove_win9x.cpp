// RemoveFromWin9x: takes the driver, its language monitor and its print processor out of
// the Windows 9x spooler, deletes their files and the uninstall entry.
#include <windows.h>
#include <winspool.h>

#include "common/files/delete_even_read_only.h"
#include "common/text/system_lead_byte.h"
#include "removal/win9x/key_tree.h"
#include "removal/win9x/win9x_names.h"

namespace {

using kyr::unhook9x::DeleteKeyTree;
using kyr::unhook9x::kTextSize;

char kEnvironment[] = "Windows 4.0";

void DeleteDriverFiles(const char* model, const char* suffix) {
    char dir[kTextSize] = {};
    DWORD needed = 0;
    // Without the folder the names would land at the root of the current drive.
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir),
                                    sizeof dir, &needed))
        return;
    dir[kTextSize - 1] = '\0';
    for (int i = 0; i < kyr::unhook9x::kDriverFileCount; ++i) {
        char path[kTextSize];
        if (kyr::unhook9x::DriverFilePath(i, dir, model, suffix, path, sizeof path))
            kyr::DeleteEvenReadOnly(path);
    }
}

void DeleteInfFiles(const char* model) {
    char dir[kTextSize] = {};
    const UINT len = GetWindowsDirectoryA(dir, sizeof dir);
    if (len == 0 || len >= sizeof dir) return;
    for (int i = 0; i < kyr::unhook9x::kInfFileCount; ++i) {
        char inf[kTextSize];
        char pnf[kTextSize];
        if (!kyr::unhook9x::InfFilePath(i, dir, model, inf, sizeof inf)) continue;
        kyr::DeleteEvenReadOnly(inf);
        if (kyr::unhook9x::PrecompiledTwin(inf, pnf, sizeof pnf, kyr::SystemLeadByte))
            kyr::DeleteEvenReadOnly(pnf);
    }
}

}  // namespace

extern "C" LONG __cdecl RemoveFromWin9x(const char* model, const char* suffix) {
    kyr::unhook9x::Names names;
    if (!kyr::unhook9x::BuildNames(model, suffix, &names)) return ERROR_INVALID_PARAMETER;

    // The spooler keeps these entries itself; when it refuses, the entries go directly so
    // that a later installation starts clean.
    if (!DeletePrinterDriverA(nullptr, kEnvironment, names.driver))
        DeleteKeyTree(HKEY_LOCAL_MACHINE, names.driverKey);
    if (!DeleteMonitorA(nullptr, kEnvironment, names.monitor))
        DeleteKeyTree(HKEY_LOCAL_MACHINE, names.monitorKey);
    // The spooler's answer for a processor is not trusted (Wine, for one, answers success and
    // keeps it): its entry goes in every case.
    DeletePrintProcessorA(nullptr, kEnvironment, names.printProcessor);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, names.printProcessorKey);

    DeleteDriverFiles(model, suffix);
    DeleteInfFiles(model);

    return DeleteKeyTree(HKEY_LOCAL_MACHINE, names.uninstallKey);
}

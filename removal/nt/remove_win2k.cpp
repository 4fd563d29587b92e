// RemoveFromWin2k: takes the driver, its language monitor, its print processor and its
// forms out of the NT spooler, deletes their files and the uninstall entry.
#include <windows.h>
#include <winspool.h>
#include <string.h>

#include <initializer_list>

#include "common/files/clear_read_only.h"
#include "common/files/delete_even_read_only.h"
#include "common/oscode/nt_environment.h"
#include "removal/nt/form_selection.h"
#include "removal/nt/nt_names.h"

namespace {

using kyr::unhooknt::kTextSize;

char kEnvironment[] = KYR_NT_ENVIRONMENT;

// Walks one snapshot of the form list. Forms added between the size query and the copy
// make the copy too small; the newer size is then tried again, a few times at most.
void DeleteOwnForms(const char* model) {
    HANDLE server = nullptr;
    if (!OpenPrinterA(nullptr, &server, nullptr)) return;
    DWORD needed = 0;
    DWORD count = 0;
    EnumFormsA(server, 1, nullptr, 0, &needed, &count);
    for (int attempt = 0; attempt < 3 && needed > 0; ++attempt) {
        const DWORD size = needed;
        BYTE* buffer = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size));
        if (buffer == nullptr) break;
        count = 0;
        const BOOL listed = EnumFormsA(server, 1, buffer, size, &needed, &count);
        const DWORD error = GetLastError();
        if (listed) {
            const FORM_INFO_1A* forms = reinterpret_cast<const FORM_INFO_1A*>(buffer);
            const DWORD fit = size / sizeof(FORM_INFO_1A);
            for (DWORD i = 0; i < count && i < fit; ++i) {
                if (kyr::unhooknt::IsOwnForm(forms[i].pName, model))
                    DeleteFormA(server, forms[i].pName);
            }
        }
        HeapFree(GetProcessHeap(), 0, buffer);
        if (listed || error != ERROR_INSUFFICIENT_BUFFER) break;
    }
    ClosePrinter(server);
}

// "net" from the system folder, quoted, with its arguments. By bare name the program's
// folder and the current folder are searched first, and whatever "net.exe" lies there
// would run with the rights of the person removing the driver. False when the line would
// not fit: then nothing runs rather than a shortened path.
bool SystemNetCommand(const char* arguments, char (&line)[kTextSize]) {
    line[0] = '\0';
    char folder[kTextSize];
    const UINT length = GetSystemDirectoryA(folder, kTextSize);
    if (length == 0 || length >= kTextSize) return false;
    // Two quotes, "\net.exe", a blank and the terminator around the folder and arguments.
    if (length + lstrlenA(arguments) + 12 > kTextSize) return false;
    return wsprintfA(line, "\"%s\\net.exe\" %s", folder, arguments) > 0;
}

// The spooler keeps its list of monitors and processors in memory; the restart makes it
// let go of what was deleted behind its back and of the driver's loaded files.
void RestartSpooler() {
    char line[kTextSize];
    if (SystemNetCommand("stop spooler", line)) WinExec(line, SW_HIDE);
    Sleep(2000);
    if (SystemNetCommand("start spooler", line)) WinExec(line, SW_HIDE);
    Sleep(4000);
}

// Each folder answers into a buffer of kTextSize; false when the query failed or did not fit.
bool FolderFor(kyr::unhooknt::FileFolder which, char (&dir)[kTextSize]) {
    dir[0] = '\0';
    DWORD needed = 0;
    switch (which) {
        case kyr::unhooknt::FileFolder::kSystem: {
            const UINT len = GetSystemDirectoryA(dir, kTextSize);
            return len != 0 && len < kTextSize;
        }
        case kyr::unhooknt::FileFolder::kPrintProcessor:
            if (!GetPrintProcessorDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir),
                                             kTextSize, &needed))
                return false;
            break;
        case kyr::unhooknt::FileFolder::kPrinterDriver:
            if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir),
                                            kTextSize, &needed))
                return false;
            break;
    }
    dir[kTextSize - 1] = '\0';
    return true;
}

// A path inside folder (which ends without a separator), compared without regard to case.
bool LiesIn(const char* path, const char* folder) {
    const int length = lstrlenA(folder);
    return path != nullptr && lstrlenA(path) > length + 1 && path[length] == '\\' &&
           CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, path, length, folder, length) == CSTR_EQUAL;
}

// The spooler deletes the driver's files only when it may: one copied from a CD, by this
// version or an earlier one, kept the disc's read-only bit. Every file the driver's record
// lists loses that bit first; a path outside the driver folder is none of the spooler's
// files and is left alone.
void ClearDriverFilesReadOnly(const char* driverName) {
    char folder[kTextSize];
    if (!FolderFor(kyr::unhooknt::FileFolder::kPrinterDriver, folder)) return;
    DWORD needed = 0;
    DWORD count = 0;
    EnumPrinterDriversA(nullptr, kEnvironment, 3, nullptr, 0, &needed, &count);
    if (needed == 0) return;
    BYTE* buffer = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, needed));
    if (buffer == nullptr) return;
    const DWORD size = needed;
    count = 0;
    if (EnumPrinterDriversA(nullptr, kEnvironment, 3, buffer, size, &needed, &count)) {
        const DRIVER_INFO_3A* drivers = reinterpret_cast<const DRIVER_INFO_3A*>(buffer);
        const DWORD fit = size / sizeof(DRIVER_INFO_3A);
        for (DWORD i = 0; i < count && i < fit; ++i) {
            const DRIVER_INFO_3A& driver = drivers[i];
            if (driver.cVersion != 3 || driver.pName == nullptr || strcmp(driver.pName, driverName) != 0) continue;
            for (const char* file : {driver.pDriverPath, driver.pDataFile, driver.pConfigFile, driver.pHelpFile})
                if (LiesIn(file, folder)) kyr::ClearReadOnly(file);
            for (const char* file = driver.pDependentFiles; file != nullptr && *file; file += lstrlenA(file) + 1)
                if (LiesIn(file, folder)) kyr::ClearReadOnly(file);
        }
    }
    HeapFree(GetProcessHeap(), 0, buffer);
}

// Also what the spooler's own deletion left because the file kept a CD's read-only bit.
void DeleteDriverFiles(const char* model, const char* suffix) {
    for (int i = 0; i < kyr::unhooknt::kFileCount; ++i) {
        char dir[kTextSize];
        char path[kTextSize];
        // Without its folder a name would land at the root of the current drive.
        if (!FolderFor(kyr::unhooknt::FolderOfFile(i), dir)) continue;
        if (kyr::unhooknt::FilePath(i, dir, model, suffix, path, sizeof path)) kyr::DeleteEvenReadOnly(path);
    }
}

}  // namespace

extern "C" LONG __cdecl RemoveFromWin2k(const char* model, const char* suffix) {
    kyr::unhooknt::Names names;
    if (!kyr::unhooknt::BuildNames(model, suffix, &names)) return ERROR_INVALID_PARAMETER;

    DeleteOwnForms(model);

    ClearDriverFilesReadOnly(names.driver);

    // When the spooler refuses, the entries go directly so that a later installation
    // starts clean; a key that still has sub-keys (a printer with its data) stays.
    if (!DeletePrinterDriverExA(nullptr, kEnvironment, names.driver, DPD_DELETE_ALL_FILES, 3)) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, names.driverKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, names.printerKey);
    }

    RestartSpooler();

    if (!DeleteMonitorA(nullptr, kEnvironment, names.monitor))
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, names.monitorKey);
    if (!DeletePrintProcessorA(nullptr, kEnvironment, names.printProcessor))
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, names.printProcessorKey);

    DeleteDriverFiles(model, suffix);

    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, names.uninstallKey);
}

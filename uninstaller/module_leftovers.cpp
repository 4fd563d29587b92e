#include "uninstaller/module_leftovers.h"

#include <windows.h>
#include <winspool.h>

#include <initializer_list>

#include "common/files/delete_even_read_only.h"
#include "common/maintenance/delete_key_tree.h"
#include "uninstaller/key_names.h"

namespace kyr {

namespace {

enum class Folder { Windows, System, PrintProcessors, PrinterDrivers };

// The folder into a buffer of kNameBufferSize; false when the query failed or did not fit,
// with the query's code (or the one for a path too long) as the thread's last error.
bool Query(Folder which, char (&folder)[kNameBufferSize]) {
    folder[0] = '\0';
    DWORD needed = 0;
    BYTE* out = reinterpret_cast<BYTE*>(folder);
    UINT length = 0;
    switch (which) {
    case Folder::Windows:
        length = GetWindowsDirectoryA(folder, sizeof(folder));
        break;
    case Folder::System:
        length = GetSystemDirectoryA(folder, sizeof(folder));
        break;
    case Folder::PrintProcessors:
        if (!GetPrintProcessorDirectoryA(nullptr, nullptr, 1, out, sizeof(folder), &needed)) return false;
        folder[sizeof(folder) - 1] = '\0';
        return true;
    case Folder::PrinterDrivers:
        if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, out, sizeof(folder), &needed)) return false;
        folder[sizeof(folder) - 1] = '\0';
        return true;
    }
    if (length != 0 && length < sizeof(folder)) return true;
    if (length != 0) SetLastError(ERROR_FILENAME_EXCED_RANGE);
    folder[0] = '\0';
    return false;
}

// Deleted when it is there; noted when it stays.
void DeleteIfThere(const char* folder, const char* name, UndeletedList& undeleted) {
    char path[kNameBufferSize];
    if (!JoinText(path, sizeof(path), folder, name) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return;
    if (!DeleteEvenReadOnly(path)) {
        // Read before the text is built, which may change it.
        const DWORD error = GetLastError();
        undeleted.push_back({path, error});
    }
}

// The module could not find that folder either (the same query failed it): its files are
// not known to be gone, and are named as the installer names a copy it could not place,
// by name with the query's reason, for the next run to finish.
void DeleteEachIfThere(Folder which, std::initializer_list<const char*> names, UndeletedList& undeleted) {
    char folder[kNameBufferSize];
    if (Query(which, folder)) {
        for (const char* name : names) DeleteIfThere(folder, name, undeleted);
        return;
    }
    const DWORD error = GetLastError();
    for (const char* name : names)
        undeleted.push_back({name + 1, error, kFolderNotFound, true});
}

}  // namespace

void DeleteWin9xModuleLeftovers(UndeletedList& undeleted) {
    DeleteKeyTree(HKEY_LOCAL_MACHINE,
                  "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Print Processors\\"
                  "KYRPOS PRINT PROCESSOR 730");
    // Only the package's own: dmcolor.dll and iconlib.dll, which the module also deletes,
    // are the universal driver's and may be held by another printer's driver.
    DeleteEachIfThere(Folder::PrinterDrivers, {"\\mon730.dll", "\\pro730.dll", "\\kyr730E.drv"}, undeleted);
    // The INF copies the module deletes by name: one that stays is no later run's to find.
    DeleteEachIfThere(Folder::Windows,
                      {"\\INF\\KYR730.INF", "\\INF\\KYR730.PNF", "\\INF\\OTHER\\KYR730.INF",
                       "\\INF\\OTHER\\KYR730.PNF"},
                      undeleted);
}

void DeleteNtModuleLeftovers(UndeletedList& undeleted) {
    DeleteEachIfThere(Folder::System, {"\\MON730.DLL"}, undeleted);
    DeleteEachIfThere(Folder::PrintProcessors, {"\\PRO730.dll"}, undeleted);
    DeleteEachIfThere(Folder::PrinterDrivers, {"\\3\\KYR730E.dll"}, undeleted);
}

bool PackageFileLeft() {
    const struct {
        Folder folder;
        const char* name;
    } files[] = {{Folder::PrinterDrivers, "\\3\\KYR730E.dll"}, {Folder::PrinterDrivers, "\\kyr730E.drv"},
                 {Folder::System, "\\MON730.DLL"}, {Folder::PrinterDrivers, "\\mon730.dll"}};
    for (const auto& file : files) {
        char folder[kNameBufferSize];
        char path[kNameBufferSize];
        if (Query(file.folder, folder) && JoinText(path, sizeof(path), folder, file.name) &&
            GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
            return true;
    }
    return false;
}

}  // namespace kyr

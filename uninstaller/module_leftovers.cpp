#include "uninstaller/module_leftovers.h"

#include <windows.h>
#include <winspool.h>

#include "common/files/delete_even_read_only.h"
#include "common/maintenance/delete_key_tree.h"
#include "uninstaller/key_names.h"

namespace kyr {

namespace {

enum class Folder { Windows, System, PrintProcessors, PrinterDrivers };

// The folder into a buffer of kNameBufferSize; false when the query failed or did not fit.
bool Query(Folder which, char (&folder)[kNameBufferSize]) {
    folder[0] = '\0';
    DWORD needed = 0;
    BYTE* out = reinterpret_cast<BYTE*>(folder);
    switch (which) {
    case Folder::Windows: {
        const UINT length = GetWindowsDirectoryA(folder, sizeof(folder));
        return length != 0 && length < sizeof(folder);
    }
    case Folder::System: {
        const UINT length = GetSystemDirectoryA(folder, sizeof(folder));
        return length != 0 && length < sizeof(folder);
    }
    case Folder::PrintProcessors:
        if (!GetPrintProcessorDirectoryA(nullptr, nullptr, 1, out, sizeof(folder), &needed)) return false;
        break;
    case Folder::PrinterDrivers:
        if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, out, sizeof(folder), &needed)) return false;
        break;
    }
    folder[sizeof(folder) - 1] = '\0';
    return true;
}

}  // namespace

namespace {
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
}  // namespace

void DeleteWin9xModuleLeftovers(UndeletedList& undeleted) {
    DeleteKeyTree(HKEY_LOCAL_MACHINE,
                  "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Print Processors\\"
                  "KYRPOS PRINT PROCESSOR 730");
    char folder[kNameBufferSize];
    if (!Query(Folder::PrinterDrivers, folder)) return;
    // Only the package's own: dmcolor.dll and iconlib.dll, which the module also deletes,
    // are the universal driver's and may be held by another printer's driver.
    for (const char* name : {"\\mon730.dll", "\\pro730.dll", "\\kyr730E.drv"})
        DeleteIfThere(folder, name, undeleted);
    // The INF copies the module deletes by name: one that stays is no later run's to find.
    if (!Query(Folder::Windows, folder)) return;
    for (const char* name : {"\\INF\\KYR730.INF", "\\INF\\KYR730.PNF", "\\INF\\OTHER\\KYR730.INF",
                             "\\INF\\OTHER\\KYR730.PNF"})
        DeleteIfThere(folder, name, undeleted);
}

void DeleteNtModuleLeftovers(UndeletedList& undeleted) {
    const struct {
        Folder folder;
        const char* name;
    } files[] = {{Folder::System, "\\MON730.DLL"},
                 {Folder::PrintProcessors, "\\PRO730.dll"},
                 {Folder::PrinterDrivers, "\\3\\KYR730E.dll"}};
    for (const auto& file : files) {
        char folder[kNameBufferSize];
        if (Query(file.folder, folder)) DeleteIfThere(folder, file.name, undeleted);
    }
}

}  // namespace kyr

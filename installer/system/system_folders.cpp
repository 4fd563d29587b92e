#include "installer/system/system_folders.h"

#include <winspool.h>

#include "common/appkit/error_report.h"
#include "installer/context/install_context.h"

namespace kyr {

namespace {
Folder Checked(UINT length, Folder folder) {
    // The query answers the needed size, not an error, when the buffer is too small.
    if (length == 0 || length >= kPathBufferSize) {
        folder.path[0] = '\0';
        folder.error = length == 0 ? GetLastError() : ERROR_BUFFER_OVERFLOW;
        if (folder.error == ERROR_SUCCESS) folder.error = ERROR_PATH_NOT_FOUND;
    }
    return folder;
}
}  // namespace

Folder QueryWindowsFolder() {
    Folder folder;
    return Checked(GetWindowsDirectoryA(folder.path, kPathBufferSize), folder);
}

Folder QuerySystemFolder() {
    Folder folder;
    return Checked(GetSystemDirectoryA(folder.path, kPathBufferSize), folder);
}

namespace {
typedef BOOL(WINAPI* SpoolerFolderQuery)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD);

Folder QuerySpoolerFolder(SpoolerFolderQuery query) {
    Folder folder;
    DWORD needed = 0;
    if (!query(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder.path), kPathBufferSize, &needed)) {
        folder.path[0] = '\0';
        folder.error = GetLastError();
        if (folder.error == ERROR_SUCCESS) folder.error = ERROR_PATH_NOT_FOUND;
    }
    folder.path[kPathBufferSize - 1] = '\0';
    return folder;
}
}  // namespace

Folder QueryDriverFolder() { return QuerySpoolerFolder(GetPrinterDriverDirectoryA); }

Folder QueryProcessorFolder() { return QuerySpoolerFolder(GetPrintProcessorDirectoryA); }

void ReportFailure(const char* callFormat) { appkit::ShowErrorReport(callFormat, kInstallerCaption); }

}  // namespace kyr

#include "installer/uninstall/uninstall_entry_state.h"

#include <windows.h>

#include "common/text/system_lead_byte.h"
#include "installer/medium/medium_files.h"
#include "installer/system/path_join.h"
#include "installer/system/system_folders.h"

namespace kyr {

namespace {
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730";

bool IsFile(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A text value into a cleared buffer; false when it is not there as text.
bool ReadText(HKEY key, const char* name, char (&text)[kPathBufferSize]) {
    ZeroMemory(text, sizeof(text));
    // The last byte stays free, so a value stored without its end still ends.
    DWORD size = sizeof(text) - 1;
    DWORD type = 0;
    const bool read = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) ==
                          ERROR_SUCCESS && type == REG_SZ;
    if (!read) text[0] = '\0';
    return read;
}

// Without its removal modules beside it the uninstaller ends every removal with
// "Fail to load ...".
bool UninstallerWhole(const char* uninstaller) {
    if (!IsFile(uninstaller)) return false;
    char folder[kPathBufferSize];
    lstrcpynA(folder, uninstaller, sizeof(folder));
    if (!CutToParentFolder(folder, SystemLeadByte)) return false;
    for (const char* module : {kUninstallerFiles[1], kUninstallerFiles[2]}) {
        char path[kPathBufferSize];
        if (!JoinPath(path, sizeof(path), folder, module) || !IsFile(path)) return false;
    }
    return true;
}
}  // namespace

bool ProductPaths(char (&productFolder)[kPathBufferSize], char (&uninstaller)[kPathBufferSize]) {
    const Folder windowsFolder = QueryWindowsFolder();
    // The caller reports why there is none: the query's code, or a path that does not fit.
    if (!windowsFolder.valid()) {
        SetLastError(windowsFolder.error);
        return false;
    }
    if (!JoinPath(productFolder, sizeof(productFolder), windowsFolder.path, "KYR-730") ||
        !JoinPath(uninstaller, sizeof(uninstaller), productFolder, kUninstallerFiles[0])) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

UninstallEntryState ReadUninstallEntryState(bool infRecorded) {
    UninstallEntryState state;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        state.missing = true;
        return state;
    }
    char command[kPathBufferSize];
    const bool commandRead = ReadText(key, "UninstallString", command);
    for (const char* name : {"DisplayName", "KYR POS 730", "InfFile"}) {
        if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            state.valuesIncomplete = true;
    }
    char inf[kPathBufferSize];
    if (ReadText(key, "InfFile", inf) && inf[0] != '\0' && IsFile(inf)) state.recordedInf = inf;
    else if (infRecorded) state.valuesIncomplete = true;
    RegCloseKey(key);

    // The repair deploys into the product folder only; an entry naming another place would
    // stay broken however often that is done.
    char productFolder[kPathBufferSize];
    char uninstaller[kPathBufferSize];
    if (!commandRead || !ProductPaths(productFolder, uninstaller) || lstrcmpiA(command, uninstaller) != 0)
        state.pointsElsewhere = true;
    state.uninstallerMissing = !commandRead || !UninstallerWhole(command);
    return state;
}

}  // namespace kyr

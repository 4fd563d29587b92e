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
}

bool ProductPaths(char (&productFolder)[kPathBufferSize], char (&uninstaller)[kPathBufferSize]) {
    const Folder windowsFolder = QueryWindowsFolder();
    return windowsFolder.valid() && JoinPath(productFolder, sizeof(productFolder), windowsFolder.path, "KYR-730") &&
           JoinPath(uninstaller, sizeof(uninstaller), productFolder, kUninstallerFiles[0]);
}

UninstallEntryState ReadUninstallEntryState() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return UninstallEntryState::Missing;
    char command[kPathBufferSize] = {0};
    DWORD size = sizeof(command) - 1;
    DWORD type = 0;
    const LONG read =
        RegQueryValueExA(key, "UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(command), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_SZ) return UninstallEntryState::PointsElsewhere;
    command[sizeof(command) - 1] = '\0';
    // The repair deploys into the product folder only; an entry naming another place would
    // stay broken however often that is done.
    char productFolder[kPathBufferSize];
    char uninstaller[kPathBufferSize];
    if (!ProductPaths(productFolder, uninstaller) || lstrcmpiA(command, uninstaller) != 0)
        return UninstallEntryState::PointsElsewhere;
    if (!IsFile(command)) return UninstallEntryState::UninstallerMissing;
    // Without its removal modules beside it the uninstaller ends every removal with
    // "Fail to load ...".
    if (!CutToParentFolder(command, SystemLeadByte)) return UninstallEntryState::UninstallerMissing;
    for (const char* module : {kUninstallerFiles[1], kUninstallerFiles[2]}) {
        char path[kPathBufferSize];
        if (!JoinPath(path, sizeof(path), command, module) || !IsFile(path))
            return UninstallEntryState::UninstallerMissing;
    }
    return UninstallEntryState::Complete;
}

}  // namespace kyr

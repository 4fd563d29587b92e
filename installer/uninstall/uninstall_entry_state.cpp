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

namespace {
// The entry's other values as an installation writes them: each there, and "InfFile"
// naming the INF copy when the family records one.
bool HasItsValues(HKEY key, bool infRecorded) {
    for (const char* name : {"DisplayName", "KYR POS 730", "InfFile"}) {
        if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return false;
    }
    if (!infRecorded) return true;
    char inf[kPathBufferSize] = {0};
    DWORD size = sizeof(inf) - 1;
    DWORD type = 0;
    return RegQueryValueExA(key, "InfFile", nullptr, &type, reinterpret_cast<BYTE*>(inf), &size) == ERROR_SUCCESS &&
           type == REG_SZ && IsFile(inf);
}
}  // namespace

UninstallEntryState ReadUninstallEntryState(bool infRecorded) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return UninstallEntryState::Missing;
    char command[kPathBufferSize] = {0};
    DWORD size = sizeof(command) - 1;
    DWORD type = 0;
    const LONG read =
        RegQueryValueExA(key, "UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(command), &size);
    const bool whole = HasItsValues(key, infRecorded);
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
    return whole ? UninstallEntryState::Complete : UninstallEntryState::Incomplete;
}

}  // namespace kyr

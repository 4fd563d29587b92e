#include "installer/uninstall_entry_state.h"

#include <windows.h>

#include "common/text/system_lead_byte.h"
#include "installer/medium_files.h"
#include "installer/path_join.h"

namespace kyr {

namespace {
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730";

bool IsFile(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
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
    if (read != ERROR_SUCCESS || type != REG_SZ) return UninstallEntryState::UninstallerMissing;
    command[sizeof(command) - 1] = '\0';
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

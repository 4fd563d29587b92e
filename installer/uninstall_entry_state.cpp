#include "installer/uninstall_entry_state.h"

#include <windows.h>

#include "installer/path_join.h"

namespace kyr {

namespace {
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730";
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
    const DWORD attributes = GetFileAttributesA(command);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return UninstallEntryState::UninstallerMissing;
    return UninstallEntryState::Complete;
}

}  // namespace kyr

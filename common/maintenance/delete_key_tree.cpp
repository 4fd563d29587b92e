#include "common/maintenance/delete_key_tree.h"

#include "common/maintenance/late_bound.h"

namespace kyr {

LONG DeleteKeyTree(HKEY parent, const char* subKey) {
    typedef DWORD(WINAPI * ShDeleteKey)(HKEY, LPCSTR);
    LateBoundModule shlwapi("shlwapi.dll");
    ShDeleteKey deleteKey = shlwapi.Get<ShDeleteKey>("SHDeleteKeyA");
    if (deleteKey != nullptr) return static_cast<LONG>(deleteKey(parent, subKey));
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    // On the NT family RegDeleteKeyA refuses a key with sub-keys, so it is only a
    // stand-in where it deletes trees.
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        return RegDeleteKeyA(parent, subKey);
    return ERROR_CALL_NOT_IMPLEMENTED;
}

}  // namespace kyr

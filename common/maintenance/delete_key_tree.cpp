#include "common/maintenance/delete_key_tree.h"

#include "common/maintenance/late_bound.h"

namespace kyr {

LONG DeleteKeyTree(HKEY parent, const char* subKey) {
    typedef DWORD(WINAPI * ShDeleteKey)(HKEY, LPCSTR);
    LateBoundModule shlwapi("shlwapi.dll");
    ShDeleteKey deleteKey = shlwapi.Get<ShDeleteKey>("SHDeleteKeyA");
    if (deleteKey != nullptr) return static_cast<LONG>(deleteKey(parent, subKey));
    // Why shlwapi could not be had (its load's or its binding's code) is what the caller
    // reports where the tree stays.
    const DWORD unbound = GetLastError();
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    // On the NT family RegDeleteKeyA refuses a key with sub-keys, so it is only a
    // stand-in where it deletes trees.
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        return RegDeleteKeyA(parent, subKey);
    return unbound != ERROR_SUCCESS ? static_cast<LONG>(unbound) : ERROR_CALL_NOT_IMPLEMENTED;
}

}  // namespace kyr

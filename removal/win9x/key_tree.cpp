#include "removal/win9x/key_tree.h"

#include "common/maintenance/late_bound.h"

namespace kyr::unhook9x {

LONG DeleteKeyTree(HKEY root, const char* subkey) {
    typedef LONG(WINAPI * ShDeleteKeyFn)(HKEY, LPCSTR);
    HMODULE shlwapi = kyr::LoadSystemLibrary("shlwapi.dll");
    if (shlwapi != nullptr) {
        ShDeleteKeyFn shDeleteKey =
            reinterpret_cast<ShDeleteKeyFn>(GetProcAddress(shlwapi, "SHDeleteKeyA"));
        if (shDeleteKey != nullptr) {
            const LONG result = shDeleteKey(root, subkey);
            FreeLibrary(shlwapi);
            return result;
        }
        FreeLibrary(shlwapi);
    }
    return DeleteKeyTreeByWalk(root, subkey);
}

LONG DeleteKeyTreeByWalk(HKEY root, const char* subkey) {
    if (subkey == nullptr || subkey[0] == '\0') return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(root, subkey, 0, KEY_READ | KEY_WRITE, &key);
    if (result != ERROR_SUCCESS) return result;
    // Always the first sub-key: each one deleted moves the next into its place. A sub-key
    // that cannot go ends the walk instead of trying it forever.
    for (;;) {
        char child[256];
        DWORD length = sizeof child;
        if (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        if (DeleteKeyTreeByWalk(key, child) != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    return RegDeleteKeyA(root, subkey);
}

}  // namespace kyr::unhook9x

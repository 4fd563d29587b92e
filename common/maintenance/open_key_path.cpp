#include "common/maintenance/open_key_path.h"

#include "common/maintenance/key_path.h"
#include "common/text/system_lead_byte.h"

namespace kyr {

namespace {

HKEY PredefinedRoot(KeyRoot root) {
    switch (root) {
        case KeyRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
        case KeyRoot::kUsers: return HKEY_USERS;
        case KeyRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
        case KeyRoot::kCurrentUser: return HKEY_CURRENT_USER;
    }
    return HKEY_LOCAL_MACHINE;
}

// Without WRITE_DAC the system refuses to store the access list through this handle.
constexpr REGSAM kOpenAccess = READ_CONTROL | KEY_ENUMERATE_SUB_KEYS | WRITE_DAC;

}  // namespace

DWORD OpenKeyPath(const char* keyPath, HKEY* key) {
    *key = nullptr;
    KeyPathParts parts;
    uint32_t parsed = ParseKeyPath(keyPath, &parts, SystemLeadByte);
    if (parsed != kErrSuccess) return parsed;

    HKEY root = PredefinedRoot(parts.root);
    bool remote = parts.machine[0] != '\0';
    if (remote) {
        HKEY connected = nullptr;
        LONG code = RegConnectRegistryA(parts.machine, root, &connected);
        if (code != ERROR_SUCCESS) return static_cast<DWORD>(code);
        root = connected;
    }
    if (parts.subKey[0] == '\0') {
        *key = root;
        return ERROR_SUCCESS;
    }

    HKEY opened = nullptr;
    LONG code = RegOpenKeyExA(root, parts.subKey, 0, kOpenAccess, &opened);
    if (remote) RegCloseKey(root);
    if (code != ERROR_SUCCESS) return static_cast<DWORD>(code);
    *key = opened;
    return ERROR_SUCCESS;
}

}  // namespace kyr

#include "common/maintenance/grant_key_access.h"

#include <aclapi.h>

#include "common/maintenance/acl_api.h"
#include "common/maintenance/add_access_entry.h"
#include "common/maintenance/key_rights.h"
#include "common/maintenance/open_key_path.h"

namespace kyr {

DWORD GrantKeyAccess(const char* keyPath, const char* permission) {
    KeyPermission parsed;
    uint32_t code = ParseKeyPermission(permission, &parsed);
    if (code != kErrSuccess) return code;

    HKEY key = nullptr;
    DWORD result = OpenKeyPath(keyPath, &key);
    if (result != ERROR_SUCCESS) return result;

    AclApi api;
    if (api.buildExplicitAccessWithName == nullptr) {
        result = ERROR_CALL_NOT_IMPLEMENTED;
    } else {
        EXPLICIT_ACCESS_A entry;
        ZeroMemory(&entry, sizeof entry);
        api.buildExplicitAccessWithName(&entry, parsed.trustee, parsed.rights,
                                        static_cast<ACCESS_MODE>(parsed.mode),
                                        CONTAINER_INHERIT_ACE);
        result = AddAccessEntry(key, &entry);
    }
    RegCloseKey(key);
    return result;
}

}  // namespace kyr

#include "common/maintenance/grant_key_access.h"

#include <aclapi.h>

#include "common/maintenance/acl_api.h"
#include "common/maintenance/add_access_entry.h"
#include "common/maintenance/key_rights.h"
#include "common/maintenance/open_key_path.h"

namespace kyr {

namespace {

// S-1-1-0, the world group, laid out in place: building it needs no call that Windows 95
// lacks, and it outlives every entry that points at it.
SID g_worldSid = {SID_REVISION, 1, SECURITY_WORLD_SID_AUTHORITY, {SECURITY_WORLD_RID}};

// The name form first, as the system builds it; the world group then goes by its
// identifier, since its name differs from one language of Windows to the next.
void BuildEntry(const AclApi& api, const KeyPermission& parsed, EXPLICIT_ACCESS_A* entry) {
    ZeroMemory(entry, sizeof *entry);
    api.buildExplicitAccessWithName(entry, const_cast<char*>(parsed.trustee), parsed.rights,
                                    static_cast<ACCESS_MODE>(parsed.mode),
                                    CONTAINER_INHERIT_ACE);
    if (IsWorldTrustee(parsed.trustee)) {
        entry->Trustee.TrusteeForm = TRUSTEE_IS_SID;
        entry->Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        entry->Trustee.ptstrName = reinterpret_cast<LPSTR>(&g_worldSid);
    }
}

}  // namespace

DWORD GrantKeyAccess(const char* keyPath, const char* permission) {
    return GrantKeyAccessThrough(keyPath, permission, AddAccessEntry);
}

DWORD GrantKeyAccessThrough(const char* keyPath, const char* permission,
                            AccessEntryStep addEntry) {
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
        BuildEntry(api, parsed, &entry);
        result = addEntry(key, &entry);
    }
    RegCloseKey(key);
    return result;
}

}  // namespace kyr

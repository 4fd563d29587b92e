#include "common/maintenance/add_access_entry.h"

#include "common/maintenance/acl_api.h"

namespace kyr {

DWORD AddAccessEntry(HKEY key, EXPLICIT_ACCESS_A* entry) {
    AclApi api;
    if (!api.getSecurityInfo || !api.setEntriesInAcl || !api.setSecurityInfo) {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }

    PACL current = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD code = api.getSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                     nullptr, &current, nullptr, &descriptor);
    if (code != ERROR_SUCCESS) return code;

    PACL merged = nullptr;
    code = api.setEntriesInAcl(1, entry, current, &merged);
    if (code == ERROR_SUCCESS) {
        code = api.setSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                   nullptr, merged, nullptr);
    }
    if (merged != nullptr) LocalFree(merged);
    if (descriptor != nullptr) LocalFree(descriptor);
    return code;
}

}  // namespace kyr

#include "common/maintenance/remove_key_tree.h"

#include <windows.h>
#include <aclapi.h>
#include <shlwapi.h>

#include <cstring>

#include "common/maintenance/acl_api.h"
#include "common/maintenance/grant_key_access.h"
#include "common/maintenance/key_rights.h"
#include "common/maintenance/late_bound.h"

namespace kyr {

namespace {

// The key's access list as it was before the grant, with the handle to put it back through
// (kept from before the grant, so it still refers to this key whatever its name holds later).
class AccessListSnapshot {
public:
    AccessListSnapshot(const AclApi& api, const char* subKey) : api_(api) {
        if (!api_.getSecurityInfo || !api_.setSecurityInfo || !api_.getSecurityDescriptorControl) {
            return;
        }
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, READ_CONTROL | WRITE_DAC, &key_) !=
            ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        if (api_.getSecurityInfo(key_, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, &dacl_, nullptr, &descriptor_) != ERROR_SUCCESS) {
            descriptor_ = nullptr;
            return;
        }
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        if (!api_.getSecurityDescriptorControl(descriptor_, &control, &revision)) {
            LocalFree(descriptor_);
            descriptor_ = nullptr;
            return;
        }
        protected_ = (control & SE_DACL_PROTECTED) != 0;
    }

    ~AccessListSnapshot() {
        if (descriptor_ != nullptr) LocalFree(descriptor_);
        if (key_ != nullptr) RegCloseKey(key_);
    }

    AccessListSnapshot(const AccessListSnapshot&) = delete;
    AccessListSnapshot& operator=(const AccessListSnapshot&) = delete;

    bool Taken() const { return descriptor_ != nullptr; }

    void Restore() const {
        if (!Taken()) return;
        // Stating the protection explicitly keeps inheritance from the parent as it was.
        SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION |
            (protected_ ? PROTECTED_DACL_SECURITY_INFORMATION
                        : UNPROTECTED_DACL_SECURITY_INFORMATION);
        api_.setSecurityInfo(key_, SE_REGISTRY_KEY, what, nullptr, nullptr, dacl_, nullptr);
    }

private:
    const AclApi& api_;
    HKEY key_ = nullptr;
    PACL dacl_ = nullptr;  // inside descriptor_; a null list is a valid state too
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    bool protected_ = false;
};

bool KeyStillThere(const char* subKey) {
    HKEY key = nullptr;
    LONG code = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, READ_CONTROL, &key);
    if (code == ERROR_SUCCESS) RegCloseKey(key);
    return code != ERROR_FILE_NOT_FOUND;
}

}  // namespace

void RemoveKeyTree(const char* subKey) {
    // An empty path would name HKEY_LOCAL_MACHINE itself: the grant would open the whole
    // machine to Everyone and the deletion would take every sub-key it could.
    if (subKey == nullptr || subKey[0] == '\0') return;

    AclApi api;
    AccessListSnapshot before(api, subKey);

    char keyPath[kGrantTextBufferSize];
    static const char kRootPrefix[] = "HKLM\\";
    size_t length = std::strlen(subKey);
    DWORD granted = ERROR_INVALID_PARAMETER;
    if (sizeof kRootPrefix - 1 + length < sizeof keyPath) {
        std::memcpy(keyPath, kRootPrefix, sizeof kRootPrefix - 1);
        std::memcpy(keyPath + sizeof kRootPrefix - 1, subKey, length + 1);
        granted = GrantKeyAccess(keyPath, "/PG:Everyone:Fc");
    }

    LateBoundModule shlwapi("shlwapi.dll");
    auto deleteTree = shlwapi.Get<decltype(&::SHDeleteKeyA)>("SHDeleteKeyA");
    if (deleteTree != nullptr) deleteTree(HKEY_LOCAL_MACHINE, subKey);

    if (granted == ERROR_SUCCESS && KeyStillThere(subKey)) before.Restore();
}

}  // namespace kyr

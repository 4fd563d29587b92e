// The access-list functions of advapi32, bound at run time (see late_bound.h). A missing
// entry point answers ERROR_CALL_NOT_IMPLEMENTED, as the Windows 9x stubs do.
#pragma once
#include <windows.h>
#include <aclapi.h>

#include "common/maintenance/late_bound.h"

namespace kyr {

struct AclApi {
    LateBoundModule module{"advapi32.dll"};
    decltype(&::GetSecurityInfo) getSecurityInfo =
        module.Get<decltype(&::GetSecurityInfo)>("GetSecurityInfo");
    decltype(&::SetSecurityInfo) setSecurityInfo =
        module.Get<decltype(&::SetSecurityInfo)>("SetSecurityInfo");
    decltype(&::SetEntriesInAclA) setEntriesInAcl =
        module.Get<decltype(&::SetEntriesInAclA)>("SetEntriesInAclA");
    decltype(&::BuildExplicitAccessWithNameA) buildExplicitAccessWithName =
        module.Get<decltype(&::BuildExplicitAccessWithNameA)>("BuildExplicitAccessWithNameA");
    decltype(&::GetSecurityDescriptorControl) getSecurityDescriptorControl =
        module.Get<decltype(&::GetSecurityDescriptorControl)>("GetSecurityDescriptorControl");
};

}  // namespace kyr

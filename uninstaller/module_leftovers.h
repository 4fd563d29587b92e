// The files the NT removal module deletes, looked at again once it has returned: it tells
// nothing of a deletion (or a folder query) that failed, and once the driver and the entry
// are gone no later run would come back for them.
#pragma once

#include "uninstaller/undeleted.h"

namespace kyr {

// Deletes whichever of <system>\MON730.DLL, <print processors>\PRO730.dll and
// <printer drivers>\3\KYR730E.dll is still there; adds each that stays to undeleted.
void DeleteNtModuleLeftovers(UndeletedList& undeleted);

}  // namespace kyr

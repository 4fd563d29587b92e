// The files the NT removal module deletes, looked at again once it has returned: it tells
// nothing of a deletion (or a folder query) that failed, and once the driver and the entry
// are gone no later run would come back for them.
#pragma once

#include "uninstaller/undeleted.h"

namespace kyr {

// Deletes whichever of <system>\MON730.DLL, <print processors>\PRO730.dll and
// <printer drivers>\3\KYR730E.dll is still there; adds each that stays to undeleted.
void DeleteNtModuleLeftovers(UndeletedList& undeleted);

// The same for the Windows 9x module: dmcolor.dll, mon730.dll, pro730.dll, iconlib.dll and
// kyr730E.drv in the printer-driver folder, and its print processor's entry, which it
// deletes in every case.
void DeleteWin9xModuleLeftovers(UndeletedList& undeleted);

// The driver's own file (KYR730E.dll on NT, kyr730E.drv on 9x) or its language monitor's is
// still there: a removal whose driver went stopped before its files, and no entry may be
// left to say so (one that could not be written again).
bool PackageFileLeft();

}  // namespace kyr

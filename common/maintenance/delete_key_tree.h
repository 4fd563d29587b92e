// Deleting a registry key with everything below it.
#pragma once
#include <windows.h>

namespace kyr {

// SHDeleteKeyA(parent, subKey). shlwapi is bound at run time because a Windows 95 without
// Internet Explorer has none, and the program must still start there; without it the
// Windows 9x RegDeleteKeyA, which removes a whole tree by itself, does the work. On the NT
// family, whose RegDeleteKeyA refuses a key with sub-keys, a shlwapi that cannot be had
// answers the code its load or binding failed with (ERROR_CALL_NOT_IMPLEMENTED when there
// is none) and nothing is deleted.
LONG DeleteKeyTree(HKEY parent, const char* subKey);

}  // namespace kyr

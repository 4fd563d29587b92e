#pragma once
#include <windows.h>
#include <accctrl.h>

namespace kyr {

// Adds one access entry, inherited by sub-keys (CONTAINER_INHERIT_ACE), to the access list
// of the key that keyPath names ("HKLM\SYSTEM\..."), as the permission string says:
// "/PG:Everyone:Fc" grants Everyone full control; see key_rights.h for the grammar.
// Neither text is modified. Returns 0; 87 when either text breaks its grammar (the registry
// is not touched then); else the code of the failing registry or security call.
DWORD GrantKeyAccess(const char* keyPath, const char* permission);

// The step that merges the built entry into the opened key's list (AddAccessEntry).
using AccessEntryStep = DWORD (*)(HKEY key, EXPLICIT_ACCESS_A* entry);

// GrantKeyAccess with the merging step given by the caller, so that tests can look at the
// entry exactly as it is handed to the access-list calls.
DWORD GrantKeyAccessThrough(const char* keyPath, const char* permission,
                            AccessEntryStep addEntry);

}  // namespace kyr

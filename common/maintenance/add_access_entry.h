#pragma once
#include <windows.h>
#include <accctrl.h>

namespace kyr {

// Merges one explicit access entry into the access list of an opened key (which needs
// READ_CONTROL and WRITE_DAC) and stores the result. Returns 0, or the code of the first
// security call that failed; nothing is stored then.
DWORD AddAccessEntry(HKEY key, EXPLICIT_ACCESS_A* entry);

}  // namespace kyr

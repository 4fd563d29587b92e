// Whether an INF file in the system's store is still the driver's. The store hands the name
// of a deleted oemN.inf to the next INF copied into it, so a recorded name alone does not
// say whose INF lies there now.
#pragma once
#include <windows.h>

namespace kyr {

// True when the file's text names the driver "KYR POS 730", in ANSI or in UTF-16LE, as a
// whole name: no letter or digit right after it. A file that cannot be read, or too large
// for an INF, is not the driver's; readError, when given, then receives why a file that is
// there could not be opened (0 otherwise).
bool InfNamesDriver(const char* path, DWORD* readError = nullptr);

}  // namespace kyr

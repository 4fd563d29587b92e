#pragma once
#include <windows.h>

namespace kyr {

// Opens the key that a path such as "HKLM\SYSTEM\CurrentControlSet\Enum\USBPRINT\X" or
// "\\machine\HKLM\SOFTWARE" names, with READ_CONTROL | KEY_ENUMERATE_SUB_KEYS | WRITE_DAC
// (WRITE_DAC because the handle is used to store a changed access list). A path that is only
// a root name yields the root itself (the predefined handle, or the remote connection).
// Returns 0 and the handle, which the caller closes; 87 for a path outside the grammar; else
// the registry's code, with *key set to nullptr.
DWORD OpenKeyPath(const char* keyPath, HKEY* key);

}  // namespace kyr

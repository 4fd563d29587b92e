// CheckOS: the uninstaller asks this first, on every system, and picks its branch by it.
#include <windows.h>

#include "common/oscode/os_code.h"

extern "C" int __cdecl CheckOS(void) {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    // A failed query leaves the record cleared, which the table maps to "unknown": the
    // uninstaller then removes nothing rather than guessing a family.
    GetVersionExA(&info);
    return kyr::OsCodeFor(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

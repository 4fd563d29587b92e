// CheckOS: the uninstaller asks this first, on every system, and picks its branch by it.
#include <windows.h>

#include "common/oscode/os_code.h"

extern "C" int __cdecl CheckOS(void) {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    // A failed query answers "unknown" with the query's code left as the thread's last
    // error; an answered one clears it, so that the caller can tell a Windows no row knows
    // from a question that went unanswered. Neither is guessed into a family.
    if (!GetVersionExA(&info)) return kyr::kOsUnknown;
    SetLastError(ERROR_SUCCESS);
    return kyr::OsCodeFor(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

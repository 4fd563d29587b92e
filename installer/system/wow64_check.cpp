#include "installer/system/wow64_check.h"

#include <windows.h>

#include "common/maintenance/late_bound.h"

namespace kyr {

namespace {
typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);
}

bool RunsOn64BitWindows() {
    // kernel32 of the system folder, never a copy beside the program; a load-time import
    // would keep the installer from starting on the systems that lack the function.
    LateBoundModule kernel32("kernel32.dll");
    IsWow64ProcessFn isWow64Process = kernel32.Get<IsWow64ProcessFn>("IsWow64Process");
    if (isWow64Process == nullptr) return false;
    BOOL wow64 = FALSE;
    if (!isWow64Process(GetCurrentProcess(), &wow64)) return false;
    return wow64 != FALSE;
}

}  // namespace kyr

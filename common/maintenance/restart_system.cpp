#include "common/maintenance/restart_system.h"

#include <windows.h>

namespace kyr {

bool EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_PRIVILEGES privileges;
    ZeroMemory(&privileges, sizeof privileges);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool looked = LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege",
                                        &privileges.Privileges[0].Luid) != FALSE;
    // AdjustTokenPrivileges succeeds even when the account lacks the privilege; only the
    // last error (ERROR_NOT_ALL_ASSIGNED) tells, so it is cleared first and read after.
    SetLastError(ERROR_SUCCESS);
    bool adjusted = looked &&
                    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
                    GetLastError() == ERROR_SUCCESS;
    DWORD error = GetLastError();
    CloseHandle(token);
    SetLastError(error);
    return adjusted;
}

bool RestartSystem() {
    if (!EnableShutdownPrivilege()) return false;
    return ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0) != FALSE;
}

}  // namespace kyr

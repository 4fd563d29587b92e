#pragma once

namespace kyr {

// Enables SeShutdownPrivilege in the process's own token. False when the token cannot be
// opened or the account does not hold the privilege (ERROR_NOT_ALL_ASSIGNED).
bool EnableShutdownPrivilege();

// Enables the shutdown privilege, then forces a restart (EWX_REBOOT | EWX_FORCE): running
// programs are closed without being asked. True when the restart was started; false when
// the privilege could not be enabled or the request was refused. NT family only; Windows 9x
// has no tokens and its callers restart with ExitWindowsEx directly.
bool RestartSystem();

}  // namespace kyr

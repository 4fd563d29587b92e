#include "common/appkit/run_lock.h"

#include <windows.h>

namespace appkit {

namespace {

// The NT family keeps named objects per session; the global namespace makes the lock hold
// across fast user switching and terminal sessions. Windows 9x has one namespace and
// refuses a backslash in the name.
const char kGlobalName[] = "Global\\KYRPOS730_SetupRun";
const char kPlainName[] = "KYRPOS730_SetupRun";

bool IsWin9xFamily() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info)) return false;
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// The loan's name carries the borrower's process id, which no other process has while the
// lender waits for it.
void LoanName(DWORD processId, char (&name)[96]) {
    wsprintfA(name, "%s_LentTo_%lu", IsWin9xFamily() ? kPlainName : kGlobalName, processId);
}

bool LentToThisProcess() {
    char name[96];
    LoanName(GetCurrentProcessId(), name);
    HANDLE loan = OpenEventA(SYNCHRONIZE, FALSE, name);
    if (loan == nullptr) return false;
    CloseHandle(loan);
    return true;
}

}  // namespace

void* LendRunLockTo(unsigned long processId) {
    char name[96];
    LoanName(processId, name);
    return CreateEventA(nullptr, TRUE, FALSE, name);
}

RunLockResult TakeRunLock() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, IsWin9xFamily() ? kPlainName : kGlobalName);
    if (mutex == nullptr) {
        // A lock made by another user's run cannot be opened with this one's rights; it
        // exists, so that run is still going.
        return GetLastError() == ERROR_ACCESS_DENIED ? RunLockResult::HeldElsewhere : RunLockResult::Unavailable;
    }
    // Ownership, not existence, tells whether a run is going: a latecomer showing its
    // notice keeps the object alive without owning it.
    switch (WaitForSingleObject(mutex, 0)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:  // its last owner was killed mid-run; the lock is ours now
        return RunLockResult::Ours;
    case WAIT_TIMEOUT:
        CloseHandle(mutex);
        // Held by the run that started this one and lent it: that run waits for this one.
        return LentToThisProcess() ? RunLockResult::Ours : RunLockResult::HeldElsewhere;
    default:
        CloseHandle(mutex);
        return RunLockResult::Unavailable;
    }
}

// The running program's window is not brought to the front: it may be waiting on a question
// of its own that a hurried click would answer, and the installer's window sleeps between
// its steps without repainting, so in front it would show an empty frame.
void ShowRunInProgress(const char* caption) {
    MessageBoxA(nullptr,
                "KYR POS 730 is being installed or removed by another program.\n"
                "Please wait until it has finished, then try again.",
                caption, MB_ICONINFORMATION | MB_OK);
}

}  // namespace appkit

// One installer or uninstaller run at a time on a machine. Both programs change the same
// spooler objects, files and uninstall entry; two runs side by side corrupt each other
// and can still both end with a success message.
#pragma once

namespace appkit {

enum class RunLockResult {
    Ours,         // this run holds the lock until the process ends, however it ends
    HeldElsewhere,  // another installer or uninstaller is running
    Unavailable,  // no lock could be made at all: the run goes on unguarded
};

// Takes the machine-wide lock both programs share. The handle is deliberately never
// closed: the system releases it when the process ends, a kill included, and a lock
// abandoned that way is taken over by the next run.
RunLockResult TakeRunLock();

// The lock this run holds lent to the program of that process, which this run started (the
// 32-bit installer starting its 64-bit one): that program's TakeRunLock answers Ours while
// the lock's holder keeps the returned handle open. Null when it could not be lent.
void* LendRunLockTo(unsigned long processId);

// The latecomer's notice, with the program's own caption; information icon, OK, no owner.
void ShowRunInProgress(const char* caption);

}  // namespace appkit

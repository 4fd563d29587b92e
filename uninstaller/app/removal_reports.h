// The boxes a removal shows when something it was to remove stayed. Each names what stayed,
// with the system's reason, and says what the next run does about it.
#pragma once
#include <windows.h>

#include "uninstaller/undeleted.h"

namespace kyr {

// What became of the driver and of its uninstall entry once a removal module ran.
struct DriverRemoval {
    bool driverGone = true;
    // Nonzero when the spooler's list of drivers could not be read afterwards: whether the
    // driver went is then unknown, and it is treated as staying.
    DWORD listingError = 0;
    // The entry written again, as it was, when the driver stayed.
    LONG entryRestored = ERROR_SUCCESS;
    // There was an entry to write again (a removal started without one has none).
    bool entryExisted = true;
    // The driver went, but files may stay unseen (no folder, a search that stopped): the
    // entry was written again (entryRestored tells how that went) so that the next run
    // finishes.
    bool entryKeptForLeftovers = false;
};

// heading, then each item with its reason, cut with "... and N more." as the installer's
// failed-files box is; closing after the list.
void ReportUndeleted(HWND owner, const char* heading, const UndeletedList& undeleted, const char* closing);

// The driver stayed: its uninstall entry is back so that the list of installed software
// can start the removal again, and the user is told to do so.
void ReportDriverKept(HWND owner, const DriverRemoval& removal);

// The driver went: the uninstall entry (when it could not be deleted) and the files that
// stay, in one box. Nothing when neither stayed.
void ReportLeftovers(HWND owner, bool entryStayed, LONG entryError, const UndeletedList& files,
                     const DriverRemoval& removal = DriverRemoval());

// The removal module could not tell which Windows this is (queryError: the version query's
// code, 0 when it answered with a Windows no branch serves): nothing was removed.
void ReportUnknownWindows(HWND owner, DWORD queryError);

}  // namespace kyr

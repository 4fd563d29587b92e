// Whether the uninstall entry makes the installed product removable. A run ended between
// the driver registration and the entry (power cut, task manager) leaves a driver that
// every later run takes as present, and that no entry would ever remove.
#pragma once

#include <string>

#include "installer/system/path_join.h"

namespace kyr {

// Every fault of the entry is found at once, so that one repair run mends them all.
struct UninstallEntryState {
    bool missing = false;             // no entry
    // "UninstallString" names another place than the product folder's uninstaller (or
    // cannot be read). Such an entry is another installation's to keep as long as the
    // uninstaller it names is there with both its removal modules.
    bool pointsElsewhere = false;
    // The uninstaller the entry names, or one of the removal modules beside it, is not there.
    bool uninstallerMissing = false;
    // A value an installation writes is missing (a run whose writes were refused), or on
    // the NT family "InfFile" names no INF copy.
    bool valuesIncomplete = false;
    // "InfFile" when it names a file: a repair records it again rather than placing a
    // second copy of a changed INF beside it.
    std::string recordedInf;

    bool complete() const { return !missing && !pointsElsewhere && !uninstallerMissing && !valuesIncomplete; }
    // The entry is written anew (with the uninstaller deployed): none, a whole value set
    // lacking, or one pointing at an uninstaller that is gone.
    bool needsRewrite() const {
        return missing || (pointsElsewhere ? uninstallerMissing : valuesIncomplete);
    }
    // Only the product folder's files are missing: they are deployed, the entry stays.
    bool needsDeployment() const { return !missing && !pointsElsewhere && uninstallerMissing && !valuesIncomplete; }
};

// infRecorded: the family records the INF copy in "InfFile" (the NT family).
UninstallEntryState ReadUninstallEntryState(bool infRecorded);

// The product folder, the Windows folder + "\KYR-730", and the uninstaller's path in it,
// which the entry names; false when the Windows folder is unknown or a path does not fit.
bool ProductPaths(char (&productFolder)[kPathBufferSize], char (&uninstaller)[kPathBufferSize]);

}  // namespace kyr

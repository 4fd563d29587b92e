// Whether the uninstall entry makes the installed product removable. A run ended between
// the driver registration and the entry (power cut, task manager) leaves a driver that
// every later run takes as present, and that no entry would ever remove.
#pragma once

#include "installer/system/path_join.h"

namespace kyr {

enum class UninstallEntryState {
    Complete,            // the entry exists, its UninstallString names the product folder's
                         // uninstaller, which is there, and both removal modules lie beside it
    Missing,             // no entry
    UninstallerMissing,  // an entry whose uninstaller or one of its removal modules is not there
    PointsElsewhere,     // an entry whose UninstallString is not the product folder's uninstaller
                         // (or cannot be read): the deployment never reaches where it points
    Incomplete,          // an entry lacking one of its other values (a run whose writes were
                         // refused), or on the NT family an "InfFile" naming no INF copy
};

// infRecorded: the family records the INF copy in "InfFile" (the NT family).
UninstallEntryState ReadUninstallEntryState(bool infRecorded);

// The product folder, the Windows folder + "\KYR-730", and the uninstaller's path in it,
// which the entry names; false when the Windows folder is unknown or a path does not fit.
bool ProductPaths(char (&productFolder)[kPathBufferSize], char (&uninstaller)[kPathBufferSize]);

}  // namespace kyr

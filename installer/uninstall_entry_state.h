// Whether the uninstall entry makes the installed product removable. A run ended between
// the driver registration and the entry (power cut, task manager) leaves a driver that
// every later run takes as present, and that no entry would ever remove.
#pragma once

namespace kyr {

enum class UninstallEntryState {
    Complete,            // the entry exists, its UninstallString names a file that is there, and both
                         // removal modules lie beside it
    Missing,             // no entry
    UninstallerMissing,  // an entry whose uninstaller or one of its removal modules is not there
};

UninstallEntryState ReadUninstallEntryState();

}  // namespace kyr

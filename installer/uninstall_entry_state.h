// Whether the uninstall entry makes the installed product removable. A run ended between
// the driver registration and the entry (power cut, task manager) leaves a driver that
// every later run takes as present, and that no entry would ever remove.
#pragma once

namespace kyr {

enum class UninstallEntryState {
    Complete,            // the entry exists and its UninstallString names a file that is there
    Missing,             // no entry
    UninstallerMissing,  // an entry whose uninstaller is not there
};

UninstallEntryState ReadUninstallEntryState();

}  // namespace kyr

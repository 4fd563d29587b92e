// Something a removal step was to delete and could not: a printer by its name, a file by
// its path, and the system's reason.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace kyr {

struct Undeleted {
    std::string name;
    DWORD error;
    // What the user can do about it, when the code alone would mislead; empty otherwise.
    std::string advice = std::string();
    // Its folder could not be found, so whether it is there is unknown: a run that can find
    // the folder is still to delete it, and the uninstall entry stays for that run.
    bool folderUnknown = false;
};


using UndeletedList = std::vector<Undeleted>;

inline bool AnyFolderUnknown(const UndeletedList& list) {
    for (const Undeleted& item : list)
        if (item.folderUnknown) return true;
    return false;
}

}  // namespace kyr

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
    // Whether it is there is unknown (its folder could not be found, or the search for it
    // stopped): a run that can look is still to delete it, and the uninstall entry stays
    // for that run.
    bool unchecked = false;
};


using UndeletedList = std::vector<Undeleted>;

// What the user reads beside a file whose folder's query failed.
constexpr char kFolderNotFound[] = "Its folder could not be found.";

inline bool AnyUnchecked(const UndeletedList& list) {
    for (const Undeleted& item : list)
        if (item.unchecked) return true;
    return false;
}

}  // namespace kyr

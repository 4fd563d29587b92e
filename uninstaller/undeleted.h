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
};

using UndeletedList = std::vector<Undeleted>;

}  // namespace kyr

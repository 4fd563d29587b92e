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
};

using UndeletedList = std::vector<Undeleted>;

}  // namespace kyr

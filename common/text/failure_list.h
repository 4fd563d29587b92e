// The text of the boxes that list what a run could not place, delete or write: the
// installer's failed-files box and the uninstaller's. Platform-free.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

namespace kyr {

struct FailedCopy {
    std::string target;      // where the file should have gone
    std::string systemText;  // the system's reason, as it words it
};

// The longest text the box is given; a message box shows no more on a small screen anyway.
constexpr size_t kFailedCopiesTextLimit = 3000;

// heading, then one entry per item (its name, then the reason on the next line); entries
// that do not fit within limit are counted in a closing "... and N more." line.
std::string FailedListText(const char* heading, const std::vector<FailedCopy>& failures, size_t limit);

// "These files could not be copied:" and one entry per file (its path, then the reason on
// the next line). Entries that do not fit within limit are counted in a closing line
// instead of being cut in the middle. Empty when nothing failed.
std::string FailedCopiesText(const std::vector<FailedCopy>& failures, size_t limit = kFailedCopiesTextLimit);

// The copies' list, then "These files could not be deleted:" with the deletions laid out
// the same way, within one limit for both; either list is left out when it is empty.
std::string FailedFilesText(const std::vector<FailedCopy>& copies, const std::vector<FailedCopy>& deletions,
                            size_t limit = kFailedCopiesTextLimit);

// The files' lists, then "These registry entries could not be written:" with the entries
// laid out the same way; the entries, a handful at most, are kept whole.
std::string FailedItemsText(const std::vector<FailedCopy>& copies, const std::vector<FailedCopy>& deletions,
                            const std::vector<FailedCopy>& entries, size_t limit = kFailedCopiesTextLimit);

}  // namespace kyr

#include "common/text/failure_list.h"

namespace kyr {

namespace {

// The system's texts end in a line break of their own; one is put back in the layout.
std::string Trimmed(const std::string& text) {
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == '\r' || text[end - 1] == '\n' || text[end - 1] == ' ')) --end;
    return text.substr(0, end);
}

std::string FailedList(const char* heading, const std::vector<FailedCopy>& failures, size_t limit) {
    if (failures.empty()) return std::string();
    std::string text = heading;
    size_t shown = 0;
    for (const FailedCopy& failure : failures) {
        std::string entry = "\n" + failure.target + "\n";
        const std::string reason = Trimmed(failure.systemText);
        entry += reason.empty() ? "(no text for this error)" : reason;
        entry += "\n";
        // Room for the closing count, whose length is bounded by this reserve.
        const size_t reserve = shown + 1 < failures.size() ? 40 : 0;
        if (text.size() + entry.size() + reserve > limit) break;
        text += entry;
        ++shown;
    }
    if (shown < failures.size()) text += "\n... and " + std::to_string(failures.size() - shown) + " more.\n";
    return text;
}

const char kCopiesHeading[] = "These files could not be copied:\n";
const char kDeletionsHeading[] = "These files could not be deleted:\n";
const char kEntriesHeading[] = "These registry entries could not be written:\n";

}  // namespace

std::string FailedListText(const char* heading, const std::vector<FailedCopy>& failures, size_t limit) {
    return FailedList(heading, failures, limit);
}

std::string FailedCopiesText(const std::vector<FailedCopy>& failures, size_t limit) {
    return FailedList(kCopiesHeading, failures, limit);
}

std::string FailedFilesText(const std::vector<FailedCopy>& copies, const std::vector<FailedCopy>& deletions,
                            size_t limit) {
    if (deletions.empty()) return FailedList(kCopiesHeading, copies, limit);
    // The copies keep at most half when deletions follow, so that both lists are seen.
    std::string text = FailedList(kCopiesHeading, copies, copies.empty() ? 0 : limit / 2);
    if (!text.empty()) text += "\n";
    return text + FailedList(kDeletionsHeading, deletions, limit - text.size());
}

std::string FailedItemsText(const std::vector<FailedCopy>& copies, const std::vector<FailedCopy>& deletions,
                            const std::vector<FailedCopy>& entries, size_t limit) {
    const std::string entriesText = FailedList(kEntriesHeading, entries, limit);
    if (entriesText.empty()) return FailedFilesText(copies, deletions, limit);
    std::string text = FailedFilesText(copies, deletions, limit - entriesText.size() - 1);
    if (!text.empty()) text += "\n";
    return text + entriesText;
}

}  // namespace kyr

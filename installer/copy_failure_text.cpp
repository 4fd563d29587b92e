#include "installer/copy_failure_text.h"

namespace kyr {

namespace {

// The system's texts end in a line break of their own; one is put back in the layout.
std::string Trimmed(const std::string& text) {
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == '\r' || text[end - 1] == '\n' || text[end - 1] == ' ')) --end;
    return text.substr(0, end);
}

}  // namespace

std::string FailedCopiesText(const std::vector<FailedCopy>& failures, size_t limit) {
    if (failures.empty()) return std::string();
    std::string text = "These files could not be copied:\n";
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

}  // namespace kyr

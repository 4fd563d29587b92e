#include "installer/system/path_join.h"

#include "common/text/bounded_text.h"

namespace kyr {

bool ConcatPath(char* out, size_t outSize, const char* first, const char* second) {
    return JoinPieces(out, outSize, {first, second});
}

bool JoinPath(char* out, size_t outSize, const char* folder, const char* name) {
    // An empty folder would turn the name into a path at the root of the current drive.
    if (!folder || !*folder) {
        if (out && outSize) out[0] = '\0';
        return false;
    }
    return JoinPieces(out, outSize, {folder, "\\", name});
}

bool CutToParentFolder(char* path, LeadBytePredicate isLead) {
    if (!path) return false;
    const char* last = FindLastAnsiChar(path, '\\', isLead);
    if (!last) return false;
    path[last - path] = '\0';
    return true;
}

std::string NumberedPrinterName(const std::string& base, unsigned n) {
    if (n == 0) return base;
    return base + "(#" + std::to_string(n) + ")";
}

}  // namespace kyr

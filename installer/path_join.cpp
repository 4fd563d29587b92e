#include "installer/path_join.h"

#include <string.h>

namespace kyr {

bool ConcatPath(char* out, size_t outSize, const char* first, const char* second) {
    if (!out || outSize == 0) return false;
    out[0] = '\0';
    if (!first || !second) return false;
    size_t a = strlen(first), b = strlen(second);
    if (a + b + 1 > outSize) return false;
    memcpy(out, first, a);
    memcpy(out + a, second, b + 1);
    return true;
}

bool JoinPath(char* out, size_t outSize, const char* folder, const char* name) {
    if (!out || outSize == 0) return false;
    out[0] = '\0';
    if (!folder || !name || !*folder) return false;
    size_t a = strlen(folder), b = strlen(name);
    if (a + 1 + b + 1 > outSize) return false;
    memcpy(out, folder, a);
    out[a] = '\\';
    memcpy(out + a + 1, name, b + 1);
    return true;
}

std::string NumberedPrinterName(const std::string& base, unsigned n) {
    if (n == 0) return base;
    return base + "(#" + std::to_string(n) + ")";
}

}  // namespace kyr

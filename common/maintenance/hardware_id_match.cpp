#include "common/maintenance/hardware_id_match.h"

namespace kyr {

namespace {
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

bool HardwareIdMatches(const char* deviceId, const char* wantedId) {
    for (unsigned i = 0; i < kHardwareIdCompareLength; ++i) {
        if (Upper(deviceId[i]) != Upper(wantedId[i])) return false;
        if (deviceId[i] == '\0') return true;
    }
    return true;
}

}  // namespace kyr

#include "common/maintenance/key_rights.h"

#include <cstring>

namespace kyr {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool PairIs(const char* at, const char* pair) {
    return Lower(at[0]) == pair[0] && Lower(at[1]) == pair[1];
}

int ModeFromField(const char* field, size_t length) {
    if (length < 2 || Lower(field[1]) != 'p') return kModeNotUsed;
    if (length < 3) return -1;
    switch (Lower(field[2])) {
        case 'g': return kModeGrant;
        case 's': return kModeSet;
        case 'd': return kModeDeny;
        case 'r': return kModeRevoke;
        default: return -1;
    }
}

}  // namespace

uint32_t ParseKeyRights(const char* text, uint32_t* mask) {
    *mask = 0;
    if (text == nullptr) return kErrInvalidParameter;
    size_t length = std::strlen(text);
    if (length >= kGrantTextBufferSize || length % 2 != 0) return kErrInvalidParameter;
    uint32_t combined = 0;
    for (size_t i = 0; i < length; i += 2) {
        if (PairIs(text + i, "fc")) {
            combined |= kRightsFullControl;
        } else if (PairIs(text + i, "rd")) {
            combined |= kRightsRead;
        } else if (PairIs(text + i, "wr")) {
            combined |= kRightsWrite;
        } else {
            return kErrInvalidParameter;
        }
    }
    *mask = combined;
    return kErrSuccess;
}

uint32_t ParseKeyPermission(const char* text, KeyPermission* out) {
    std::memset(out, 0, sizeof *out);
    if (text == nullptr) return kErrInvalidParameter;
    size_t length = std::strlen(text);
    if (length >= kGrantTextBufferSize) return kErrInvalidParameter;

    const char* firstColon = std::strchr(text, ':');
    if (firstColon == nullptr) return kErrInvalidParameter;  // no trustee field
    size_t modeLength = static_cast<size_t>(firstColon - text);
    if (modeLength == 0) return kErrInvalidParameter;

    const char* trustee = firstColon + 1;
    const char* secondColon = std::strchr(trustee, ':');
    size_t trusteeLength =
        secondColon ? static_cast<size_t>(secondColon - trustee) : std::strlen(trustee);
    // An empty name would let the system pick whatever it resolves "" to.
    if (trusteeLength == 0) return kErrInvalidParameter;

    int mode = ModeFromField(text, modeLength);
    if (mode < 0) return kErrInvalidParameter;

    uint32_t rights = 0;
    if (mode == kModeGrant || mode == kModeSet || mode == kModeDeny) {
        if (secondColon == nullptr || secondColon[1] == '\0') return kErrInvalidParameter;
        uint32_t code = ParseKeyRights(secondColon + 1, &rights);
        if (code != kErrSuccess) return code;
    }

    std::memcpy(out->trustee, trustee, trusteeLength);
    out->trustee[trusteeLength] = '\0';
    out->mode = mode;
    out->rights = rights;
    return kErrSuccess;
}

bool IsWorldTrustee(const char* trustee) {
    static const char kWorld[] = "everyone";
    if (trustee == nullptr) return false;
    for (size_t i = 0; i < sizeof kWorld; ++i)
        if (Lower(trustee[i]) != kWorld[i]) return false;
    return true;
}

}  // namespace kyr

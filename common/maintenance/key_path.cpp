#include "common/maintenance/key_path.h"

#include <cstring>

namespace kyr {

namespace {

bool SameIgnoringCase(const char* text, size_t length, const char* name) {
    if (std::strlen(name) != length) return false;
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != name[i]) return false;
    }
    return true;
}

bool RootFromName(const char* name, size_t length, KeyRoot* root) {
    struct Entry {
        const char* shortName;
        const char* longName;
        KeyRoot root;
    };
    static const Entry kRoots[] = {
        {"HKLM", "HKEY_LOCAL_MACHINE", KeyRoot::kLocalMachine},
        {"HKU", "HKEY_USERS", KeyRoot::kUsers},
        {"HKCR", "HKEY_CLASSES_ROOT", KeyRoot::kClassesRoot},
        {"HKCU", "HKEY_CURRENT_USER", KeyRoot::kCurrentUser},
    };
    for (const Entry& entry : kRoots) {
        if (SameIgnoringCase(name, length, entry.shortName) ||
            SameIgnoringCase(name, length, entry.longName)) {
            *root = entry.root;
            return true;
        }
    }
    return false;
}

uint32_t Refuse(KeyPathParts* out) {
    std::memset(out, 0, sizeof *out);
    return kErrInvalidParameter;
}

}  // namespace

uint32_t ParseKeyPath(const char* path, KeyPathParts* out, LeadBytePredicate isLead) {
    std::memset(out, 0, sizeof *out);
    if (path == nullptr) return kErrInvalidParameter;
    if (std::strlen(path) >= kGrantTextBufferSize) return kErrInvalidParameter;

    const char* at = path;
    if (at[0] == '\\' && at[1] == '\\') {
        const char* name = at + 2;
        const char* end = FindAnsiChar(name, '\\', isLead);
        size_t nameLength = end ? static_cast<size_t>(end - name) : std::strlen(name);
        if (nameLength == 0) return kErrInvalidParameter;
        // The prefix is shorter than the whole path, which already fits the buffer.
        std::memcpy(out->machine, path, nameLength + 2);
        out->machine[nameLength + 2] = '\0';
        if (end == nullptr) return Refuse(out);  // no root name follows
        at = end + 1;
    }

    const char* rootEnd = FindAnsiChar(at, '\\', isLead);
    size_t rootLength = rootEnd ? static_cast<size_t>(rootEnd - at) : std::strlen(at);
    KeyRoot root;
    if (!RootFromName(at, rootLength, &root)) return Refuse(out);
    if (out->machine[0] != '\0' && root != KeyRoot::kLocalMachine && root != KeyRoot::kUsers) {
        return Refuse(out);
    }
    out->root = root;
    if (rootEnd != nullptr) std::strcpy(out->subKey, rootEnd + 1);
    return kErrSuccess;
}

}  // namespace kyr

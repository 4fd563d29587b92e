#include "uninstaller/key_names.h"

#include <string.h>

namespace kyr {

namespace {
constexpr size_t kMaxKeyNameLength = 255;
}

bool IsSingleKeyName(const char* text) {
    if (text == nullptr || text[0] == '\0') return false;
    // Counted by hand: the C runtime of the oldest systems has no strnlen.
    for (size_t i = 0; text[i] != '\0'; ++i)
        if (i >= kMaxKeyNameLength || text[i] == '\\') return false;
    return true;
}

bool SettingsKeyName(const char* printerName, char* out, size_t outSize) {
    if (out == nullptr || outSize == 0) return false;
    out[0] = '\0';
    if (!IsSingleKeyName(printerName)) return false;
    const size_t length = strlen(printerName);
    if (length + 1 > outSize) return false;
    for (size_t i = 0; i < length; ++i) out[i] = printerName[i] == ' ' ? '_' : printerName[i];
    out[length] = '\0';
    return true;
}

bool JoinText(char* out, size_t outSize, const char* first, const char* second) {
    if (out == nullptr || outSize == 0) return false;
    out[0] = '\0';
    if (first == nullptr || second == nullptr) return false;
    const size_t a = strlen(first);
    const size_t b = strlen(second);
    if (a + b + 1 > outSize) return false;
    memcpy(out, first, a);
    memcpy(out + a, second, b);
    out[a + b] = '\0';
    return true;
}

bool IsPlainFileName(const char* name) {
    if (name == nullptr || name[0] == '\0') return false;
    if (strpbrk(name, "\\/:") != nullptr) return false;
    // "." and ".." name folders, not files.
    return strcmp(name, ".") != 0 && strcmp(name, "..") != 0;
}

bool MakePnfTwin(char* path) {
    if (path == nullptr) return false;
    const size_t length = strlen(path);
    if (length < 4) return false;
    char* tail = path + length - 3;
    // The character before the replaced ones must belong to the file name as well, so the
    // twin is a sibling of the file, never a renamed folder.
    for (const char* p = tail - 1; p < path + length; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') return false;
    memcpy(tail, "PNF", 3);
    return true;
}

bool PrinterIdMatches(const uint8_t* entryId, const uint8_t* printerId) {
    if (entryId == nullptr || printerId == nullptr) return false;
    return memcmp(entryId, printerId, 4) == 0;
}

}  // namespace kyr

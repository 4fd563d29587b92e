#include "uninstaller/key_names.h"

#include <string.h>

namespace kyr {

namespace {
constexpr size_t kMaxKeyNameLength = 255;
}

bool IsSingleKeyName(const char* text, LeadBytePredicate isLead) {
    if (text == nullptr || text[0] == '\0') return false;
    // The registry counts characters, not bytes.
    size_t characters = 0;
    for (size_t step; (step = AnsiCharSize(text, isLead)) != 0; text += step) {
        if (++characters > kMaxKeyNameLength) return false;
        if (step == 1 && *text == '\\') return false;
    }
    return true;
}

bool SettingsKeyName(const char* printerName, char* out, size_t outSize,
                     LeadBytePredicate isLead) {
    if (out == nullptr || outSize == 0) return false;
    out[0] = '\0';
    if (!IsSingleKeyName(printerName, isLead)) return false;
    const size_t length = strlen(printerName);
    if (length + 1 > outSize) return false;
    size_t at = 0;
    for (size_t step; (step = AnsiCharSize(printerName + at, isLead)) != 0; at += step) {
        out[at] = printerName[at];
        if (step == 2)
            out[at + 1] = printerName[at + 1];
        else if (printerName[at] == ' ')
            out[at] = '_';
    }
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

bool IsPlainFileName(const char* name, LeadBytePredicate isLead) {
    if (name == nullptr || name[0] == '\0') return false;
    if (FindAnyAnsiChar(name, "\\/:", isLead) != nullptr) return false;
    // "." and ".." name folders, not files.
    return strcmp(name, ".") != 0 && strcmp(name, "..") != 0;
}

bool MakePnfTwin(char* path, LeadBytePredicate isLead) {
    if (path == nullptr) return false;
    // Only a walk from the start tells which bytes begin characters, so the starts of the
    // last four characters are kept on the way: the three to replace and the one before.
    size_t starts[4] = {0, 0, 0, 0};
    size_t count = 0;
    size_t at = 0;
    for (size_t step; (step = AnsiCharSize(path + at, isLead)) != 0; at += step) {
        starts[count % 4] = at;
        ++count;
    }
    if (count < 4) return false;
    const size_t before = starts[count % 4];          // fourth from the end
    const size_t tail = starts[(count + 1) % 4];      // third from the end
    // The character before the replaced ones must belong to the file name as well, so the
    // twin is a sibling of the file, never a renamed folder.
    if (FindAnyAnsiChar(path + before, "\\/:", isLead) != nullptr) return false;
    memcpy(path + tail, "PNF", 4);
    return true;
}

bool PortIsUsb(const char* port, LeadBytePredicate isLead) {
    if (port == nullptr) return false;
    static const char kUsb[] = "USB";
    for (size_t step; (step = AnsiCharSize(port, isLead)) != 0; port += step)
        if (strncmp(port, kUsb, sizeof kUsb - 1) == 0) return true;
    return false;
}

bool PrinterIdMatches(const uint8_t* entryId, const uint8_t* printerId) {
    if (entryId == nullptr || printerId == nullptr) return false;
    return memcmp(entryId, printerId, 4) == 0;
}

}  // namespace kyr

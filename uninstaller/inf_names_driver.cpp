#include "uninstaller/inf_names_driver.h"

#include <windows.h>
#include <string.h>

#include <vector>

namespace kyr {

namespace {

const char kDriverName[] = "KYR POS 730";
// Far above any printer INF; a larger file is something else.
const DWORD kLargestInf = 4u << 20;

// Whether a character right after the name could continue it: "KYR POS 7300" and
// "KYR POS 730X" are other printers. Characters outside ASCII may be letters in some code
// page, so they count as such; the driver's own INFs follow the name with a quote or a blank.
bool ContinuesName(unsigned int character) {
    if (character >= 0x80) return true;
    return (character >= '0' && character <= '9') || (character >= 'A' && character <= 'Z') ||
           (character >= 'a' && character <= 'z');
}

// The name somewhere in text, with no letter or digit after it. UTF-16 text is walked by
// whole characters (step 2), so that a match never straddles two of them.
bool HasName(const std::vector<char>& text, const char* pattern, size_t patternSize, size_t step) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i + patternSize <= text.size(); i += step) {
        if (memcmp(bytes + i, pattern, patternSize) != 0) continue;
        const size_t after = i + patternSize;
        if (after + step > text.size()) return true;
        const unsigned int next = step == 1 ? bytes[after] : bytes[after] | (bytes[after + 1] << 8);
        if (!ContinuesName(next)) return true;
    }
    return false;
}

}  // namespace

bool InfNamesDriver(const char* path, DWORD* readError) {
    if (readError) *readError = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (readError && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) *readError = error;
        return false;
    }
    const DWORD size = GetFileSize(file, nullptr);
    // A size or content that could not be read tells nothing of whose the file is; taken
    // as another's, ours would stay without a word.
    DWORD error = size == INVALID_FILE_SIZE ? GetLastError() : ERROR_SUCCESS;
    std::vector<char> text;
    DWORD read = 0;
    if (error == ERROR_SUCCESS && size <= kLargestInf) {
        text.resize(size);
        if (size && !ReadFile(file, text.data(), size, &read, nullptr)) {
            error = GetLastError();
            read = 0;
        }
        text.resize(read);
    }
    CloseHandle(file);
    if (error != ERROR_SUCCESS) {
        if (readError) *readError = error;
        return false;
    }

    const size_t length = sizeof(kDriverName) - 1;
    char wide[2 * (sizeof(kDriverName) - 1)];
    for (size_t i = 0; i < length; ++i) {
        wide[2 * i] = kDriverName[i];
        wide[2 * i + 1] = '\0';
    }
    return HasName(text, kDriverName, length, 1) || HasName(text, wide, sizeof(wide), 2);
}

}  // namespace kyr

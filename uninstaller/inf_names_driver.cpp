#include "uninstaller/inf_names_driver.h"

#include <windows.h>
#include <string.h>

#include <vector>

namespace kyr {

namespace {

const char kDriverName[] = "KYR POS 730";
// Far above any printer INF; a larger file is something else.
const DWORD kLargestInf = 4u << 20;

bool Contains(const std::vector<char>& text, const char* pattern, size_t patternSize) {
    if (text.size() < patternSize) return false;
    for (size_t i = 0; i + patternSize <= text.size(); ++i)
        if (memcmp(text.data() + i, pattern, patternSize) == 0) return true;
    return false;
}

}  // namespace

bool InfNamesDriver(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const DWORD size = GetFileSize(file, nullptr);
    std::vector<char> text;
    DWORD read = 0;
    if (size != INVALID_FILE_SIZE && size <= kLargestInf) {
        text.resize(size);
        if (size && !ReadFile(file, text.data(), size, &read, nullptr)) read = 0;
        text.resize(read);
    }
    CloseHandle(file);

    const size_t length = sizeof(kDriverName) - 1;
    char wide[2 * (sizeof(kDriverName) - 1)];
    for (size_t i = 0; i < length; ++i) {
        wide[2 * i] = kDriverName[i];
        wide[2 * i + 1] = '\0';
    }
    return Contains(text, kDriverName, length) || Contains(text, wide, sizeof(wide));
}

}  // namespace kyr

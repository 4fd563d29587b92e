#include "common/files/clear_read_only.h"

#include <windows.h>

namespace kyr {

void ClearReadOnly(const char* path) {
    if (path == nullptr || path[0] == '\0') return;
    const DWORD lastError = GetLastError();
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        // A file with no other bit left must be given "normal"; zero means "unchanged" to
        // some systems.
        DWORD kept = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        SetFileAttributesA(path, kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
    }
    SetLastError(lastError);
}

}  // namespace kyr

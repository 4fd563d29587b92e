#include "common/files/copy_over_read_only.h"

#include "common/files/clear_read_only.h"

namespace kyr {

BOOL CopyOverReadOnly(const char* source, const char* target) {
    if (CopyFileA(source, target, FALSE)) return TRUE;
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesA(target);
    // Any other refusal (a folder of that name, a file held open, no right to the folder)
    // is not the bit's doing, and clearing it would only change a file we cannot replace.
    if (error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || (attributes & FILE_ATTRIBUTE_READONLY) == 0) {
        SetLastError(error);
        return FALSE;
    }
    ClearReadOnly(target);
    if (CopyFileA(source, target, FALSE)) return TRUE;
    const DWORD retryError = GetLastError();
    SetFileAttributesA(target, attributes);
    SetLastError(retryError);
    return FALSE;
}

}  // namespace kyr

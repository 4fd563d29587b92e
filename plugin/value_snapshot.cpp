#include "plugin/value_snapshot.h"

namespace kyr {

namespace {
// The value may grow between asking its size and reading it; it is asked again this often.
constexpr int kReadAttempts = 3;
constexpr DWORD kGuardBytes = 2;
}  // namespace

LONG TakeSnapshot(HKEY key, const WCHAR* name, ValueSnapshot* snapshot) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD size = 0;
        snapshot->status = RegQueryValueExW(key, name, nullptr, &snapshot->type, nullptr, &size);
        if (snapshot->status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (snapshot->status != ERROR_SUCCESS) return snapshot->status;
        if (size > kSnapshotLimit) return snapshot->status = ERROR_NOT_ENOUGH_MEMORY;
        BYTE* bytes = snapshot->bytes.Allocate(size + kGuardBytes);
        if (bytes == nullptr) return snapshot->status = ERROR_NOT_ENOUGH_MEMORY;
        snapshot->size = size;
        snapshot->status =
            RegQueryValueExW(key, name, nullptr, &snapshot->type, bytes, &snapshot->size);
        if (snapshot->status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (snapshot->status != ERROR_MORE_DATA) break;
    }
    if (snapshot->status != ERROR_SUCCESS) return snapshot->status;
    // The system counts a terminator into a string value that lacks one when the character
    // after the data is zero; a character that is never zero keeps the value as it was.
    snapshot->bytes.data()[snapshot->size] = 0xFF;
    snapshot->bytes.data()[snapshot->size + 1] = 0xFF;
    return ERROR_SUCCESS;
}

LONG RestoreSnapshot(HKEY key, const WCHAR* name, const ValueSnapshot& snapshot) {
    if (snapshot.status == ERROR_FILE_NOT_FOUND) return RegDeleteValueW(key, name);
    return RegSetValueExW(key, name, 0, snapshot.type, snapshot.bytes.data(), snapshot.size);
}

}  // namespace kyr

#include "plugin/value_snapshot.h"

namespace kyr {

LONG TakeSnapshot(HKEY key, const WCHAR* name, ValueSnapshot* snapshot) {
    snapshot->type = REG_NONE;
    snapshot->size = sizeof snapshot->bytes;
    snapshot->status = RegQueryValueExW(key, name, nullptr, &snapshot->type, snapshot->bytes,
                                        &snapshot->size);
    if (snapshot->status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    return snapshot->status;
}

LONG RestoreSnapshot(HKEY key, const WCHAR* name, const ValueSnapshot& snapshot) {
    if (snapshot.status == ERROR_FILE_NOT_FOUND) return RegDeleteValueW(key, name);
    return RegSetValueExW(key, name, 0, snapshot.type, snapshot.bytes, snapshot.size);
}

}  // namespace kyr

// A registry value as it was before an apply wrote over it, so that an apply whose later
// write fails can put back what its earlier writes changed.
#pragma once

#include <windows.h>

#include "plugin/heap_block.h"

namespace kyr {

// A value larger than this is no setting of the page's; an apply that would have to put it
// back leaves it alone instead.
constexpr DWORD kSnapshotLimit = 1024 * 1024;

struct ValueSnapshot {
    LONG status = ERROR_FILE_NOT_FOUND;  // or ERROR_SUCCESS for a value that was there
    DWORD type = REG_NONE;
    DWORD size = 0;
    HeapBlock bytes;  // size bytes, then two that are never zero (see RestoreSnapshot)
};

// Reads the value, whatever its size up to kSnapshotLimit; anything but success or absence
// is returned, and nothing may be written over a value that could not be put back.
LONG TakeSnapshot(HKEY key, const WCHAR* name, ValueSnapshot* snapshot);

// Writes the value back byte for byte as it was, or deletes it when it was not there.
LONG RestoreSnapshot(HKEY key, const WCHAR* name, const ValueSnapshot& snapshot);

}  // namespace kyr

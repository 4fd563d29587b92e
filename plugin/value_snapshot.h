// A registry value as it was before an apply wrote over it, so that an apply whose later
// write fails can put back what its earlier writes changed.
#pragma once

#include <windows.h>

#include "plugin/command_codec.h"

namespace kyr {

struct ValueSnapshot {
    LONG status;  // ERROR_SUCCESS, or ERROR_FILE_NOT_FOUND for a value that was not there
    DWORD type;
    DWORD size;
    BYTE bytes[kCommandCapacity];
};

// Reads the value; anything but success or absence is returned, and nothing may be
// written over a value that could not be put back.
LONG TakeSnapshot(HKEY key, const WCHAR* name, ValueSnapshot* snapshot);

// Writes the value back as it was, or deletes it when it was not there.
LONG RestoreSnapshot(HKEY key, const WCHAR* name, const ValueSnapshot& snapshot);

}  // namespace kyr

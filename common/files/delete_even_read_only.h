// Deletes a file the package placed, also when it is read-only: a file copied from a CD
// by an earlier version of the installer kept the disc's read-only bit, and the system
// refuses to delete such a file.
#pragma once
#include <windows.h>

namespace kyr {

// Clears the read-only bit of path, then deletes it. The result and the thread's last
// error are those of the deletion itself.
BOOL DeleteEvenReadOnly(const char* path);

}  // namespace kyr

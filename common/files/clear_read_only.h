// A file copied from a pressed disc carries the disc's read-only bit to its target; the
// files we place must stay replaceable and deletable by a later installation or removal.
#pragma once

namespace kyr {

// Clears the read-only bit of path and keeps every other attribute. A file whose
// attributes cannot be read is left alone: writing back the failure value would set every
// attribute bit at once. Leaves the calling thread's last error as it found it.
void ClearReadOnly(const char* path);

}  // namespace kyr

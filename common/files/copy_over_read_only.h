// A copy that replaces a file an earlier package left read-only. Its removal leaves files
// it had copied from its CD behind with the disc's read-only bit, and the system refuses
// to overwrite a read-only file.
#pragma once
#include <windows.h>

namespace kyr {

// CopyFileA(source, target, FALSE). Only when that is refused because target is an
// existing read-only file: clears the bit and copies once more; if that copy fails too,
// the bit is put back, so a failure leaves target as it was. The result and the thread's
// last error are those of the last copy.
BOOL CopyOverReadOnly(const char* source, const char* target);

}  // namespace kyr

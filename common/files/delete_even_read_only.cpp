#include "common/files/delete_even_read_only.h"

#include "common/files/clear_read_only.h"

namespace kyr {

BOOL DeleteEvenReadOnly(const char* path) {
    ClearReadOnly(path);
    return DeleteFileA(path);
}

}  // namespace kyr

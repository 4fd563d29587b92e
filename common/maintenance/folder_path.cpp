#include "common/maintenance/folder_path.h"

#include <cstring>

namespace kyr {

bool JoinFolderPath(char* out, std::size_t outSize, const char* folder, const char* tail,
                    LeadBytePredicate isLead) {
    if (out == nullptr || outSize == 0) return false;
    out[0] = '\0';
    if (folder == nullptr || tail == nullptr) return false;
    std::size_t folderLength = std::strlen(folder);
    const bool endsInSeparator = folderLength != 0 && folder[folderLength - 1] == '\\' &&
                                 IsAnsiCharStart(folder, folderLength - 1, isLead);
    const std::size_t tailLength = std::strlen(tail);
    if (folderLength + (endsInSeparator ? 0 : 1) + tailLength >= outSize) return false;
    std::memcpy(out, folder, folderLength);
    if (!endsInSeparator) out[folderLength++] = '\\';
    std::memcpy(out + folderLength, tail, tailLength + 1);
    return true;
}

}  // namespace kyr

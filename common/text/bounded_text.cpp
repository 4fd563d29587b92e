#include "common/text/bounded_text.h"

#include <cstring>

namespace kyr {

bool JoinPieces(char* out, std::size_t outSize, std::initializer_list<const char*> pieces) {
    if (out == nullptr || outSize == 0) return false;
    std::size_t used = 0;
    for (const char* piece : pieces) {
        if (piece == nullptr) {
            out[0] = '\0';
            return false;
        }
        const std::size_t len = std::strlen(piece);
        if (len >= outSize - used) {
            out[0] = '\0';
            return false;
        }
        std::memcpy(out + used, piece, len);
        used += len;
    }
    out[used] = '\0';
    return true;
}

bool IsPlainName(const char* text) { return text != nullptr && std::strpbrk(text, "\\/:") == nullptr; }

}  // namespace kyr

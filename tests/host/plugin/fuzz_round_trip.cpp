// Any storable command shows as a text that fits the page's edit box and parses back to
// exactly the stored bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "plugin/command_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kyr::kCommandCapacity) size = kyr::kCommandCapacity;
    static char text[kyr::kCommandTextChars + 1];
    const size_t n = kyr::FormatCommandBytes(data, size, text, sizeof text);
    if (n > kyr::kCommandTextChars) std::abort();
    static unsigned char back[kyr::kCommandCapacity];
    const size_t m = kyr::ParseCommandText(text, n, back, sizeof back);
    if (m != size || std::memcmp(back, data, size) != 0) std::abort();
    return 0;
}

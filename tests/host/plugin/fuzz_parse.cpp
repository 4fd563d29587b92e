// Any typed text: the parse stays within its buffer, yields the empty command or a command
// whose every byte is accounted for, and a valid text's bytes show again as a text that
// parses to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "plugin/command_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    // A small capacity as well, so the overflow path is reached without huge inputs.
    const size_t capacity = size > 0 ? (data[0] % 2 ? 16 : kyr::kCommandCapacity) : 16;
    static unsigned char out[kyr::kCommandCapacity + 1];
    out[capacity] = 0xEE;
    const size_t n = kyr::ParseCommandText(text, size, out, capacity);
    if (n > capacity || n > size || out[capacity] != 0xEE) std::abort();
    // Without any escape start the bytes are the text itself.
    bool escapes = false;
    for (size_t i = 0; i + 1 < size; ++i) escapes |= text[i] == '\\' && text[i + 1] == 'x';
    if (!escapes && size <= capacity && (n != size || std::memcmp(out, text, size) != 0)) std::abort();
    if (n > 0) {
        static char shown[kyr::kCommandTextChars + 1];
        const size_t length = kyr::FormatCommandBytes(out, n, shown, sizeof shown);
        static unsigned char again[kyr::kCommandCapacity];
        if (kyr::ParseCommandText(shown, length, again, sizeof again) != n) std::abort();
        if (std::memcmp(again, out, n) != 0) std::abort();
    }
    return 0;
}

// Any stored bytes, into buffers of any size: the text stays within the buffer, is
// terminated, holds only whole forms, and is made of printable characters only.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "plugin/command_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t capacity = data[0] * 8u;  // 0 .. 2040, often too small
    const uint8_t* bytes = data + 1;
    const size_t count = size - 1;
    static char out[2048 + 1];
    out[capacity] = '\x7E';
    if (capacity < sizeof out) out[capacity] = '\x7E';
    const size_t n = kyr::FormatCommandBytes(bytes, count, out, capacity);
    if (capacity == 0) {
        if (n != 0) std::abort();
        return 0;
    }
    if (n >= capacity || out[n] != '\0' || std::strlen(out) != n) std::abort();
    if (4 * count + 1 <= capacity && n < count) std::abort();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (c < 0x21 || c > 0x7F) std::abort();
    }
    // Whole forms only: the text parses to a prefix of the bytes.
    static unsigned char back[2048];
    const size_t m = kyr::ParseCommandText(out, n, back, sizeof back);
    if (m > count || std::memcmp(back, bytes, m) != 0) std::abort();
    if (n > 0 && m == 0) std::abort();
    return 0;
}

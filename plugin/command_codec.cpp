#include "plugin/command_codec.h"

namespace kyr {
namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool StartsEscape(const char* text, std::size_t length, std::size_t at) {
    return text[at] == '\\' && at + 1 < length && text[at + 1] == 'x';
}

}  // namespace

bool HexPairToByte(char high, char low, unsigned char* out) {
    const int h = HexDigitValue(high);
    const int l = HexDigitValue(low);
    if (h < 0 || l < 0) return false;
    *out = static_cast<unsigned char>(h * 16 + l);
    return true;
}

ParsedCommand ParseCommandText(const char* text, std::size_t length, LeadBytePredicate isLead,
                               unsigned char* out, std::size_t capacity) {
    std::size_t count = 0;
    std::size_t at = 0;
    while (at < length) {
        unsigned char bytes[2] = {0, 0};
        std::size_t width = AnsiCharSize(text + at, length - at, isLead);
        if (width == 1 && StartsEscape(text, length, at)) {
            if (at + 3 >= length || !HexPairToByte(text[at + 2], text[at + 3], &bytes[0])) {
                return {ParseOutcome::kMalformedEscape, 0, at};
            }
            at += 4;
            width = 1;
        } else {
            bytes[0] = static_cast<unsigned char>(text[at]);
            if (width == 2) bytes[1] = static_cast<unsigned char>(text[at + 1]);
            at += width;
        }
        // Past the capacity the walk goes on counting, and still looking for a malformed
        // escape, which empties the command whatever its length.
        for (std::size_t i = 0; i < width; ++i, ++count) {
            if (count < capacity) out[count] = bytes[i];
        }
    }
    if (count > capacity) return {ParseOutcome::kTooLong, count, 0};
    return {ParseOutcome::kParsed, count, 0};
}

std::size_t FormatCommandBytes(const unsigned char* bytes, std::size_t count, char* out,
                               std::size_t capacity) {
    static const char kDigits[] = "0123456789ABCDEF";
    if (capacity == 0) return 0;
    std::size_t used = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char b = bytes[i];
        const bool backslashBeforeX = b == '\\' && i + 1 < count && bytes[i + 1] == 'x';
        const bool plain = b >= 0x21 && b <= 0x7F && !backslashBeforeX;
        const std::size_t width = plain ? 1 : 4;
        if (used + width + 1 > capacity) break;
        if (plain) {
            out[used++] = static_cast<char>(b);
        } else {
            out[used++] = '\\';
            out[used++] = 'x';
            out[used++] = kDigits[b >> 4];
            out[used++] = kDigits[b & 0x0F];
        }
    }
    out[used] = '\0';
    return used;
}

}  // namespace kyr

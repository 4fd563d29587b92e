// Any stored bytes, into buffers of any size: the text stays within the buffer, is
// terminated, holds only whole forms, and is made of printable characters only. The buffer
// is a heap block of exactly the granted size, so the sanitizer stops any write past it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "plugin/command_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t capacity = data[0] * 8u + (data[0] & 7u);  // 0 .. 2047, often too small
    const uint8_t* bytes = data + 1;
    const size_t count = size - 1;
    std::unique_ptr<char[]> out(new char[capacity]);
    const size_t n = kyr::FormatCommandBytes(bytes, count, out.get(), capacity);
    if (capacity == 0) {
        if (n != 0) std::abort();
        return 0;
    }
    if (n >= capacity || out[n] != '\0' || std::strlen(out.get()) != n) std::abort();
    if (4 * count + 1 <= capacity && n < count) std::abort();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (c < 0x21 || c > 0x7F) std::abort();
    }
    // Whole forms only: the text parses to a prefix of the bytes, the same in a double-byte
    // code page, since the shown form is plain ASCII.
    std::unique_ptr<unsigned char[]> back(new unsigned char[kyr::kCommandCapacity]);
    const kyr::LeadBytePredicate isLead = data[0] & 1 ? kyr::Cp932LeadByte : kyr::NoLeadBytes;
    const kyr::ParsedCommand parsed =
        kyr::ParseCommandText(out.get(), n, isLead, back.get(), kyr::kCommandCapacity);
    if (parsed.outcome != kyr::ParseOutcome::kParsed) std::abort();
    if (parsed.length > count || std::memcmp(back.get(), bytes, parsed.length) != 0) std::abort();
    if (n > 0 && parsed.length == 0) std::abort();
    return 0;
}

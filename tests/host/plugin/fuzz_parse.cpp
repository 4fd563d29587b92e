// Any typed text in a single-byte or a double-byte code page: the parse stays within its
// buffer, yields the empty command, a length report, or a command whose every byte is
// accounted for, and a valid text's bytes show again as a text that parses to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "plugin/command_codec.h"

namespace {

// A single-byte backslash followed by an x, found character by character.
bool HasEscapeStart(const char* text, size_t size, kyr::LeadBytePredicate isLead) {
    for (size_t at = 0; at < size;) {
        const size_t width = kyr::AnsiCharSize(text + at, size - at, isLead);
        if (width == 1 && text[at] == '\\' && at + 1 < size && text[at + 1] == 'x') return true;
        at += width;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    // A small capacity as well, so the length report is reached without huge inputs.
    const uint8_t choice = size > 0 ? data[0] : 0;
    const size_t capacity = choice & 1 ? 16 : kyr::kCommandLimit;
    const kyr::LeadBytePredicate isLead = choice & 2 ? kyr::Cp932LeadByte : kyr::NoLeadBytes;
    std::unique_ptr<unsigned char[]> out(new unsigned char[capacity]);
    const kyr::ParsedCommand parsed = kyr::ParseCommandText(text, size, isLead, out.get(), capacity);
    const bool escapes = HasEscapeStart(text, size, isLead);
    switch (parsed.outcome) {
        case kyr::ParseOutcome::kMalformedEscape:
            if (parsed.length != 0 || !escapes) std::abort();
            return 0;
        case kyr::ParseOutcome::kTooLong:
            if (parsed.length <= capacity || parsed.length > size) std::abort();
            if (!escapes && parsed.length != size) std::abort();
            return 0;
        case kyr::ParseOutcome::kParsed:
            break;
    }
    const size_t n = parsed.length;
    if (n > capacity || n > size) std::abort();
    // Without any escape start the bytes are the text itself.
    if (!escapes && (n != size || std::memcmp(out.get(), text, size) != 0)) std::abort();
    if (n > 0) {
        std::unique_ptr<char[]> shown(new char[4 * n + 1]);
        const size_t length = kyr::FormatCommandBytes(out.get(), n, shown.get(), 4 * n + 1);
        std::unique_ptr<unsigned char[]> again(new unsigned char[n]);
        const kyr::ParsedCommand back = kyr::ParseCommandText(shown.get(), length, isLead, again.get(), n);
        if (back.outcome != kyr::ParseOutcome::kParsed || back.length != n) std::abort();
        if (std::memcmp(again.get(), out.get(), n) != 0) std::abort();
    }
    return 0;
}

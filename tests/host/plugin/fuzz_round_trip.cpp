// Any storable command shows as a text that fits the page's edit box and parses back to
// exactly the stored bytes, in a single-byte and in a double-byte code page alike.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "plugin/command_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kyr::kCommandCapacity) size = kyr::kCommandCapacity;
    std::unique_ptr<char[]> text(new char[kyr::kCommandTextChars + 1]);
    const size_t n = kyr::FormatCommandBytes(data, size, text.get(), kyr::kCommandTextChars + 1);
    if (n > kyr::kCommandTextChars) std::abort();
    for (kyr::LeadBytePredicate isLead : {kyr::NoLeadBytes, kyr::Cp932LeadByte}) {
        std::unique_ptr<unsigned char[]> back(new unsigned char[kyr::kCommandCapacity]);
        const kyr::ParsedCommand parsed =
            kyr::ParseCommandText(text.get(), n, isLead, back.get(), kyr::kCommandCapacity);
        if (parsed.outcome != kyr::ParseOutcome::kParsed || parsed.length != size) std::abort();
        if (std::memcmp(back.get(), data, size) != 0) std::abort();
    }
    return 0;
}

#include "common/text/ansi_chars.h"

#include <cstring>

namespace kyr {

bool NoLeadBytes(unsigned char) { return false; }

bool Cp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::size_t AnsiCharSize(const char* text, LeadBytePredicate isLead) {
    if (text == nullptr || text[0] == '\0') return 0;
    if (isLead != nullptr && isLead(static_cast<unsigned char>(text[0])) && text[1] != '\0')
        return 2;
    return 1;
}

std::size_t AnsiCharSize(const char* text, std::size_t length, LeadBytePredicate isLead) {
    if (text == nullptr || length == 0) return 0;
    if (isLead != nullptr && length >= 2 && isLead(static_cast<unsigned char>(text[0])))
        return 2;
    return 1;
}

const char* FindAnsiChar(const char* text, char wanted, LeadBytePredicate isLead) {
    if (text == nullptr) return nullptr;
    for (std::size_t step; (step = AnsiCharSize(text, isLead)) != 0; text += step)
        if (step == 1 && *text == wanted) return text;
    return nullptr;
}

const char* FindLastAnsiChar(const char* text, char wanted, LeadBytePredicate isLead) {
    const char* last = nullptr;
    for (const char* at = FindAnsiChar(text, wanted, isLead); at != nullptr;
         at = FindAnsiChar(at + 1, wanted, isLead))
        last = at;
    return last;
}

const char* FindAnyAnsiChar(const char* text, const char* set, LeadBytePredicate isLead) {
    if (text == nullptr || set == nullptr) return nullptr;
    for (std::size_t step; (step = AnsiCharSize(text, isLead)) != 0; text += step)
        if (step == 1 && std::strchr(set, *text) != nullptr) return text;
    return nullptr;
}

bool IsAnsiCharStart(const char* text, std::size_t offset, LeadBytePredicate isLead) {
    if (text == nullptr) return false;
    std::size_t at = 0;
    while (at < offset) {
        const std::size_t step = AnsiCharSize(text + at, isLead);
        if (step == 0) return false;
        at += step;
    }
    return at == offset;
}

}  // namespace kyr

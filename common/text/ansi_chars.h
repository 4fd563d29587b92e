// Walking ANSI text character by character. Platform-free.
//
// In the double-byte code pages of East Asian Windows (932, 936, 949, 950) a character can
// take two bytes, and in 932, 936 and 950 the second byte may have the value of a
// backslash. Code that looks for a separator or an escape byte by byte then finds one in
// the middle of a character. Every scan for a backslash in ANSI text goes through here.
#pragma once
#include <cstddef>

namespace kyr {

// True when the byte starts a two-byte character in the code page the text is in. The
// programs pass the system's answer (SystemLeadByte); tests pass a fixed table.
using LeadBytePredicate = bool (*)(unsigned char byte);

// Single-byte code pages: no byte ever starts a two-byte character.
bool NoLeadBytes(unsigned char byte);

// The lead bytes of code page 932 (Japanese Shift-JIS): 0x81-0x9F and 0xE0-0xFC.
bool Cp932LeadByte(unsigned char byte);

// The bytes the character at text takes: 2 for a lead byte followed by a trail byte,
// else 1 (a lead byte at the end of the text stands alone). 0 at the terminator.
std::size_t AnsiCharSize(const char* text, LeadBytePredicate isLead);

// The same for counted text: never reaches past text + length.
std::size_t AnsiCharSize(const char* text, std::size_t length, LeadBytePredicate isLead);

// The first single-byte character equal to wanted, or nullptr. The trail byte of a
// two-byte character never matches.
const char* FindAnsiChar(const char* text, char wanted, LeadBytePredicate isLead);

// The last single-byte character equal to wanted, or nullptr: the cut between a folder and
// the name in it. Found walking forwards, since a trail byte cannot be told apart walking back.
const char* FindLastAnsiChar(const char* text, char wanted, LeadBytePredicate isLead);

// The first single-byte character that is one of set, or nullptr.
const char* FindAnyAnsiChar(const char* text, const char* set, LeadBytePredicate isLead);

// True when the byte at offset starts a character (is not the trail byte of one).
bool IsAnsiCharStart(const char* text, std::size_t offset, LeadBytePredicate isLead);

}  // namespace kyr

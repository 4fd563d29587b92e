// The text form of a raw printer command, as the user types it into the page and as the
// page shows a stored command again. Platform-free: the page converts between the edit
// box's wide characters and the ANSI code page before and after these routines.
#pragma once

#include <cstddef>

#include "common/text/ansi_chars.h"

namespace kyr {

// The page reads stored values of up to this many bytes, so that a command written by
// another program at that length still shows whole.
constexpr std::size_t kCommandCapacity = 2048;

// The most bytes a command may hold when the page stores it.
constexpr std::size_t kCommandLimit = 2047;

// Every stored byte is shown as at most four characters, so this many characters (plus a
// terminator) show any storable command whole.
constexpr std::size_t kCommandTextChars = 4 * kCommandCapacity;

// Combines two hexadecimal digit characters (either case) into one byte. Any other
// character, the terminator included, makes the pair invalid and leaves *out alone.
bool HexPairToByte(char high, char low, unsigned char* out);

enum class ParseOutcome {
    kParsed,           // `length` bytes were written
    kMalformedEscape,  // the command is empty; `position` is where the bad escape starts
    kTooLong,          // nothing usable was written; `length` is what the text stands for
};

struct ParsedCommand {
    ParseOutcome outcome;
    std::size_t length;
    std::size_t position;  // for kMalformedEscape, the byte offset of its backslash
};

// Turns the typed text, in an ANSI code page whose lead bytes isLead tells, into command
// bytes: "\x" with two hexadecimal digits stands for one byte, every other character for
// its own byte or bytes. The walk goes by character, so the second byte of a double-byte
// character never starts an escape even when it has the value of a backslash.
// A malformed escape anywhere makes the whole command empty (a half-kept command sent to
// the printer is worse than none); the first one is reported, so the user can be shown it. A text that stands for more than `capacity` bytes is
// reported with its full length, so that the user can be told by how much it is over.
ParsedCommand ParseCommandText(const char* text, std::size_t length, LeadBytePredicate isLead,
                               unsigned char* out, std::size_t capacity);

// Shows stored bytes so that the user can read and retype them: 0x21..0x7F as themselves,
// all others as "\xHH". A backslash that ParseCommandText would take for the start of an
// escape (one followed by a lowercase x) is shown as "\x5C", so that parsing the text gives
// back exactly the stored bytes. The text is plain ASCII, so it reads the same in any code
// page. Writes at most `capacity` characters including the terminator; only whole byte
// forms are written. Returns the characters written, without the terminator.
// 4 * count + 1 characters are always enough.
std::size_t FormatCommandBytes(const unsigned char* bytes, std::size_t count, char* out,
                               std::size_t capacity);

}  // namespace kyr

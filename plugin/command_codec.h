// The text form of a raw printer command, as the user types it into the page and as the
// page shows a stored command again. Platform-free: the page converts between the edit
// box's wide characters and the ANSI code page before and after these routines.
#pragma once

#include <cstddef>

namespace kyr {

// A stored command holds at most this many bytes; the page reads values of up to this
// length back from the registry.
constexpr std::size_t kCommandCapacity = 2048;

// Every stored byte is shown as at most four characters, so this many characters (plus a
// terminator) show any storable command whole.
constexpr std::size_t kCommandTextChars = 4 * kCommandCapacity;

// Combines two hexadecimal digit characters (either case) into one byte. Any other
// character, the terminator included, makes the pair invalid and leaves *out alone.
bool HexPairToByte(char high, char low, unsigned char* out);

// Turns the typed text into command bytes: "\x" with two hexadecimal digits stands for
// one byte, every other character for its own byte. A malformed escape, or a command that
// would not fit into `capacity` bytes, makes the whole command empty: a half-kept command
// sent to the printer is worse than none. Returns the number of bytes written to `out`.
std::size_t ParseCommandText(const char* text, std::size_t length, unsigned char* out,
                             std::size_t capacity);

// Shows stored bytes so that the user can read and retype them: 0x21..0x7F as themselves,
// all others as "\xHH". A backslash that ParseCommandText would take for the start of an
// escape (one followed by a lowercase x) is shown as "\x5C", so that parsing the text gives
// back exactly the stored bytes. Writes at most `capacity` characters including the
// terminator; only whole byte forms are written. Returns the characters written, without
// the terminator. 4 * count + 1 characters are always enough.
std::size_t FormatCommandBytes(const unsigned char* bytes, std::size_t count, char* out,
                               std::size_t capacity);

}  // namespace kyr

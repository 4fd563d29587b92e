// The lead-byte answer of the ANSI code page the system runs with. Windows only.
#pragma once

namespace kyr {

// IsDBCSLeadByte, which every system we serve has (Windows 95 included), as a
// LeadBytePredicate (common/text/ansi_chars.h).
bool SystemLeadByte(unsigned char byte);

}  // namespace kyr

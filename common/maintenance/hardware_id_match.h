// How a device's first hardware id is compared with the id being removed. Platform-free.
#pragma once

namespace kyr {

// Length of "USB\Vid_7a31&Pid_5e20": ids are compared over at most this many characters,
// so revision suffixes ("&Rev_0100") of the printer's id still match.
constexpr unsigned kHardwareIdCompareLength = 21;

// ASCII letters compared without regard to case; the comparison also ends where either
// text ends, so a shorter id must equal the device's id exactly.
bool HardwareIdMatches(const char* deviceId, const char* wantedId);

}  // namespace kyr

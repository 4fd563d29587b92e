// Paths below a folder, built into fixed buffers. Platform-free.
#pragma once

#include <cstddef>

#include "common/text/ansi_chars.h"

namespace kyr {

// out := folder + "\" + tail; no second backslash when the folder ends in one. Whether it
// does is read character by character (isLead: the code page's lead bytes): a folder ending
// in a double-byte character whose second byte is the backslash byte still needs its
// separator. False, out empty, when the result would not fit.
bool JoinFolderPath(char* out, std::size_t outSize, const char* folder, const char* tail,
                    LeadBytePredicate isLead);

}  // namespace kyr

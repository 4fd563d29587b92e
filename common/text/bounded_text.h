// Names and paths built into fixed buffers. Platform-free.
#pragma once
#include <cstddef>
#include <initializer_list>

namespace kyr {

// out := the pieces one after the other. A result that would not fit (with its
// terminator) is refused whole and out left empty, never cut: a shortened key or path can
// name a different, existing object.
bool JoinPieces(char* out, std::size_t outSize, std::initializer_list<const char*> pieces);

// A name that can be appended to a folder or key without leaving it: present and free of
// separators and drive colons.
bool IsPlainName(const char* text);

}  // namespace kyr

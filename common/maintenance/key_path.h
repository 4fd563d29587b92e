// The key-path grammar of the registry access grant: an optional "\\machine" prefix, a root
// name (HKLM, HKU, HKCR, HKCU or their long forms, any case) and an optional sub-key.
// Platform-free so that the native tests and the fuzzer reach it.
#pragma once

#include <cstdint>

#include "common/maintenance/key_rights.h"
#include "common/text/ansi_chars.h"

namespace kyr {

enum class KeyRoot { kLocalMachine, kUsers, kClassesRoot, kCurrentUser };

struct KeyPathParts {
    char machine[kGrantTextBufferSize];  // "" or "\\name", as the remote connection wants it
    KeyRoot root;
    char subKey[kGrantTextBufferSize];   // "" when the path names the root itself
};

// 87 for a missing or unknown root name, an empty machine name, HKCU or HKCR on a remote
// machine (they have no meaning there), or a path of 512 characters or more. The path is
// split at backslashes that are characters of their own (isLead: the code page's lead
// bytes), so a machine name may hold double-byte characters ending in the backslash byte.
uint32_t ParseKeyPath(const char* path, KeyPathParts* out, LeadBytePredicate isLead);

}  // namespace kyr

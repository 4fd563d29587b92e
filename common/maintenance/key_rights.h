// The permission-string grammar of the registry access grant ("/PG:Everyone:Fc") and its
// rights letters. Platform-free so that the native tests and the fuzzer reach it.
#pragma once

#include <cstdint>

namespace kyr {

// Result codes are the platform's error numbers, so callers pass them on unchanged.
constexpr uint32_t kErrSuccess = 0;
constexpr uint32_t kErrNotEnoughMemory = 8;
constexpr uint32_t kErrInvalidParameter = 87;

// Working copies of the texts live in buffers of this size (511 characters and the end).
constexpr unsigned kGrantTextBufferSize = 512;

// Access modes in the platform's numbering (ACCESS_MODE).
enum KeyAccessMode : int {
    kModeNotUsed = 0,
    kModeGrant = 1,
    kModeSet = 2,
    kModeDeny = 3,
    kModeRevoke = 4,
};

constexpr uint32_t kRightsFullControl = 0x000F003F;  // "Fc", KEY_ALL_ACCESS
constexpr uint32_t kRightsRead = 0x00020019;         // "Rd", KEY_READ
// "Wr" is KEY_WRITE (0x00020006) plus KEY_CREATE_LINK; the letters have always meant this
// mask, so it must not be "corrected" to KEY_WRITE.
constexpr uint32_t kRightsWrite = 0x00020026;

// Reads rights letters two at a time ("Fc", "Rd", "Wr", any case) and ORs their masks.
// Empty text: mask 0. Odd length or an unknown pair: 87, *mask left 0.
uint32_t ParseKeyRights(const char* text, uint32_t* mask);

struct KeyPermission {
    int mode;                             // KeyAccessMode
    char trustee[kGrantTextBufferSize];   // account name (see IsWorldTrustee)
    uint32_t rights;                      // 0 where the mode reads no rights
};

// Splits "<mode>:<trustee>:<rights>" (the rights take everything after the second ':').
// Any grammar error, or a text of 512 characters or more: 87 with *out zeroed.
uint32_t ParseKeyPermission(const char* text, KeyPermission* out);

// True when the trustee is "Everyone" in any letter case. That group has another name on
// every localized system ("Jeder", "Tout le monde", ...), so it is given to the system by
// its well-known identifier (S-1-1-0), which is the same everywhere, never by name.
bool IsWorldTrustee(const char* trustee);

}  // namespace kyr

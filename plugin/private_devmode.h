// The plug-in's 16-byte section of a printer's devmode, and how a section handed in by the
// driver's user interface (possibly written by another plug-in or an older version) becomes
// ours. Platform-free; sections are raw memory, read and written byte-wise.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kyr {

struct PrivateDevmode {
    std::uint32_t dwSize;
    std::uint32_t dwSignature;
    std::uint32_t dwVersion;
    std::int32_t privateValue;
};
static_assert(sizeof(PrivateDevmode) == 16, "the section is four 32-bit fields");
// The section is stored with the printer's devmode and handed to whichever build of the
// driver runs (a 32-bit program's job on x64 Windows reaches the 64-bit one): the same bytes
// on every build.
static_assert(offsetof(PrivateDevmode, dwSize) == 0 && offsetof(PrivateDevmode, dwSignature) == 4 &&
                  offsetof(PrivateDevmode, dwVersion) == 8 && offsetof(PrivateDevmode, privateValue) == 12,
              "the section's fields sit where every build of the plug-in reads them");

constexpr std::uint32_t kPrivateDevmodeSize = sizeof(PrivateDevmode);
constexpr std::uint32_t kPluginSignature = 0x4D534654;
constexpr std::uint32_t kPluginVersion = 1;
constexpr std::int32_t kMaxPrivateValue = 100;

// Each does nothing for a null section.
void WriteDefaultPrivateDevmode(void* out);
// A section with our signature is copied (no more than either side's dwSize says, and never
// more than our own 16 bytes, whatever a foreign dwSize claims); any other becomes the
// default section.
void ConvertPrivateDevmode(const void* in, void* out);
// Makes the header ours again and drops a privateValue above 100.
void ValidatePrivateDevmode(void* section);

}  // namespace kyr

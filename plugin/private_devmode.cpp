#include "plugin/private_devmode.h"

#include <cstring>

namespace kyr {
namespace {

PrivateDevmode Read(const void* section) {
    PrivateDevmode dm;
    std::memcpy(&dm, section, sizeof dm);
    return dm;
}

void Write(void* section, const PrivateDevmode& dm) { std::memcpy(section, &dm, sizeof dm); }

}  // namespace

void WriteDefaultPrivateDevmode(void* out) {
    if (out == nullptr) return;
    Write(out, PrivateDevmode{kPrivateDevmodeSize, kPluginSignature, kPluginVersion, 0});
}

void ConvertPrivateDevmode(const void* in, void* out) {
    if (in == nullptr || out == nullptr) return;
    // Only the input's size and signature are read whole: the input may be shorter than
    // our section, as its dwSize says.
    std::uint32_t sourceSize, sourceSignature;
    std::memcpy(&sourceSize, in, sizeof sourceSize);
    std::memcpy(&sourceSignature, static_cast<const unsigned char*>(in) + 4, sizeof sourceSignature);
    PrivateDevmode target = Read(out);
    if (sourceSignature != target.dwSignature) {
        WriteDefaultPrivateDevmode(out);
        return;
    }
    target.privateValue = 0;
    Write(out, target);
    std::uint32_t copy = sourceSize < target.dwSize ? sourceSize : target.dwSize;
    if (copy > kPrivateDevmodeSize) copy = kPrivateDevmodeSize;
    std::memcpy(out, in, copy);
    target = Read(out);
    target.dwSize = kPrivateDevmodeSize;
    target.dwVersion = kPluginVersion;
    Write(out, target);
}

void ValidatePrivateDevmode(void* section) {
    if (section == nullptr) return;
    PrivateDevmode dm = Read(section);
    dm.dwSize = kPrivateDevmodeSize;
    dm.dwSignature = kPluginSignature;
    dm.dwVersion = kPluginVersion;
    if (dm.privateValue > kMaxPrivateValue) dm.privateValue = 0;
    Write(section, dm);
}

}  // namespace kyr

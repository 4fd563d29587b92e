#include "plugin/private_devmode.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kyr {
namespace {

constexpr PrivateDevmode kDefault = {16, kPluginSignature, 1, 0};

bool Same(const PrivateDevmode& a, const PrivateDevmode& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(PrivateDevmode, DefaultSection) {
    PrivateDevmode out = {1, 2, 3, 4};
    WriteDefaultPrivateDevmode(&out);
    EXPECT_TRUE(Same(out, kDefault));
    WriteDefaultPrivateDevmode(nullptr);  // nothing to do, nothing done
}

TEST(PrivateDevmode, Convert) {
    struct Case {
        const char* what;
        PrivateDevmode in, out, expected;
    };
    const Case cases[] = {
        {"ours is copied", {16, kPluginSignature, 1, 42}, kDefault, {16, kPluginSignature, 1, 42}},
        {"another signature gives the default", {16, 0x12345678, 1, 42},
         {16, kPluginSignature, 1, 9}, kDefault},
        {"a 12-byte input copies the header only", {12, kPluginSignature, 5, 77}, kDefault,
         {16, kPluginSignature, 1, 0}},
        {"the smaller side's size counts", {16, kPluginSignature, 1, 42},
         {12, kPluginSignature, 1, 5}, {16, kPluginSignature, 1, 0}},
        {"an older version is made current", {16, kPluginSignature, 0, 3}, kDefault,
         {16, kPluginSignature, 1, 3}},
    };
    for (const Case& c : cases) {
        PrivateDevmode out = c.out;
        ConvertPrivateDevmode(&c.in, &out);
        EXPECT_TRUE(Same(out, c.expected)) << c.what;
    }
}

TEST(PrivateDevmode, ConvertNeverCopiesMoreThanOurSection) {
    struct Padded {
        PrivateDevmode section;
        unsigned char guard[16];
    };
    Padded in = {{4096, kPluginSignature, 1, 7}, {}};
    std::memset(in.guard, 0xAA, sizeof in.guard);
    Padded out = {{4096, kPluginSignature, 1, 0}, {}};
    std::memset(out.guard, 0x55, sizeof out.guard);
    ConvertPrivateDevmode(&in.section, &out.section);
    EXPECT_EQ(out.section.privateValue, 7);
    EXPECT_EQ(out.section.dwSize, 16u);
    for (unsigned char g : out.guard) EXPECT_EQ(g, 0x55);
}

TEST(PrivateDevmode, ConvertWithAMissingSideDoesNothing) {
    PrivateDevmode out = {1, 2, 3, 4};
    ConvertPrivateDevmode(nullptr, &out);
    EXPECT_TRUE(Same(out, (PrivateDevmode{1, 2, 3, 4})));
    ConvertPrivateDevmode(&out, nullptr);
}

TEST(PrivateDevmode, ValidateRestoresTheHeaderAndDropsValuesAboveOneHundred) {
    struct Case { std::int32_t value, kept; };
    const Case cases[] = {{101, 0}, {100, 100}, {0, 0}, {-5, -5}, {INT32_MIN, INT32_MIN},
                          {INT32_MAX, 0}};
    for (const Case& c : cases) {
        PrivateDevmode section = {3, 0xDEADBEEF, 9, c.value};
        ValidatePrivateDevmode(&section);
        EXPECT_TRUE(Same(section, (PrivateDevmode{16, kPluginSignature, 1, c.kept}))) << c.value;
    }
    ValidatePrivateDevmode(nullptr);
}

}  // namespace
}  // namespace kyr

#include "common/text/ansi_chars.h"

#include <gtest/gtest.h>

namespace kyr {
namespace {

// "ソ" in code page 932 is 83 5C: its trail byte has the value of a backslash.
const char kSo[] = "\x83\x5C";

struct FindCase {
    const char* text;
    LeadBytePredicate lead;
    long expected;  // offset of the first real backslash, -1 for none
};

TEST(AnsiChars, FindsOnlyBackslashesThatAreCharacters) {
    const FindCase cases[] = {
        {"", Cp932LeadByte, -1},
        {"abc", Cp932LeadByte, -1},
        {"a\\b", Cp932LeadByte, 1},
        {"KYR\x83\x5C", Cp932LeadByte, -1},
        {"KYR\x83\x5C", NoLeadBytes, 4},        // a Western system reads it as two characters
        {"\x83\x5C\\x", Cp932LeadByte, 2},      // a real separator after the character stays found
        {"\x83", Cp932LeadByte, -1},            // a lone lead byte at the end
        {"\x83\\", Cp932LeadByte, -1},          // ... takes the next byte as its trail
        {"\xE0\x5C\xFC\x5C\\", Cp932LeadByte, 4},
        {"\xA0\\", Cp932LeadByte, 1},           // 0xA0 is a one-byte character in 932
    };
    for (const FindCase& c : cases) {
        const char* hit = FindAnsiChar(c.text, '\\', c.lead);
        const long at = hit == nullptr ? -1 : static_cast<long>(hit - c.text);
        EXPECT_EQ(at, c.expected) << "text of " << sizeof(c.text) << " bytes: " << c.text;
    }
}

TEST(AnsiChars, FindsTheLastRealBackslash) {
    const char path[] = "C:\\KYR\x83\x5C\\a\x83\x5C";  // C:\KYRソ\aソ
    EXPECT_EQ(FindLastAnsiChar(path, '\\', Cp932LeadByte), path + 8);
    EXPECT_EQ(FindLastAnsiChar(path, '\\', NoLeadBytes), path + 11);
    EXPECT_EQ(FindLastAnsiChar("name", '\\', Cp932LeadByte), nullptr);
    EXPECT_EQ(FindLastAnsiChar(nullptr, '\\', Cp932LeadByte), nullptr);
}

TEST(AnsiChars, FindAnyMatchesEveryMemberOfTheSet) {
    const char drive[] = "C:x";
    EXPECT_EQ(FindAnyAnsiChar(drive, "\\/:", Cp932LeadByte), drive + 1);
    const char text[] = "\x83\x5C/";
    EXPECT_EQ(FindAnyAnsiChar(text, "\\/:", Cp932LeadByte), text + 2);
    EXPECT_EQ(FindAnyAnsiChar(kSo, "\\/:", Cp932LeadByte), nullptr);
    EXPECT_EQ(FindAnyAnsiChar(nullptr, "\\", Cp932LeadByte), nullptr);
}

TEST(AnsiChars, CountedSizeNeverReachesPastTheEnd) {
    EXPECT_EQ(AnsiCharSize(kSo, 2, Cp932LeadByte), 2u);
    EXPECT_EQ(AnsiCharSize(kSo, 1, Cp932LeadByte), 1u);
    EXPECT_EQ(AnsiCharSize(kSo, 0, Cp932LeadByte), 0u);
    EXPECT_EQ(AnsiCharSize(kSo, 2, NoLeadBytes), 1u);
    EXPECT_EQ(AnsiCharSize(kSo, 2, nullptr), 1u);
}

TEST(AnsiChars, CharacterStarts) {
    const char text[] = "a\x83\x5C" "b";
    EXPECT_TRUE(IsAnsiCharStart(text, 0, Cp932LeadByte));
    EXPECT_TRUE(IsAnsiCharStart(text, 1, Cp932LeadByte));
    EXPECT_FALSE(IsAnsiCharStart(text, 2, Cp932LeadByte));
    EXPECT_TRUE(IsAnsiCharStart(text, 3, Cp932LeadByte));
    EXPECT_TRUE(IsAnsiCharStart(text, 4, Cp932LeadByte));   // the terminator
    EXPECT_FALSE(IsAnsiCharStart(text, 5, Cp932LeadByte));  // past it
    EXPECT_TRUE(IsAnsiCharStart(text, 2, NoLeadBytes));
}

}  // namespace
}  // namespace kyr

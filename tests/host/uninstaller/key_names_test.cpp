#include "uninstaller/key_names.h"

#include <gtest/gtest.h>

#include <string>

namespace kyr {
namespace {

struct SettingsCase {
    std::string printer;
    bool built;
    std::string key;
};

TEST(SettingsKeyName, BlanksBecomeUnderscoresAndNothingElseChanges) {
    const SettingsCase cases[] = {
        {"KYR POS 730", true, "KYR_POS_730"},
        {"KYR POS 730(#1)", true, "KYR_POS_730(#1)"},
        {"  two  blanks ", true, "__two__blanks_"},
        {"Tab\there_already_underscored", true, "Tab\there_already_underscored"},
        {"\xC4nderung Kasse", true, "\xC4nderung_Kasse"},
        // A backslash would reach into a key of another name.
        {"KYR POS 730\\..\\Other", false, ""},
        {"", false, ""},
    };
    for (const SettingsCase& c : cases) {
        char out[kNameBufferSize] = "junk";
        EXPECT_EQ(SettingsKeyName(c.printer.c_str(), out, sizeof(out)), c.built) << c.printer;
        EXPECT_EQ(std::string(out), c.key) << c.printer;
    }
}

TEST(SettingsKeyName, LongNamesAreWholeOrRefusedNeverCut) {
    char out[kNameBufferSize];
    // The longest name a key can have.
    const std::string longest(255, 'A');
    ASSERT_TRUE(SettingsKeyName(longest.c_str(), out, sizeof(out)));
    EXPECT_EQ(std::string(out), longest);
    // One more character: no key can have the name, so there is nothing to delete; a cut
    // would name the key of another printer whose name starts the same way.
    const std::string tooLong(256, 'A');
    EXPECT_FALSE(SettingsKeyName(tooLong.c_str(), out, sizeof(out)));
    EXPECT_EQ(std::string(out), "");
    // A small buffer refuses as well.
    char small[8];
    EXPECT_FALSE(SettingsKeyName("KYR POS 730", small, sizeof(small)));
    EXPECT_EQ(std::string(small), "");
}

TEST(IsSingleKeyName, Boundaries) {
    EXPECT_TRUE(IsSingleKeyName("0000"));
    EXPECT_TRUE(IsSingleKeyName(std::string(255, 'x').c_str()));
    EXPECT_FALSE(IsSingleKeyName(std::string(256, 'x').c_str()));
    EXPECT_FALSE(IsSingleKeyName(std::string(1000, 'x').c_str()));
    EXPECT_FALSE(IsSingleKeyName("a\\b"));
    EXPECT_FALSE(IsSingleKeyName(""));
    EXPECT_FALSE(IsSingleKeyName(nullptr));
}

TEST(JoinText, FitsExactlyOrRefuses) {
    char out[8];
    EXPECT_TRUE(JoinText(out, sizeof(out), "abc", "defg"));
    EXPECT_EQ(std::string(out), "abcdefg");
    EXPECT_FALSE(JoinText(out, sizeof(out), "abcd", "efgh"));
    EXPECT_EQ(std::string(out), "");
    EXPECT_FALSE(JoinText(out, sizeof(out), nullptr, "a"));
    EXPECT_FALSE(JoinText(out, 0, "a", "b"));
}

TEST(IsPlainFileName, OnlyNamesDirectlyInTheFolder) {
    const struct {
        const char* name;
        bool plain;
    } cases[] = {
        {"oem3.inf", true},   {"KYR730.INF", true},   {"", false},
        {"..\\win.ini", false}, {"sub/oem3.inf", false}, {"C:oem3.inf", false},
        {"C:\\boot.ini", false}, {".", false},          {"..", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsPlainFileName(c.name), c.plain) << c.name;
    EXPECT_FALSE(IsPlainFileName(nullptr));
}

TEST(MakePnfTwin, ReplacesTheExtensionOfTheFileOnly) {
    const struct {
        const char* path;
        bool made;
        const char* twin;
    } cases[] = {
        {"C:\\WINDOWS\\inf\\oem5.inf", true, "C:\\WINDOWS\\inf\\oem5.PNF"},
        {"C:\\WINDOWS\\INF\\OTHER\\KYR730.INF", true, "C:\\WINDOWS\\INF\\OTHER\\KYR730.PNF"},
        {"oem5.inf", true, "oem5.PNF"},
        {"abcd", true, "aPNF"},
        // The three characters would reach into the folder part of the path.
        {"C:\\WINDOWS\\inf\\", false, "C:\\WINDOWS\\inf\\"},
        {"C:\\WINDOWS\\inf\\ab", false, "C:\\WINDOWS\\inf\\ab"},
        {"C:\\WINDOWS\\inf\\abc", false, "C:\\WINDOWS\\inf\\abc"},
        {"abc", false, "abc"},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        char path[kNameBufferSize];
        snprintf(path, sizeof(path), "%s", c.path);
        EXPECT_EQ(MakePnfTwin(path), c.made) << c.path;
        EXPECT_EQ(std::string(path), c.twin) << c.path;
    }
}

TEST(PrinterIdMatches, FirstFourBytesDecide) {
    const uint8_t printer[8] = {'K', 'Y', 'R', '1', 'x', 'x', 0, 0};
    const uint8_t sameStart[8] = {'K', 'Y', 'R', '1', 'y', 'y', 'y', 0};
    const uint8_t differs[8] = {'K', 'Y', 'R', '2', 'x', 'x', 0, 0};
    const uint8_t shortValue[8] = {'K', 'Y', 0, 0, 0, 0, 0, 0};
    const uint8_t shortPrinter[8] = {'K', 'Y', 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(PrinterIdMatches(sameStart, printer));
    EXPECT_FALSE(PrinterIdMatches(differs, printer));
    EXPECT_FALSE(PrinterIdMatches(shortValue, printer));
    EXPECT_TRUE(PrinterIdMatches(shortValue, shortPrinter));
    EXPECT_FALSE(PrinterIdMatches(nullptr, printer));
}

}  // namespace
}  // namespace kyr

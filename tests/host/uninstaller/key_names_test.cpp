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
        EXPECT_EQ(SettingsKeyName(c.printer.c_str(), out, sizeof(out), NoLeadBytes), c.built) << c.printer;
        EXPECT_EQ(std::string(out), c.key) << c.printer;
    }
}

TEST(SettingsKeyName, LongNamesAreWholeOrRefusedNeverCut) {
    char out[kNameBufferSize];
    // The longest name a key can have.
    const std::string longest(255, 'A');
    ASSERT_TRUE(SettingsKeyName(longest.c_str(), out, sizeof(out), NoLeadBytes));
    EXPECT_EQ(std::string(out), longest);
    // One more character: no key can have the name, so there is nothing to delete; a cut
    // would name the key of another printer whose name starts the same way.
    const std::string tooLong(256, 'A');
    EXPECT_FALSE(SettingsKeyName(tooLong.c_str(), out, sizeof(out), NoLeadBytes));
    EXPECT_EQ(std::string(out), "");
    // A small buffer refuses as well.
    char small[8];
    EXPECT_FALSE(SettingsKeyName("KYR POS 730", small, sizeof(small), NoLeadBytes));
    EXPECT_EQ(std::string(small), "");
}

TEST(IsSingleKeyName, Boundaries) {
    EXPECT_TRUE(IsSingleKeyName("0000", NoLeadBytes));
    EXPECT_TRUE(IsSingleKeyName(std::string(255, 'x').c_str(), NoLeadBytes));
    EXPECT_FALSE(IsSingleKeyName(std::string(256, 'x').c_str(), NoLeadBytes));
    EXPECT_FALSE(IsSingleKeyName(std::string(1000, 'x').c_str(), NoLeadBytes));
    EXPECT_FALSE(IsSingleKeyName("a\\b", NoLeadBytes));
    EXPECT_FALSE(IsSingleKeyName("", NoLeadBytes));
    EXPECT_FALSE(IsSingleKeyName(nullptr, NoLeadBytes));
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
    for (const auto& c : cases) EXPECT_EQ(IsPlainFileName(c.name, NoLeadBytes), c.plain) << c.name;
    EXPECT_FALSE(IsPlainFileName(nullptr, NoLeadBytes));
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
        EXPECT_EQ(MakePnfTwin(path, NoLeadBytes), c.made) << c.path;
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

// Code page 932 (Japanese). "\x83\x5C" is the katakana "so", "\x95\x5C" is "hyou" (table):
// both end in the backslash byte. "\x83\x55" ends in a "U".
constexpr char kSo[] = "\x83\x5C";
constexpr char kHyou[] = "\x95\x5C";

TEST(DoubleByteNames, ATrailByteIsNeverASeparator) {
    const std::string so = kSo;
    const struct {
        std::string name;
        bool singleKey;
        std::string settingsKey;  // "" when refused
    } cases[] = {
        {"KYR" + so, true, "KYR" + so},
        {so + " " + kHyou + " 730", true, so + "_" + kHyou + "_730"},
        {so, true, so},
        // A real backslash next to a character that ends in one is still refused.
        {"KYR" + so + "\\Other", false, ""},
        {"\\" + so, false, ""},
        // A lead byte at the very end stands alone; the name has no backslash.
        {"KYR\x83", true, "KYR\x83"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSingleKeyName(c.name.c_str(), Cp932LeadByte), c.singleKey) << c.name;
        char out[kNameBufferSize] = "junk";
        EXPECT_EQ(SettingsKeyName(c.name.c_str(), out, sizeof(out), Cp932LeadByte), c.singleKey)
            << c.name;
        EXPECT_EQ(std::string(out), c.settingsKey) << c.name;
    }
    // Read byte by byte, as a single-byte code page would, the same name holds a backslash.
    EXPECT_FALSE(IsSingleKeyName(("KYR" + so).c_str(), NoLeadBytes));
}

TEST(DoubleByteNames, TheKeyNameLimitCountsCharacters) {
    std::string longest;
    for (int i = 0; i < 255; ++i) longest += kSo;
    EXPECT_TRUE(IsSingleKeyName(longest.c_str(), Cp932LeadByte));
    EXPECT_FALSE(IsSingleKeyName((longest + "x").c_str(), Cp932LeadByte));
    // 510 bytes do not fit the settings key buffer: refused whole, not cut.
    char out[kNameBufferSize] = "junk";
    EXPECT_FALSE(SettingsKeyName(longest.c_str(), out, sizeof(out), Cp932LeadByte));
    EXPECT_EQ(std::string(out), "");
}

TEST(DoubleByteNames, FileNamesAndTwins) {
    const std::string so = kSo;
    const struct {
        std::string name;
        bool plain;
    } files[] = {
        {so + ".inf", true},
        {"oem" + so + "3.inf", true},
        {so + "\\win.ini", false},
        {so + "/x.inf", false},
        {"C:" + so, false},
    };
    for (const auto& c : files)
        EXPECT_EQ(IsPlainFileName(c.name.c_str(), Cp932LeadByte), c.plain) << c.name;

    const struct {
        std::string path;
        bool made;
        std::string twin;
    } twins[] = {
        {"C:\\WINDOWS\\inf\\" + so + ".inf", true, "C:\\WINDOWS\\inf\\" + so + ".PNF"},
        // The character before the extension ends in the backslash byte: still a file name.
        {"C:\\inf\\a" + so + "inf", true, "C:\\inf\\a" + so + "PNF"},
        // Two-byte characters among the last three go whole; none is cut in half.
        {"C:\\inf\\x" + so + so + "a", true, "C:\\inf\\xPNF"},
        {"C:\\inf\\wxyz" + so + "a", true, "C:\\inf\\wxyPNF"},
        // Three characters with a separator before them reach into the folder part.
        {"C:\\inf\\" + so + so + so, false, "C:\\inf\\" + so + so + so},
        {so + so + so, false, so + so + so},
    };
    for (const auto& c : twins) {
        char path[kNameBufferSize];
        snprintf(path, sizeof(path), "%s", c.path.c_str());
        EXPECT_EQ(MakePnfTwin(path, Cp932LeadByte), c.made) << c.path;
        EXPECT_EQ(std::string(path), c.twin) << c.path;
    }
}

TEST(PortIsUsb, OnlyWholeCharactersMatch) {
    const struct {
        const char* port;
        LeadBytePredicate isLead;
        bool usb;
    } cases[] = {
        {"USB001", Cp932LeadByte, true},
        {"\x83\x5CUSB001", Cp932LeadByte, true},
        {"LPT1:", Cp932LeadByte, false},
        {"usb001", Cp932LeadByte, false},
        // "\x83U" is one character; the "SB" after it is no "USB".
        {"\x83USB", Cp932LeadByte, false},
        {"\x83USB", NoLeadBytes, true},
        {"", Cp932LeadByte, false},
    };
    for (const auto& c : cases) EXPECT_EQ(PortIsUsb(c.port, c.isLead), c.usb) << c.port;
}

}  // namespace
}  // namespace kyr

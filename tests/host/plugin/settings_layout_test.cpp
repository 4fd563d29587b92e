#include "plugin/settings_layout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kyr {
namespace {

std::vector<std::uint8_t> Bytes(const MiscSettings& s) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&s);
    return std::vector<std::uint8_t>(p, p + sizeof s);
}

TEST(MiscSettings, FieldsSitAtTheirStoredOffsets) {
    EXPECT_EQ(offsetof(MiscSettings, lineFeeds), 0u);
    EXPECT_EQ(offsetof(MiscSettings, endDrawer1), 1u);
    EXPECT_EQ(offsetof(MiscSettings, endDrawer1Time), 2u);
    EXPECT_EQ(offsetof(MiscSettings, endDrawer2), 3u);
    EXPECT_EQ(offsetof(MiscSettings, endDrawer2Time), 4u);
    EXPECT_EQ(offsetof(MiscSettings, reserved), 5u);
    EXPECT_EQ(offsetof(MiscSettings, startDrawer1), 6u);
    EXPECT_EQ(offsetof(MiscSettings, startDrawer1Time), 7u);
    EXPECT_EQ(offsetof(MiscSettings, startDrawer2), 8u);
    EXPECT_EQ(offsetof(MiscSettings, startDrawer2Time), 9u);
}

TEST(MiscSettings, DefaultsAreNoDrawersNoLineFeedsAndFiftyMilliseconds) {
    EXPECT_EQ(Bytes(DefaultMiscSettings()),
              (std::vector<std::uint8_t>{0, 0, 25, 0, 25, 0, 0, 25, 0, 25}));
}

TEST(MiscSettings, LoadingByWhatTheReadGave) {
    const std::uint8_t stored[21] = {3, 1, 100, 2, 10, 9, 1, 125, 0, 200, 7, 7, 7, 7, 7,
                                     7, 7, 7,   7, 7, 7};
    const std::vector<std::uint8_t> defaults = Bytes(DefaultMiscSettings());
    struct Case { bool ok; std::size_t length; std::vector<std::uint8_t> expected; };
    const Case cases[] = {
        {false, 10, defaults},
        {true, 21, defaults},                       // longer than ours: not ours
        {true, 10, {3, 1, 100, 2, 10, 9, 1, 125, 0, 200}},
        {true, 20, {3, 1, 100, 2, 10, 9, 1, 125, 0, 200}},
        {true, 4, {3, 1, 100, 2, 0, 0, 0, 0, 0, 0}},  // missing fields stay 0
        {true, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Bytes(MiscFromStoredValue(c.ok, stored, c.length)), c.expected)
            << c.ok << " " << c.length;
    }
}

TEST(MiscSettings, TimesOutsideTwentyFiveToOneHundredTwentyFiveBecomeTheDefault) {
    struct Case { std::uint8_t stored, loaded; };
    const Case cases[] = {{0, 25}, {10, 25}, {24, 25}, {25, 25}, {26, 26},
                          {100, 100}, {125, 125}, {126, 25}, {200, 25}, {255, 25}};
    for (const Case& c : cases) EXPECT_EQ(ValidDrawerTime(c.stored), c.loaded) << +c.stored;

    MiscSettings s = {7, 2, 10, 1, 200, 9, 1, 125, 0, 24};
    ValidateDrawerTimes(s);
    EXPECT_EQ(Bytes(s), (std::vector<std::uint8_t>{7, 2, 25, 1, 25, 9, 1, 125, 0, 25}));
}

TEST(MiscSettings, OnlyExactlyOneOpensADrawer) {
    EXPECT_FALSE(DrawerFlagSet(0));
    EXPECT_TRUE(DrawerFlagSet(1));
    EXPECT_FALSE(DrawerFlagSet(2));
    EXPECT_FALSE(DrawerFlagSet(255));
}

TEST(TimeBoxArrows, StepByOneWithinFiftyToTwoHundredFifty) {
    struct Case { std::uint8_t shown; bool up; std::uint8_t result; };
    const Case cases[] = {
        {50, true, 51},  {51, false, 50}, {100, true, 101}, {100, false, 99},
        {250, true, 250}, {249, true, 250}, {50, false, 50},
        {0, true, 50},    // an empty box reads as 0
        {44, true, 50},   // 300 reads as 44
        {255, true, 50},  // wraps within the byte before the range applies
        {0, false, 250},  // 0 - 1 is 255 within the byte
        {251, false, 250},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StepPulseMs(c.shown, c.up), c.result) << +c.shown << " " << c.up;
    }
}

TEST(ParseDecimalByte, ReadsLikeAtoiKeepingTheLowByte) {
    struct Case { const char* text; std::uint8_t value; };
    const Case cases[] = {
        {"", 0},        {"0", 0},       {"50", 50},   {"250", 250}, {"255", 255},
        {"256", 0},     {"300", 44},    {"51", 51},   {"  12", 12}, {"+7", 7},
        {"-1", 255},    {"12ab", 12},   {"ab12", 0},  {"-", 0},     {"\t9", 9},
        {"99999999999999999999", 255},  // 10^20 - 1; 10^20 is a multiple of 256
    };
    for (const Case& c : cases) EXPECT_EQ(ParseDecimalByte(c.text), c.value) << c.text;
}

TEST(SettingsKeyPath, BlanksBecomeUnderscoresEverythingElseStays) {
    struct Case { const wchar_t* name; const wchar_t* path; };
    const Case cases[] = {
        {L"KYR POS 730", L"SOFTWARE\\KYR_POS_PRINTER\\KYR_POS_730"},
        {L"KYR POS 730(#1)", L"SOFTWARE\\KYR_POS_PRINTER\\KYR_POS_730(#1)"},
        {L"  a\tb ", L"SOFTWARE\\KYR_POS_PRINTER\\__a\tb_"},
        {L"", L"SOFTWARE\\KYR_POS_PRINTER\\"},
    };
    for (const Case& c : cases) {
        wchar_t out[520];
        ASSERT_TRUE(FormSettingsKeyPath(c.name, out, 520));
        EXPECT_EQ(std::wstring(out), c.path);
    }
}

TEST(SettingsKeyPath, NamesTooLongForThePathAreRefusedNotCut) {
    wchar_t out[520];
    const std::wstring longest(kMaxPrinterNameChars, L'n');
    ASSERT_TRUE(FormSettingsKeyPath(longest.c_str(), out, 520));
    EXPECT_EQ(std::wstring(out).size(), 25 + longest.size());

    const std::wstring tooLong(kMaxPrinterNameChars + 1, L'n');
    EXPECT_FALSE(FormSettingsKeyPath(tooLong.c_str(), out, 520));
    EXPECT_EQ(out[0], L'\0');
    EXPECT_FALSE(FormSettingsKeyPath(L"KYR POS 730", out, 30));
    EXPECT_EQ(out[0], L'\0');
    EXPECT_FALSE(FormSettingsKeyPath(nullptr, out, 520));
}

}  // namespace
}  // namespace kyr

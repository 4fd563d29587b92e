// The "Additional Commands" page in a real property sheet: what it shows for the settings
// in the printer's key, what its controls do, and what Apply stores.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin/res/resource.h"
#include "tests/win/plugin/plugin_support.h"

namespace kyr_test {
namespace {

using Bytes = std::vector<BYTE>;

const Bytes kExample1 = {0x1B, 0x70, 0x00, 0x19, 0xFF};
const Bytes kExample2 = {0x1D, 0x56, 0x42, 0x00};

struct Row { int check, edit, scroll, unit; };
const Row kRows[] = {
    {IDC_END_DRAWER1, IDC_END_DRAWER1_TIME, IDC_END_DRAWER1_SCROLL, IDC_END_DRAWER1_UNIT},
    {IDC_END_DRAWER2, IDC_END_DRAWER2_TIME, IDC_END_DRAWER2_SCROLL, IDC_END_DRAWER2_UNIT},
    {IDC_START_DRAWER1, IDC_START_DRAWER1_TIME, IDC_START_DRAWER1_SCROLL, IDC_START_DRAWER1_UNIT},
    {IDC_START_DRAWER2, IDC_START_DRAWER2_TIME, IDC_START_DRAWER2_SCROLL, IDC_START_DRAWER2_UNIT},
};

bool Checked(const Sheet& s, int id) {
    return SendMessageW(s.Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool RowEnabled(const Sheet& s, const Row& row) {
    const bool edit = IsWindowEnabled(s.Item(row.edit)) != FALSE;
    const bool scroll = IsWindowEnabled(s.Item(row.scroll)) != FALSE;
    const bool unit = IsWindowEnabled(s.Item(row.unit)) != FALSE;
    EXPECT_EQ(edit, scroll);
    EXPECT_EQ(edit, unit);
    return edit;
}

class Page : public ::testing::Test {
protected:
    void SetUp() override {
        LoadPlugin();
        const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        printer = std::wstring(L"KYR POS 730 ") + std::wstring(name, name + std::strlen(name));
        DeleteSettingsKey(printer);
    }
    void TearDown() override { DeleteSettingsKey(printer); }
    std::wstring printer;
};

TEST_F(Page, TwoPagesAreAddedWithTheirTitles) {
    Sheet sheet(printer);
    ASSERT_TRUE(sheet.Open());
    ASSERT_EQ(sheet.titles.size(), 2u);
    EXPECT_EQ(sheet.titles[0], L"Additional Commands");
    EXPECT_EQ(sheet.titles[1], L"About");
    EXPECT_EQ(sheet.pageCountQueries, 1);
    EXPECT_EQ(sheet.info.Result, reinterpret_cast<ULONG_PTR>(sheet.pages[1]));
    ASSERT_EQ(sheet.records.size(), 2u);
    const WORD templates[] = {IDD_COMMANDS, IDD_ABOUT};
    for (size_t i = 0; i < 2; ++i) {
        const PROPSHEETPAGEW& page = sheet.records[i];
        EXPECT_EQ(page.dwSize, 48u) << i;
        EXPECT_NE(page.dwFlags & PSP_USETITLE, 0u) << i;
        EXPECT_EQ(page.hInstance, LoadPlugin().module) << i;
        EXPECT_EQ(page.pszTemplate, MAKEINTRESOURCEW(templates[i])) << i;
    }
    EXPECT_NE(sheet.records[0].lParam, 0);
    EXPECT_EQ(sheet.records[1].lParam, sheet.records[0].lParam) << "both pages carry the record";

    PROPSHEETUI_INFO_HEADER header = {};
    header.cbSize = sizeof header;
    sheet.info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
    EXPECT_EQ(sheet.plugin->DevicePropertySheets(&sheet.info, reinterpret_cast<LPARAM>(&header)),
              S_OK);
    EXPECT_STREQ(header.pTitle, L"OEM UI Page");
    EXPECT_EQ(sheet.info.Result, 1u);

    SETRESULT_INFO result = {sizeof result, 0, nullptr, 7};
    sheet.info.Reason = PROPSHEETUI_REASON_SET_RESULT;
    EXPECT_EQ(sheet.plugin->DevicePropertySheets(&sheet.info, reinterpret_cast<LPARAM>(&result)),
              S_OK);
    EXPECT_EQ(sheet.info.Result, 7u);
    sheet.info.Reason = PROPSHEETUI_REASON_GET_ICON;
    EXPECT_EQ(sheet.plugin->DevicePropertySheets(&sheet.info, 0), S_OK);
    EXPECT_EQ(sheet.info.Result, 0u);
    sheet.info.Reason = 9;
    EXPECT_EQ(sheet.plugin->DevicePropertySheets(&sheet.info, 1234), S_OK);
    EXPECT_EQ(sheet.info.Result, 1234u);
}

TEST_F(Page, APrinterWithoutSettingsGetsItsKeyAndTheDefaults) {
    ASSERT_FALSE(KeyExists(printer));
    Sheet sheet(printer);
    ASSERT_TRUE(sheet.Open());
    EXPECT_TRUE(KeyExists(printer));
    Bytes value;
    EXPECT_FALSE(ReadValue(printer, L"MISC", &value)) << "opening stores nothing";
    EXPECT_EQ(sheet.Text(IDC_LINE_FEEDS), L"0");
    for (const Row& row : kRows) {
        EXPECT_FALSE(Checked(sheet, row.check));
        EXPECT_FALSE(RowEnabled(sheet, row));
        EXPECT_EQ(sheet.Text(row.edit), L"50");
        EXPECT_EQ(GetScrollPos(sheet.Item(row.scroll), SB_CTL), 51) << "the bar's range is 51..249";
    }
    EXPECT_EQ(sheet.Text(IDC_START_COMMAND), L"");
    EXPECT_EQ(sheet.Text(IDC_END_COMMAND), L"");
}

TEST_F(Page, ArrowsStepByOneWithinFiftyToTwoHundredFifty) {
    Sheet sheet(printer);
    ASSERT_TRUE(sheet.Open());
    struct Case { const wchar_t* shown; bool up; const wchar_t* result; };
    const Case cases[] = {
        {L"100", true, L"101"}, {L"100", false, L"99"}, {L"250", true, L"250"},
        {L"50", false, L"50"},  {L"", true, L"50"},     {L"300", true, L"50"},
        {L"249", true, L"250"}, {L"51", false, L"50"},
    };
    for (const Row& row : kRows) {
        for (const Case& c : cases) {
            sheet.SetText(row.edit, c.shown);
            sheet.Scroll(row.scroll, c.up);
            EXPECT_EQ(sheet.Text(row.edit), c.result) << row.edit << " " << c.shown;
        }
    }
}

TEST_F(Page, CheckingADrawerEnablesItsRowAtOnceAndMarksTheSheetChanged) {
    Sheet sheet(printer);
    ASSERT_TRUE(sheet.Open());
    for (const Row& row : kRows) {
        sheet.MarkUnchanged();
        ASSERT_FALSE(sheet.ApplyEnabled());
        sheet.Click(row.check);
        EXPECT_TRUE(Checked(sheet, row.check));
        EXPECT_TRUE(RowEnabled(sheet, row));
        EXPECT_TRUE(sheet.ApplyEnabled());
        sheet.Click(row.check);
        EXPECT_FALSE(RowEnabled(sheet, row));
    }
    sheet.MarkUnchanged();
    sheet.SetText(IDC_START_COMMAND, L"x");
    EXPECT_TRUE(sheet.ApplyEnabled()) << "any edit marks the sheet changed";
}

TEST_F(Page, ApplyStoresTheSettingsAndTheParsedCommands) {
    Sheet sheet(printer);
    ASSERT_TRUE(sheet.Open());
    sheet.SetText(IDC_LINE_FEEDS, L"3");
    sheet.Click(IDC_END_DRAWER1);
    sheet.SetText(IDC_END_DRAWER1_TIME, L"51");
    sheet.SetText(IDC_END_DRAWER2_TIME, L"100");   // unchecked: its time is stored all the same
    sheet.Click(IDC_START_DRAWER1);
    sheet.SetText(IDC_START_DRAWER1_TIME, L"250");
    sheet.SetText(IDC_START_DRAWER2_TIME, L"0");
    sheet.SetText(IDC_START_COMMAND, L"\\x1B\\x70\\x00\\x19\\xff");
    sheet.SetText(IDC_END_COMMAND, L"\\x1D\\x56\\x42\\x00");
    sheet.Apply();

    Bytes misc, start, end;
    DWORD type = 0;
    ASSERT_TRUE(ReadValue(printer, L"MISC", &misc, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(misc, (Bytes{3, 1, 25, 0, 50, 0, 1, 125, 0, 0}));
    ASSERT_TRUE(ReadValue(printer, L"StartDoc", &start, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(start, kExample1);
    ASSERT_TRUE(ReadValue(printer, L"EndDoc", &end, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(end, kExample2);
    sheet.Close();

    Sheet again(printer);
    ASSERT_TRUE(again.Open());
    EXPECT_EQ(again.Text(IDC_START_COMMAND), L"\\x1Bp\\x00\\x19\\xFF");
    EXPECT_EQ(again.Text(IDC_END_COMMAND), L"\\x1DVB\\x00");
    EXPECT_EQ(again.Text(IDC_END_DRAWER1_TIME), L"50");   // 51 was stored as 25
    EXPECT_EQ(again.Text(IDC_START_DRAWER2_TIME), L"50");  // 0 is not a valid time
    EXPECT_EQ(again.Text(IDC_START_DRAWER1_TIME), L"250");
    EXPECT_EQ(again.Text(IDC_END_DRAWER2_TIME), L"100");
    EXPECT_TRUE(Checked(again, IDC_END_DRAWER1));
    EXPECT_TRUE(Checked(again, IDC_START_DRAWER1));
}

TEST_F(Page, EmptyBoxesStoreZeroLineFeedsAndEmptyCommands) {
    WriteValue(printer, L"StartDoc", kExample1);
    Sheet sheet(printer);
    ASSERT_TRUE(sheet.Open());
    sheet.SetText(IDC_LINE_FEEDS, L"");
    sheet.SetText(IDC_START_COMMAND, L"");
    sheet.SetText(IDC_END_COMMAND, L"AB\\x1G");  // an invalid escape empties the command
    sheet.Apply();
    Bytes misc, start, end;
    ASSERT_TRUE(ReadValue(printer, L"MISC", &misc));
    EXPECT_EQ(misc[0], 0);
    ASSERT_TRUE(ReadValue(printer, L"StartDoc", &start));
    EXPECT_TRUE(start.empty());
    ASSERT_TRUE(ReadValue(printer, L"EndDoc", &end));
    EXPECT_TRUE(end.empty());
}

TEST_F(Page, StoredSettingsShowAsLoadedAndOnlyFlagOneCounts) {
    WriteValue(printer, L"MISC", {5, 1, 60, 2, 10, 9, 0, 200, 1, 125});
    Sheet sheet(printer);
    ASSERT_TRUE(sheet.Open());
    EXPECT_EQ(sheet.Text(IDC_LINE_FEEDS), L"5");
    const struct { bool checked; const wchar_t* ms; } expected[] = {
        {true, L"120"}, {false, L"50"}, {false, L"50"}, {true, L"250"}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Checked(sheet, kRows[i].check), expected[i].checked) << i;
        EXPECT_EQ(RowEnabled(sheet, kRows[i]), expected[i].checked) << i;
        EXPECT_EQ(sheet.Text(kRows[i].edit), expected[i].ms) << i;
    }
    sheet.Apply();
    Bytes misc;
    ASSERT_TRUE(ReadValue(printer, L"MISC", &misc));
    EXPECT_EQ(misc, (Bytes{5, 1, 60, 0, 25, 0, 0, 25, 1, 125}))
        << "flag 2 is stored as 0, the reserved byte as 0, invalid times as 25";
}

TEST_F(Page, MiscValuesOfOtherLengths) {
    struct Case { Bytes stored; const wchar_t* lineFeeds; bool drawer1; };
    const Case cases[] = {
        {Bytes(21, 1), L"0", false},              // longer than 20 bytes: all defaults
        {Bytes(20, 1), L"1", true},
        {{7, 1}, L"7", true},                     // the missing times are 0, shown as 50
    };
    for (const Case& c : cases) {
        DeleteSettingsKey(printer);
        WriteValue(printer, L"MISC", c.stored);
        Sheet sheet(printer);
        ASSERT_TRUE(sheet.Open());
        EXPECT_EQ(sheet.Text(IDC_LINE_FEEDS), c.lineFeeds) << c.stored.size();
        EXPECT_EQ(Checked(sheet, IDC_END_DRAWER1), c.drawer1) << c.stored.size();
        EXPECT_EQ(sheet.Text(IDC_END_DRAWER1_TIME), L"50") << c.stored.size();
    }
}

// Opening the page and applying it must give back every stored command byte for byte,
// including those whose text form holds a backslash before an x, and the longest ones.
TEST_F(Page, OpeningAndApplyingNeverChangesAStoredCommand) {
    Bytes all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<BYTE>(b));
    struct Case { const char* what; Bytes stored; const wchar_t* shown; };
    const Case cases[] = {
        {"backslash before hex digits", {0x5C, 0x78, 0x34, 0x31}, L"\\x5Cx41"},
        {"backslash before non-hex", {0x5C, 0x78, 0x67, 0x5C}, L"\\x5Cxg\\"},
        {"plain backslashes", {0x5C, 0x5C, 0x41}, L"\\\\A"},
        {"example", kExample1, L"\\x1Bp\\x00\\x19\\xFF"},
        {"every byte value", all, nullptr},
        {"2047 control bytes", Bytes(2047, 0x01), nullptr},
        {"2048 bytes above 0x7F", Bytes(2048, 0xFE), nullptr},
        {"2048 backslash-x pairs", {}, nullptr},
    };
    for (const Case& c : cases) {
        Bytes stored = c.stored;
        if (stored.empty()) {
            for (int i = 0; i < 1024; ++i) {
                stored.push_back(0x5C);
                stored.push_back(0x78);
            }
        }
        DeleteSettingsKey(printer);
        WriteValue(printer, L"StartDoc", stored);
        WriteValue(printer, L"EndDoc", stored);
        Sheet sheet(printer);
        ASSERT_TRUE(sheet.Open()) << c.what;
        if (c.shown != nullptr) EXPECT_EQ(sheet.Text(IDC_START_COMMAND), c.shown) << c.what;
        sheet.Apply();
        Bytes start, end;
        ASSERT_TRUE(ReadValue(printer, L"StartDoc", &start)) << c.what;
        ASSERT_TRUE(ReadValue(printer, L"EndDoc", &end)) << c.what;
        EXPECT_EQ(start, stored) << c.what;
        EXPECT_EQ(end, stored) << c.what;
    }
}

TEST_F(Page, TwoSheetsOpenAtOnceEachApplyToTheirOwnPrinter) {
    const std::wstring other = printer + L" (2)";
    DeleteSettingsKey(other);
    WriteValue(printer, L"MISC", {11, 0, 25, 0, 25, 0, 0, 25, 0, 25});
    WriteValue(other, L"MISC", {22, 0, 25, 0, 25, 0, 0, 25, 0, 25});
    Sheet first(printer);
    ASSERT_TRUE(first.Open());
    Sheet second(other);
    ASSERT_TRUE(second.Open());
    EXPECT_EQ(first.Text(IDC_LINE_FEEDS), L"11");
    EXPECT_EQ(second.Text(IDC_LINE_FEEDS), L"22");

    first.SetText(IDC_START_COMMAND, L"first");
    second.SetText(IDC_START_COMMAND, L"second");
    first.Apply();
    Bytes value;
    ASSERT_TRUE(ReadValue(printer, L"StartDoc", &value));
    EXPECT_EQ(std::string(value.begin(), value.end()), "first");
    EXPECT_FALSE(ReadValue(other, L"StartDoc", &value)) << "the other printer's key is untouched";

    second.Apply();
    ASSERT_TRUE(ReadValue(other, L"StartDoc", &value));
    EXPECT_EQ(std::string(value.begin(), value.end()), "second");
    ASSERT_TRUE(ReadValue(printer, L"StartDoc", &value));
    EXPECT_EQ(std::string(value.begin(), value.end()), "first");
    ASSERT_TRUE(ReadValue(other, L"MISC", &value));
    EXPECT_EQ(value[0], 22);

    // Closing one sheet leaves the other working.
    first.Close();
    second.SetText(IDC_END_COMMAND, L"still");
    second.Apply();
    ASSERT_TRUE(ReadValue(other, L"EndDoc", &value));
    EXPECT_EQ(std::string(value.begin(), value.end()), "still");
    second.Close();
    DeleteSettingsKey(other);
}

TEST_F(Page, ANameTooLongForAKeyPathTouchesNoKey) {
    const std::wstring name(300, L'n');
    Sheet sheet(name);
    ASSERT_TRUE(sheet.Open());
    EXPECT_EQ(sheet.Text(IDC_END_DRAWER1_TIME), L"50");
    sheet.SetText(IDC_START_COMMAND, L"x");
    sheet.Apply();
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &key), 0);
    DWORD size = 0;
    EXPECT_NE(RegQueryValueExW(key, L"StartDoc", nullptr, nullptr, nullptr, &size), 0)
        << "nothing may land in HKEY_LOCAL_MACHINE itself";
    RegCloseKey(key);
}

}  // namespace
}  // namespace kyr_test

// The "Additional Commands" page in a real property sheet: what it shows for the settings
// in the printer's key, what its controls do, and what Apply stores.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/res/resource.h"
#include "plugin/value_snapshot.h"
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

bool NoteShown(const Sheet& s) {
    return (GetWindowLongW(s.Item(IDC_SETTINGS_UNREAD), GWL_STYLE) & WS_VISIBLE) != 0;
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
    EXPECT_FALSE(NoteShown(sheet));
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
    sheet.SetText(IDC_END_COMMAND, L"");
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
        {Bytes(3000, 1), L"0", false},            // longer than a command, too
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
        sheet.SetText(IDC_LINE_FEEDS, L"3");
        BoxAnswerer answerer;  // a refusal fails the row instead of waiting for OK
        EXPECT_TRUE(sheet.Apply()) << c.stored.size();
        Bytes misc;
        EXPECT_TRUE(ReadValue(printer, L"MISC", &misc) && misc.size() == 10 && misc[0] == 3);
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
    BoxAnswerer answerer;
    EXPECT_FALSE(sheet.Apply()) << "an apply that stores nothing says so";
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text.rfind(L"The settings could not be saved (error 123).", 0), 0u)
        << answerer.Boxes()[0].text.c_str();
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &key), 0);
    DWORD size = 0;
    EXPECT_NE(RegQueryValueExW(key, L"StartDoc", nullptr, nullptr, nullptr, &size), 0)
        << "nothing may land in HKEY_LOCAL_MACHINE itself";
    RegCloseKey(key);
}

// The page fills its boxes while it initialises, and each filled box reports a change, so
// a sheet that was unchanged until the page was shown counts as changed afterwards.
TEST_F(Page, TheSheetCountsAsChangedOnceThePageHasBeenShown) {
    Sheet sheet(printer);
    ASSERT_TRUE(sheet.Open(1));
    ASSERT_EQ(sheet.CommandsPage(), nullptr) << "the commands page is not made yet";
    EXPECT_FALSE(sheet.ApplyEnabled());
    SendMessageW(sheet.hwnd(), PSM_SETCURSEL, 0, 0);
    Pump();
    ASSERT_NE(sheet.CommandsPage(), nullptr);
    EXPECT_TRUE(sheet.ApplyEnabled());
}

// An edit box of a dialog trades its WS_BORDER for the sunken client edge when it is made.
bool Bordered(HWND edit) {
    return (GetWindowLongW(edit, GWL_STYLE) & WS_BORDER) != 0 ||
           (GetWindowLongW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
}

TEST_F(Page, ControlStylesOfTheCommandsPage) {
    Sheet sheet(printer);
    ASSERT_TRUE(sheet.Open());
    const HWND page = sheet.CommandsPage();
    const LONG pageStyle = GetWindowLongW(page, GWL_STYLE);
    // The sheet makes its pages child windows; the template's own style and caption are
    // read from the resource.
    HRSRC found = FindResourceW(LoadPlugin().module, MAKEINTRESOURCEW(IDD_COMMANDS),
                                reinterpret_cast<LPCWSTR>(RT_DIALOG));
    ASSERT_NE(found, nullptr);
    const DLGTEMPLATE* dialog = static_cast<const DLGTEMPLATE*>(
        LockResource(LoadResource(LoadPlugin().module, found)));
    ASSERT_NE(dialog, nullptr);
    const DWORD wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(dialog->style & wanted, wanted);
    EXPECT_NE(dialog->style & DS_SETFONT, 0u);
    const WORD* words = reinterpret_cast<const WORD*>(dialog + 1);
    ASSERT_EQ(words[0], 0) << "no menu";
    ASSERT_EQ(words[1], 0) << "the standard dialog class";
    EXPECT_STREQ(reinterpret_cast<const wchar_t*>(words + 2), L"Dialog");
    EXPECT_EQ(dialog->cx, 195);
    EXPECT_EQ(dialog->cy, 188);
    EXPECT_NE(pageStyle & WS_CHILD, 0);

    const int edits[] = {IDC_START_COMMAND, IDC_END_COMMAND};
    for (int id : edits) {
        const LONG style = GetWindowLongW(sheet.Item(id), GWL_STYLE);
        EXPECT_TRUE(Bordered(sheet.Item(id))) << id;
        EXPECT_NE(style & WS_TABSTOP, 0) << id;
        EXPECT_NE(style & ES_AUTOHSCROLL, 0) << id;
        EXPECT_EQ(style & ES_NUMBER, 0) << id;
    }
    const int numbers[] = {IDC_LINE_FEEDS, IDC_END_DRAWER1_TIME, IDC_END_DRAWER2_TIME,
                           IDC_START_DRAWER1_TIME, IDC_START_DRAWER2_TIME};
    for (int id : numbers) {
        const LONG style = GetWindowLongW(sheet.Item(id), GWL_STYLE);
        EXPECT_TRUE(Bordered(sheet.Item(id))) << id;
        EXPECT_NE(style & WS_TABSTOP, 0) << id;
        EXPECT_NE(style & ES_NUMBER, 0) << id;
    }
    for (const Row& row : kRows) {
        const LONG check = GetWindowLongW(sheet.Item(row.check), GWL_STYLE);
        EXPECT_EQ(check & 0x0F, BS_AUTOCHECKBOX) << row.check;
        EXPECT_NE(check & WS_TABSTOP, 0) << row.check;
        const LONG bar = GetWindowLongW(sheet.Item(row.scroll), GWL_STYLE);
        EXPECT_NE(bar & SBS_VERT, 0) << row.scroll;
        EXPECT_NE(bar & WS_TABSTOP, 0) << row.scroll;
        EXPECT_NE(GetWindowLongW(sheet.Item(row.unit), GWL_STYLE) & WS_GROUP, 0) << row.unit;
    }
    int labels = 0;
    for (HWND child = GetWindow(page, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        EXPECT_EQ((style & WS_VISIBLE) != 0, GetDlgCtrlID(child) != IDC_SETTINGS_UNREAD)
            << GetDlgCtrlID(child);
        wchar_t cls[16] = {};
        GetClassNameW(child, cls, 15);
        if (_wcsicmp(cls, L"Static") == 0) {
            ++labels;
            EXPECT_NE(style & WS_GROUP, 0) << "every label starts a group";
        }
    }
    EXPECT_EQ(labels, 8);
}

TEST_F(Page, AKeyThatCannotBeReadShowsTheDefaultsAndAnApplyKeepsWhatTheUserLeftAlone) {
    WriteValue(printer, L"MISC", {5, 1, 60, 0, 25, 0, 1, 125, 0, 25});
    WriteValue(printer, L"StartDoc", kExample1);
    DenyOnSettingsKey(printer, KEY_QUERY_VALUE);
    {
        Sheet sheet(printer);
        ASSERT_TRUE(sheet.Open());
        EXPECT_EQ(sheet.Text(IDC_LINE_FEEDS), L"0");
        EXPECT_FALSE(Checked(sheet, IDC_END_DRAWER1));
        EXPECT_EQ(sheet.Text(IDC_END_DRAWER1_TIME), L"50");
        EXPECT_EQ(sheet.Text(IDC_START_COMMAND), L"");
        EXPECT_TRUE(NoteShown(sheet));
        AllowAllOnSettingsKey(printer);
        Bytes misc;
        EXPECT_TRUE(sheet.Apply());
        EXPECT_TRUE(ReadValue(printer, L"MISC", &misc) && misc[0] == 5 && misc[1] == 1);
        EXPECT_FALSE(ReadValue(printer, L"EndDoc", &misc));
        sheet.SetText(IDC_LINE_FEEDS, L"7");
        EXPECT_TRUE(sheet.Apply());
        EXPECT_TRUE(ReadValue(printer, L"MISC", &misc) && misc[0] == 7 && misc[1] == 0);
    }
    AllowAllOnSettingsKey(printer);
    Bytes start;
    ASSERT_TRUE(ReadValue(printer, L"StartDoc", &start));
    EXPECT_EQ(start, kExample1);
}

struct Refusal {
    const char* what;
    int box;                  // the command box typed into
    std::wstring pasted;      // put in at once, as from the clipboard
    std::wstring typed;       // then typed at its end
    std::wstring message;     // the start of the box's text
    int frontPage = 0;        // the tab in front when OK is pressed
};

// UTF-8 has every character; code page 932 has "\x30BD" but no "\x20AC".
bool RowFitsCodePage(const Refusal& c) {
    if (GetACP() == CP_UTF8) return c.message.find(L" contains the character ") == c.message.npos;
    return GetACP() != 932 || (c.pasted + c.typed).find_first_of(L"\x30BD\x20AC") == c.typed.npos;
}

std::wstring Repeat(const wchar_t* part, int times) {
    std::wstring out;
    for (int i = 0; i < times; ++i) out += part;
    return out;
}

// Pasted, then typed as a user types, character by character at the end of the box.
void PasteAndType(const Sheet& sheet, int id, const std::wstring& pasted,
                  const std::wstring& typed) {
    HWND edit = sheet.Item(id);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    SetFocus(edit);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pasted.c_str()));
    for (wchar_t c : typed) SendMessageW(edit, WM_CHAR, c, 1);
    Pump();
}

// A command that cannot be stored as typed refuses the whole apply: the sheet stays open
// on the page, a box owned by the sheet says why, and nothing in the key changes.
TEST_F(Page, ACommandThatCannotBeStoredAsTypedRefusesTheWholeApply) {
    const Bytes misc = {7, 0, 25, 0, 25, 0, 0, 25, 0, 25};
    const Refusal cases[] = {
        {"2048 characters", IDC_START_COMMAND, std::wstring(2040, L'A'), L"AAAAAAAA",
         L"The \"BeginDoc\" command is 2048 bytes long. A command can hold at most 2047 bytes."},
        {"2048 escapes", IDC_END_COMMAND, Repeat(L"\\x1B", 2047), L"\\x1b",
         L"The \"EndDoc1\" command is 2048 bytes long. A command can hold at most 2047 bytes."},
        {"a character without a byte form", IDC_START_COMMAND, L"", L"AB\x30BD",
         L"The \"BeginDoc\" command contains the character \"\x30BD\" (U+30BD), which the "
         L"system's code page cannot represent."},
        {"a best-fit look-alike", IDC_END_COMMAND, L"", L"\\x1B\x0100",
         L"The \"EndDoc1\" command contains the character \"\x0100\" (U+0100)", 1},
        {"a character beyond U+FFFF", IDC_START_COMMAND, L"A\xD83D\xDE00", L"",
         L"The \"BeginDoc\" command contains the character \"\xD83D\xDE00\" (U+1F600)"},
        {"a malformed escape", IDC_END_COMMAND, L"", L"AB\\x1G",
         L"The \"EndDoc1\" command has an invalid escape \"\\x1G\" at character 3.", 1},
        {"an escape half typed", IDC_START_COMMAND, L"\\x1B", L"\\x",
         L"The \"BeginDoc\" command has an invalid escape \"\\x\" at character 5."},
        {"too long and malformed", IDC_START_COMMAND, std::wstring(3000, L'A'), L"\\x4",
         L"The \"BeginDoc\" command has an invalid escape \"\\x4\" at character 3001."},
        // 18000 bytes in UTF-8, more than two per character.
        {"6000 euro signs", IDC_END_COMMAND, std::wstring(6000, L'\x20AC'), L"",
         L"The \"EndDoc1\" command is ", 1},
    };
    const char* acp = std::getenv("KYR_TEST_ACP");  // the UTF-8 run names its code page
    ASSERT_TRUE(acp == nullptr || GetACP() == std::strtoul(acp, nullptr, 10));
    for (const Refusal& c : cases) {
        if (!RowFitsCodePage(c)) continue;
        DeleteSettingsKey(printer);
        WriteValue(printer, L"MISC", misc);
        WriteValue(printer, L"StartDoc", kExample1);
        WriteValue(printer, L"EndDoc", kExample2);
        Sheet sheet(printer);
        ASSERT_TRUE(sheet.Open()) << c.what;
        sheet.SetText(IDC_LINE_FEEDS, L"9");
        const int other = c.box == IDC_START_COMMAND ? IDC_END_COMMAND : IDC_START_COMMAND;
        sheet.SetText(other, L"changed");
        PasteAndType(sheet, c.box, c.pasted, c.typed);
        ASSERT_EQ(sheet.Text(c.box), c.pasted + c.typed) << c.what;
        SendMessageW(sheet.hwnd(), PSM_SETCURSEL, c.frontPage, 0);
        Pump();
        {
            BoxAnswerer answerer;
            EXPECT_FALSE(sheet.Apply()) << c.what;
            const std::vector<BoxAnswerer::Box> boxes = answerer.Boxes();
            ASSERT_EQ(boxes.size(), 1u) << c.what;
            EXPECT_EQ(boxes[0].caption, L"Additional Commands") << c.what;
            EXPECT_EQ(boxes[0].text.rfind(c.message, 0), 0u) << c.what;
            EXPECT_NE(boxes[0].text.find(L"No settings were saved."), std::wstring::npos);
            EXPECT_EQ(boxes[0].owner, sheet.hwnd()) << c.what;
            EXPECT_EQ(boxes[0].front, sheet.CommandsPage()) << c.what;
        }
        EXPECT_TRUE(IsWindow(sheet.hwnd())) << c.what;
        EXPECT_EQ(PropSheet_GetCurrentPageHwnd(sheet.hwnd()), sheet.CommandsPage()) << c.what;
        EXPECT_EQ(GetFocus(), sheet.Item(c.box)) << c.what;
        EXPECT_TRUE(sheet.ApplyEnabled()) << c.what;
        Bytes value;
        ASSERT_TRUE(ReadValue(printer, L"MISC", &value));
        EXPECT_EQ(value, misc) << c.what;
        ASSERT_TRUE(ReadValue(printer, L"StartDoc", &value));
        EXPECT_EQ(value, kExample1) << c.what;
        ASSERT_TRUE(ReadValue(printer, L"EndDoc", &value));
        EXPECT_EQ(value, kExample2) << c.what;

        // Mended, the same sheet applies.
        sheet.SetText(c.box, L"ok");
        BoxAnswerer none;
        EXPECT_TRUE(sheet.Apply()) << c.what;
        EXPECT_TRUE(none.Boxes().empty()) << c.what;
        ASSERT_TRUE(ReadValue(printer, L"MISC", &value));
        EXPECT_EQ(value[0], 9) << c.what;
    }
}

TEST_F(Page, TheLongestCommandIsStoredAndABoxLeftAloneKeepsItsValue) {
    Sheet sheet(printer);
    ASSERT_TRUE(sheet.Open());
    sheet.SetText(IDC_START_COMMAND, Repeat(L"\\x80", 2047));
    sheet.SetText(IDC_END_COMMAND, std::wstring(2047, L'E'));
    BoxAnswerer answerer;
    EXPECT_TRUE(sheet.Apply());
    Bytes start, end;
    ASSERT_TRUE(ReadValue(printer, L"StartDoc", &start));
    EXPECT_EQ(start, Bytes(2047, 0x80));
    ASSERT_TRUE(ReadValue(printer, L"EndDoc", &end));
    EXPECT_EQ(end, Bytes(2047, 'E'));
    sheet.Close();

    // Values another program wrote: 2048 bytes show whole and stay; one too long to read
    // is named in a box that takes no typing, and stays.
    WriteValue(printer, L"StartDoc", Bytes(2048, 0x01));
    WriteValue(printer, L"EndDoc", Bytes(3000, 'L'));
    Sheet again(printer);
    ASSERT_TRUE(again.Open());
    EXPECT_EQ(again.Text(IDC_START_COMMAND), Repeat(L"\\x01", 2048));
    EXPECT_EQ(again.Text(IDC_END_COMMAND),
              L"(The stored command is 3000 bytes long, longer than this page can edit. "
              L"It is kept as it is.)");
    EXPECT_NE(GetWindowLongW(again.Item(IDC_END_COMMAND), GWL_STYLE) & ES_READONLY, 0);
    again.SetText(IDC_LINE_FEEDS, L"4");
    EXPECT_TRUE(again.Apply());
    ASSERT_TRUE(ReadValue(printer, L"StartDoc", &start));
    EXPECT_EQ(start, Bytes(2048, 0x01));
    ASSERT_TRUE(ReadValue(printer, L"EndDoc", &end));
    EXPECT_EQ(end, Bytes(3000, 'L'));

    // Typed into, the box is the user's: cleared, it stores the empty command; the box that
    // takes no typing keeps its value even when its text is replaced.
    again.SetText(IDC_START_COMMAND, L"x");
    again.SetText(IDC_START_COMMAND, L"");
    again.SetText(IDC_END_COMMAND, L"");
    EXPECT_TRUE(again.Apply());
    ASSERT_TRUE(ReadValue(printer, L"StartDoc", &start));
    EXPECT_TRUE(start.empty());
    ASSERT_TRUE(ReadValue(printer, L"EndDoc", &end));
    EXPECT_EQ(end, Bytes(3000, 'L'));
    EXPECT_TRUE(answerer.Boxes().empty());
}

// A key the user may read but not write, as for a user without the right to change the
// machine's settings: the apply is refused with the system's reason, nothing is lost.
TEST_F(Page, AKeyThatTakesNoWritingRefusesTheApplyWithTheSystemsReason) {
    WriteValue(printer, L"StartDoc", kExample1);
    DenyOnSettingsKey(printer, KEY_SET_VALUE);
    Sheet sheet(printer);
    ASSERT_TRUE(sheet.Open());
    EXPECT_EQ(sheet.Text(IDC_START_COMMAND), L"\\x1Bp\\x00\\x19\\xFF");
    {
        // What the page would store is what is stored: OK closes without a word.
        BoxAnswerer none;
        EXPECT_TRUE(sheet.Apply());
        sheet.SetText(IDC_LINE_FEEDS, L"5");
        sheet.SetText(IDC_LINE_FEEDS, L"0");
        sheet.SetText(IDC_START_COMMAND, L"\\x1b\\x70\\x00\\x19\\xff");
        EXPECT_TRUE(sheet.Apply());
        EXPECT_TRUE(none.Boxes().empty());
    }
    sheet.SetText(IDC_START_COMMAND, L"new");
    SendMessageW(sheet.hwnd(), PSM_SETCURSEL, 1, 0);
    Pump();
    {
        BoxAnswerer answerer;
        EXPECT_FALSE(sheet.Apply());
        const std::vector<BoxAnswerer::Box> boxes = answerer.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, L"Additional Commands");
        EXPECT_EQ(boxes[0].owner, sheet.hwnd());
        EXPECT_EQ(boxes[0].front, sheet.CommandsPage());
        wchar_t reason[256] = {};
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       ERROR_ACCESS_DENIED, 0, reason, 256, nullptr);
        EXPECT_EQ(boxes[0].text,
                  std::wstring(L"The settings could not be saved (error 5).\n\n") + reason);
    }
    EXPECT_TRUE(IsWindow(sheet.hwnd()));
    EXPECT_TRUE(sheet.ApplyEnabled());
    AllowAllOnSettingsKey(printer);
    Bytes value;
    ASSERT_TRUE(ReadValue(printer, L"StartDoc", &value));
    EXPECT_EQ(value, kExample1);
    EXPECT_FALSE(ReadValue(printer, L"MISC", &value));

    // Once the key takes writing again, the same sheet saves.
    BoxAnswerer none;
    EXPECT_TRUE(sheet.Apply());
    ASSERT_TRUE(ReadValue(printer, L"StartDoc", &value));
    EXPECT_EQ(std::string(value.begin(), value.end()), "new");
    EXPECT_TRUE(none.Boxes().empty());
}

// An apply whose later write fails puts back what its earlier writes changed: each value
// byte for byte as it was, whatever its type and size, or gone again.
TEST_F(Page, ASnapshotPutsEveryValueBackAsItWas) {
    struct Case { const char* what; DWORD type; Bytes stored; bool present; };
    const Case cases[] = {
        // Long enough to be copied into fresh memory, zero after the data.
        {"a string without its terminator", REG_SZ, Bytes(600000, 'a'), true},
        {"absent", REG_BINARY, {}, false},
    };
    HKEY key;
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, KeyPathOf(printer).c_str(), &key), 0);
    for (const Case& c : cases) {
        RegDeleteValueW(key, L"MISC");
        Bytes data = c.stored;
        data.insert(data.end(), {0xFF, 0xFF});  // so that writing it adds no terminator
        if (c.present) RegSetValueExW(key, L"MISC", 0, c.type, data.data(), c.stored.size());
        kyr::ValueSnapshot snapshot;
        ASSERT_EQ(kyr::TakeSnapshot(key, L"MISC", &snapshot), 0) << c.what;
        WriteValue(printer, L"MISC", Bytes(10, 1));
        ASSERT_EQ(kyr::RestoreSnapshot(key, L"MISC", snapshot), 0) << c.what;
        Bytes value;
        DWORD type = 0;
        const bool read = ReadValue(printer, L"MISC", &value, &type);
        EXPECT_TRUE(c.present ? read && value == c.stored && type == c.type : !read) << c.what;
    }
    RegCloseKey(key);
}

}  // namespace
}  // namespace kyr_test

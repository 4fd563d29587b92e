// The INF clean-up on printer class entries and files in the Windows INF folder of the
// unit-test prefix.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <list>
#include <string>

#include "common/oscode/os_code.h"
#include "uninstaller/inf_cleanup.h"

namespace kyr {
namespace {

const std::string kClass =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-08002BE10318}";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730";

std::string InfFolder() {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof(windows));
    return std::string(windows) + "\\inf\\";
}

void Put(const std::string& path, const std::string& content = "x") {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

std::string Utf16(const std::string& ansi) {
    std::string wide;
    for (char c : ansi) wide += std::string(1, c) + '\0';
    return wide;
}

const char kOurs[] = "[KYR]\r\n\"KYR POS 730\" = KYR730E.GPD,USB\\Vid_7a31&Pid_5e20\r\n";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void SetText(const std::string& subkey, const char* name, const char* text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, subkey.c_str(), &key), ERROR_SUCCESS);
    if (name) RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(strlen(text) + 1));
    RegCloseKey(key);
}

// A class entry; a null value is left out.
void ClassEntry(const char* number, const char* desc, const char* infPath) {
    SetText(kClass + "\\" + number, nullptr, nullptr);
    if (desc) SetText(kClass + "\\" + number, "DriverDesc", desc);
    if (infPath) SetText(kClass + "\\" + number, "InfPath", infPath);
}

class InfCleanup : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    void Clean() {
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kClass.c_str());
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstall);
        for (const char* name : {"oem3", "oem4", "oem5", "oem6", "kyrtest"}) {
            DeleteFileA((InfFolder() + name + ".inf").c_str());
            DeleteFileA((InfFolder() + name + ".PNF").c_str());
        }
        DeleteFileA("C:\\oem6.inf");
    }
};

TEST_F(InfCleanup, MatchingClassEntriesAreCollectedHeadFirst) {
    ClassEntry("0000", "KYR POS 730", "oem3.inf");
    ClassEntry("0001", "Other Printer", "oem9.inf");
    ClassEntry("0002", "kyr pos 730", "oem8.inf");
    ClassEntry("0003", "KYR POS 730", "oem4.inf");
    ClassEntry("0004", "KYR POS 7300", "oem7.inf");
    ClassEntry("0005", nullptr, "oem6.inf");
    std::list<std::string> names = {"stale.inf"};
    CollectClassInfNames(names);
    // The later entry is at the head: its files go first.
    EXPECT_EQ(names, (std::list<std::string>{"oem4.inf", "oem3.inf"}));
}

TEST_F(InfCleanup, EntriesWithoutAUsableInfPathAddNothing) {
    ClassEntry("0000", "KYR POS 730", nullptr);
    ClassEntry("0001", "KYR POS 730", "");
    ClassEntry("0002", "KYR POS 730", "..\\win.ini");
    ClassEntry("0003", "KYR POS 730", "C:\\windows\\win.ini");
    ClassEntry("0004", "KYR POS 730", "oem5.inf");
    std::list<std::string> names;
    CollectClassInfNames(names);
    EXPECT_EQ(names, (std::list<std::string>{"oem5.inf"}));
}

TEST_F(InfCleanup, NoClassKeyGivesNoNames) {
    std::list<std::string> names = {"stale.inf"};
    CollectClassInfNames(names);
    EXPECT_TRUE(names.empty());
}

TEST_F(InfCleanup, ClassFilesGoWithTheirTwins) {
    for (const char* name : {"oem3.inf", "oem3.PNF", "oem4.inf", "oem4.PNF", "oem5.inf", "oem5.PNF"})
        Put(InfFolder() + name, kOurs);
    DeleteClassInfFiles({"oem4.inf", "oem3.inf"}, kOsWinXp);
    for (const char* name : {"oem3.inf", "oem3.PNF", "oem4.inf", "oem4.PNF"})
        EXPECT_FALSE(Exists(InfFolder() + name)) << name;
    EXPECT_TRUE(Exists(InfFolder() + "oem5.inf"));
    EXPECT_TRUE(Exists(InfFolder() + "oem5.PNF"));
}

TEST_F(InfCleanup, AnEmptyNameNeverReachesTheFolderOrASibling) {
    Put(InfFolder() + "oem5.inf", kOurs);
    DeleteClassInfFiles({"", "..", "oem6.inf"}, kOsNt6OrLater);
    EXPECT_TRUE(Exists(InfFolder()));
    EXPECT_TRUE(Exists(InfFolder() + "oem5.inf"));
}

TEST_F(InfCleanup, RecordedInfGoesWithItsTwin) {
    for (int os : {kOsWinXp, kOsNt6OrLater}) {
        Put(InfFolder() + "oem5.inf", kOurs);
        Put(InfFolder() + "oem5.PNF");
        Put(InfFolder() + "oem6.inf", kOurs);
        SetText(kUninstall, "InfFile", (InfFolder() + "oem5.inf").c_str());
        DeleteRecordedInf(os);
        EXPECT_FALSE(Exists(InfFolder() + "oem5.inf")) << os;
        EXPECT_FALSE(Exists(InfFolder() + "oem5.PNF")) << os;
        EXPECT_TRUE(Exists(InfFolder() + "oem6.inf")) << os;
        // Outside the INF folder the file goes by itself, never its namesake in the store.
        SetText(kUninstall, "InfFile", "C:\\oem6.inf");
        Put("C:\\oem6.inf", kOurs);
        DeleteRecordedInf(os);
        EXPECT_FALSE(Exists("C:\\oem6.inf")) << os;
        EXPECT_TRUE(Exists(InfFolder() + "oem6.inf")) << os;
    }
}

// The store hands a freed oemN.inf name to the next INF it takes in; the name recorded or
// left in a class key then belongs to whoever got it.
TEST_F(InfCleanup, InfGoesOnlyWhileItNamesTheDriver) {
    const std::string kNone = "(no INF)";
    const struct {
        std::string content;
        bool deleted;
        std::string twin = "x";
    } rows[] = {
        {kOurs, true},
        {Utf16(kOurs), true},
        {"[Mfg]\r\n\"Other Printer\" = other.gpd\r\n", false},
        {"\"KYR POS 73\"", false},
        {Utf16("KYR POS 7300").substr(0, 20), false},
        {"", false},
        {"\"KYR POS 7300\" = a.gpd", false},
        {"\"KYR POS 730X\" = a.gpd", false},
        {Utf16("\"KYR POS 7300\" = a.gpd"), false},
        {Utf16("\"KYR POS 730x\" = a.gpd"), false},
        {"; KYR POS 7300\r\n\"KYR POS 730\" = a.gpd", true},
        {"KYR POS 730", true},
        // A twin left without its INF goes only when it names the driver itself.
        {kNone, true, Utf16(kOurs)},
        {kNone, false, Utf16("KYR POS 7300")},
    };
    for (int os : {kOsWinXp, kOsNt6OrLater}) {
        for (bool recorded : {true, false}) {
            for (const auto& row : rows) {
                if (row.content != kNone) Put(InfFolder() + "oem5.inf", row.content);
                Put(InfFolder() + "oem5.PNF", row.twin);
                SetText(kUninstall, "InfFile", (InfFolder() + "oem5.inf").c_str());
                if (recorded) DeleteRecordedInf(os);
                else DeleteClassInfFiles({"oem5.inf"}, os);
                const std::string where = row.content + (recorded ? " recorded " : " class ") + std::to_string(os);
                EXPECT_EQ(!Exists(InfFolder() + "oem5.inf"), row.deleted || row.content == kNone) << where;
                EXPECT_EQ(!Exists(InfFolder() + "oem5.PNF"), row.deleted) << where;
                DeleteFileA((InfFolder() + "oem5.inf").c_str());
            }
        }
    }
}

TEST_F(InfCleanup, RecordedInfMissingOrEmptyDeletesNothing) {
    Put(InfFolder() + "kyrtest.inf", kOurs);
    Put(InfFolder() + "kyrtest.PNF");
    DeleteRecordedInf(kOsWinXp);  // no entry
    SetText(kUninstall, "DisplayName", "KYR POS 730 Windows Driver 1.0.0E");
    DeleteRecordedInf(kOsWinXp);  // no "InfFile"
    SetText(kUninstall, "InfFile", "");
    DeleteRecordedInf(kOsNt6OrLater);  // as a Windows 9x installation leaves it
    EXPECT_TRUE(Exists(InfFolder() + "kyrtest.inf"));
    EXPECT_TRUE(Exists(InfFolder() + "kyrtest.PNF"));
}

}  // namespace
}  // namespace kyr

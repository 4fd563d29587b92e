// The INF clean-up on printer class entries and files in the Windows INF folder of the
// unit-test prefix.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <list>
#include <string>

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
        Put(InfFolder() + name);
    DeleteClassInfFiles({"oem4.inf", "oem3.inf"});
    for (const char* name : {"oem3.inf", "oem3.PNF", "oem4.inf", "oem4.PNF"})
        EXPECT_FALSE(Exists(InfFolder() + name)) << name;
    EXPECT_TRUE(Exists(InfFolder() + "oem5.inf"));
    EXPECT_TRUE(Exists(InfFolder() + "oem5.PNF"));
}

TEST_F(InfCleanup, AnEmptyNameNeverReachesTheFolderOrASibling) {
    Put(InfFolder() + "oem5.inf");
    DeleteClassInfFiles({"", "..", "oem6.inf"});
    EXPECT_TRUE(Exists(InfFolder()));
    EXPECT_TRUE(Exists(InfFolder() + "oem5.inf"));
}

TEST_F(InfCleanup, RecordedInfGoesWithItsTwin) {
    Put(InfFolder() + "oem5.inf", kOurs);
    Put(InfFolder() + "oem5.PNF");
    Put(InfFolder() + "oem6.inf");
    SetText(kUninstall, "InfFile", (InfFolder() + "oem5.inf").c_str());
    DeleteRecordedInf();
    EXPECT_FALSE(Exists(InfFolder() + "oem5.inf"));
    EXPECT_FALSE(Exists(InfFolder() + "oem5.PNF"));
    EXPECT_TRUE(Exists(InfFolder() + "oem6.inf"));
}

// The store hands a freed oemN.inf name to the next INF it takes in; the recorded name
// then belongs to whoever got it.
TEST_F(InfCleanup, RecordedInfGoesOnlyWhileItNamesTheDriver) {
    const struct {
        std::string content;
        bool deleted;
    } rows[] = {
        {kOurs, true},
        {Utf16(kOurs), true},
        {"[Mfg]\r\n\"Other Printer\" = other.gpd\r\n", false},
        {"\"KYR POS 73\"", false},
        {Utf16("KYR POS 7300").substr(0, 20), false},
        {"", false},
    };
    SetText(kUninstall, "InfFile", (InfFolder() + "oem5.inf").c_str());
    for (const auto& row : rows) {
        Put(InfFolder() + "oem5.inf", row.content);
        Put(InfFolder() + "oem5.PNF");
        DeleteRecordedInf();
        EXPECT_EQ(!Exists(InfFolder() + "oem5.inf"), row.deleted) << row.content;
        EXPECT_EQ(!Exists(InfFolder() + "oem5.PNF"), row.deleted) << row.content;
    }
}

TEST_F(InfCleanup, RecordedInfMissingOrEmptyDeletesNothing) {
    Put(InfFolder() + "kyrtest.inf");
    Put(InfFolder() + "kyrtest.PNF");
    DeleteRecordedInf();  // no entry
    SetText(kUninstall, "DisplayName", "KYR POS 730 Windows Driver 1.0.0E");
    DeleteRecordedInf();  // no "InfFile"
    SetText(kUninstall, "InfFile", "");
    DeleteRecordedInf();  // as a Windows 9x installation leaves it
    EXPECT_TRUE(Exists(InfFolder() + "kyrtest.inf"));
    EXPECT_TRUE(Exists(InfFolder() + "kyrtest.PNF"));
}

}  // namespace
}  // namespace kyr

// RemoveFromWin9x under Wine's Windows 98: spooler objects registered through the
// platform's own calls, the driver's files laid out as Windows 9x keeps them, then the
// module run the way the uninstaller runs it.
#include <gtest/gtest.h>

#include <string>

#include "removal/win9x/key_tree.h"
#include "support.h"

#include <shlwapi.h>
#include <winspool.h>

namespace {

using namespace removal_test;

const char kHost[] = "unhook_9x.exe";
const char kVersion[] = "win98";

// Wine files a "Windows 4.0" driver under a version sub-key; Windows 9x has none. Both are
// looked at: the first is what the spooler call removes, the second what the module's own
// fallback removes.
const char kWineDriverKey[] =
    "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers\\Version-0\\"
    "KYR POS 730";
const char kWin9xDriverKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers\\KYR POS 730";
const char kProcessorKey[] =
    "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Print Processors\\"
    "KYRPOS PRINT PROCESSOR 730";
const char kOtherDriverKey[] =
    "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers\\Version-0\\"
    "KYR POS 7300";
const char kOtherUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_731";

const char* const kDriverFiles[] = {"dmcolor.dll", "mon730.dll", "pro730.dll", "iconlib.dll",
                                    "kyr730E.drv"};
const char* const kInfFiles[] = {"INF\\OTHER\\KYR730.INF", "INF\\OTHER\\KYR730.PNF",
                                 "INF\\KYR730.INF", "INF\\KYR730.PNF"};
// Near misses of the names above; they belong to somebody else and stay.
const char* const kForeignDriverFiles[] = {"kyr730F.drv", "mon7300.dll", "kyr730E.dll"};
const char* const kForeignInfFiles[] = {"INF\\KYR731.INF", "INF\\OTHER\\KYR7300.INF"};

class Win9xRemoval : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        stage_ = Stage("win9x", {kHost});
        const std::string out = stage_ + "\\driverdir.txt";
        ASSERT_EQ(RunHost(stage_, kHost, kVersion, "driverdir \"" + out + "\""), 0u);
        driverDir_ = ReadFileText(out);
        ASSERT_NE(driverDir_.find("win40"), std::string::npos) << driverDir_;
        CreateDirectoryA(driverDir_.c_str(), nullptr);
        CreateDirectoryA((WindowsDir() + "\\INF\\OTHER").c_str(), nullptr);
    }

    void SetUp() override { CleanUp(); }
    void TearDown() override { CleanUp(); }

    static void CleanUp() {
        for (const char* key : {kWineDriverKey, kWin9xDriverKey, kProcessorKey, kMonitorKey,
                                kUninstallKey, kOtherDriverKey, kOtherUninstallKey})
            DeleteTree(key);
        for (const char* f : kDriverFiles) RemoveFile(driverDir_ + "\\" + f);
        for (const char* f : kForeignDriverFiles) RemoveFile(driverDir_ + "\\" + f);
        for (const char* f : kInfFiles) RemoveFile(WindowsDir() + "\\" + f);
        for (const char* f : kForeignInfFiles) RemoveFile(WindowsDir() + "\\" + f);
        RemoveFile(SystemDir() + "\\MON730.DLL");
    }

    DWORD Host(const std::string& args) { return RunHost(stage_, kHost, kVersion, args); }

    void RegisterDriver(const char* name) {
        ASSERT_EQ(Host("adddriver \"Windows 4.0\" 0 \"" + std::string(name) +
                       "\" kyr730E.drv kyr730.gpd kyrui.dll"),
                  0u);
    }

    void RegisterMonitorAndProcessor() {
        // Wine loads a monitor from the system folder when it is registered.
        ASSERT_TRUE(CopyFileA(WinPath(KYR_MONITOR_STANDIN).c_str(),
                              (SystemDir() + "\\MON730.DLL").c_str(), FALSE));
        ASSERT_EQ(Host("addmonitor \"Windows 4.0\" \"KYRPOS Language Monitor 730\" MON730.DLL"),
                  0u);
        ASSERT_EQ(Host("addprocessor \"Windows 4.0\" \"KYRPOS PRINT PROCESSOR 730\" pro730.dll"),
                  0u);
    }

    void PutAllFiles() {
        for (const char* f : kDriverFiles) PutFile(driverDir_ + "\\" + f);
        for (const char* f : kInfFiles) PutFile(WindowsDir() + "\\" + f);
    }

    DWORD Remove() { return Host("remove9x 730 E"); }

    static std::string stage_;
    static std::string driverDir_;
};
std::string Win9xRemoval::stage_;
std::string Win9xRemoval::driverDir_;

TEST_F(Win9xRemoval, TakesEverythingOfTheDriverAndNothingElse) {
    RegisterDriver("KYR POS 730");
    RegisterDriver("KYR POS 7300");
    RegisterMonitorAndProcessor();
    PutAllFiles();
    for (const char* f : kForeignDriverFiles) PutFile(driverDir_ + "\\" + f);
    for (const char* f : kForeignInfFiles) PutFile(WindowsDir() + "\\" + f);
    PutUninstallEntry();
    CreateKey((std::string(kUninstallKey) + "\\Extra").c_str());
    SetString(kOtherUninstallKey, "DisplayName", "another product");
    ASSERT_TRUE(KeyExists(kWineDriverKey));
    ASSERT_TRUE(KeyExists(kMonitorKey));
    ASSERT_TRUE(KeyExists(kProcessorKey));

    EXPECT_EQ(Remove(), static_cast<DWORD>(ERROR_SUCCESS));

    EXPECT_FALSE(KeyExists(kWineDriverKey));
    EXPECT_FALSE(KeyExists(kMonitorKey));
    // Wine answers success for the processor and keeps it; its entry goes in every case.
    EXPECT_FALSE(KeyExists(kProcessorKey));
    EXPECT_FALSE(KeyExists(kUninstallKey)) << "the entry goes with its sub-keys";
    for (const char* f : kDriverFiles) EXPECT_FALSE(FileExists(driverDir_ + "\\" + f)) << f;
    for (const char* f : kInfFiles) EXPECT_FALSE(FileExists(WindowsDir() + "\\" + f)) << f;

    EXPECT_TRUE(KeyExists(kOtherDriverKey));
    EXPECT_TRUE(KeyExists(kOtherUninstallKey));
    for (const char* f : kForeignDriverFiles) EXPECT_TRUE(FileExists(driverDir_ + "\\" + f)) << f;
    for (const char* f : kForeignInfFiles) EXPECT_TRUE(FileExists(WindowsDir() + "\\" + f)) << f;
}

// The entry as Windows 9x keeps it goes directly only when the spooler refused the driver.
TEST_F(Win9xRemoval, DriverEntryFallbackOnlyWhenTheSpoolerRefuses) {
    struct Case {
        const char* what;
        bool registered;
        bool entryRemains;
    };
    const Case cases[] = {
        {"spooler does not know the driver: its entry goes with sub-keys", false, false},
        {"spooler removed the driver: the entry is not touched", true, true},
    };
    for (const Case& c : cases) {
        CleanUp();
        if (c.registered) RegisterDriver("KYR POS 730");
        SetString(kWin9xDriverKey, "Driver", "kyr730E.drv");
        CreateKey((std::string(kWin9xDriverKey) + "\\Sub").c_str());
        PutUninstallEntry();

        EXPECT_EQ(Remove(), static_cast<DWORD>(ERROR_SUCCESS)) << c.what;
        EXPECT_EQ(KeyExists(kWin9xDriverKey), c.entryRemains) << c.what;
        EXPECT_FALSE(KeyExists(kWineDriverKey)) << c.what;
    }
}

// Nothing that is missing or held stops the sequence; a missing entry is answered last.
TEST_F(Win9xRemoval, MissingOrHeldThingsDoNotStopTheSequence) {
    RegisterDriver("KYR POS 730");
    RegisterMonitorAndProcessor();
    PutAllFiles();
    RemoveFile(driverDir_ + "\\dmcolor.dll");
    RemoveFile(WindowsDir() + "\\INF\\OTHER\\KYR730.INF");
    const std::string held = driverDir_ + "\\pro730.dll";
    HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);

    const DWORD result = Remove();
    CloseHandle(h);

    EXPECT_EQ(result, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(KeyExists(kWineDriverKey));
    EXPECT_FALSE(KeyExists(kMonitorKey));
    EXPECT_FALSE(KeyExists(kProcessorKey));
    EXPECT_TRUE(FileExists(held));
    for (const char* f : {"mon730.dll", "iconlib.dll", "kyr730E.drv"})
        EXPECT_FALSE(FileExists(driverDir_ + "\\" + f)) << f;
    for (const char* f : kInfFiles) EXPECT_FALSE(FileExists(WindowsDir() + "\\" + f)) << f;
}

// The module's own tree deletion, used where Windows 95 lacks shlwapi.dll: every level and
// sibling goes, neighbours with similar names stay, and it answers as the shell function does.
TEST(KeyTreeWalk, TakesTheWholeTreeAndNothingBeside) {
    const std::string root = "Software\\kyr_removal_keytest";
    SHDeleteKeyA(HKEY_CURRENT_USER, root.c_str());
    for (const char* sub : {"t\\a", "t\\b\\c\\d", "t\\b\\e", "t\\f", "t2", "tt\\a"}) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, (root + "\\" + sub).c_str(), &key),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
        RegCloseKey(key);
    }
    auto walk = [&](const char* sub) {
        return kyr::unhook9x::DeleteKeyTreeByWalk(HKEY_CURRENT_USER, (root + "\\" + sub).c_str());
    };
    auto exists = [&](const char* sub) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, (root + "\\" + sub).c_str(), 0, KEY_READ, &key))
            return false;
        RegCloseKey(key);
        return true;
    };

    EXPECT_EQ(walk("t"), ERROR_SUCCESS);
    EXPECT_FALSE(exists("t"));
    EXPECT_TRUE(exists("t2"));
    EXPECT_TRUE(exists("tt\\a"));
    EXPECT_EQ(walk("t"), ERROR_FILE_NOT_FOUND);
    // An empty name would mean the root key itself.
    EXPECT_EQ(kyr::unhook9x::DeleteKeyTreeByWalk(HKEY_CURRENT_USER, ""), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(exists("t2"));
    SHDeleteKeyA(HKEY_CURRENT_USER, root.c_str());
}

}  // namespace

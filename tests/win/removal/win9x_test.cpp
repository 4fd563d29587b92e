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
        const std::string file = stage_ + "\\kyr730E.drv";
        PutFile(file);
        ASSERT_EQ(Host("adddriver \"Windows 4.0\" 0 \"" + std::string(name) + "\" \"" + file +
                       "\" \"" + stage_ + "\\kyr730.gpd\" \"" + stage_ + "\\kyrui.dll\""),
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
    EXPECT_FALSE(KeyExists(kProcessorKey));
    EXPECT_FALSE(KeyExists(kUninstallKey)) << "the entry goes with its sub-keys";
    for (const char* f : kDriverFiles) EXPECT_FALSE(FileExists(driverDir_ + "\\" + f)) << f;
    for (const char* f : kInfFiles) EXPECT_FALSE(FileExists(WindowsDir() + "\\" + f)) << f;

    EXPECT_TRUE(KeyExists(kOtherDriverKey));
    EXPECT_TRUE(KeyExists(kOtherUninstallKey));
    for (const char* f : kForeignDriverFiles) EXPECT_TRUE(FileExists(driverDir_ + "\\" + f)) << f;
    for (const char* f : kForeignInfFiles) EXPECT_TRUE(FileExists(WindowsDir() + "\\" + f)) << f;
}

TEST_F(Win9xRemoval, EntryAlreadyGoneGivesFileNotFoundAfterDoingTheRest) {
    RegisterDriver("KYR POS 730");
    RegisterMonitorAndProcessor();
    PutAllFiles();

    EXPECT_EQ(Remove(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    EXPECT_FALSE(KeyExists(kWineDriverKey));
    EXPECT_FALSE(KeyExists(kMonitorKey));
    EXPECT_FALSE(KeyExists(kProcessorKey));
    for (const char* f : kDriverFiles) EXPECT_FALSE(FileExists(driverDir_ + "\\" + f)) << f;
    for (const char* f : kInfFiles) EXPECT_FALSE(FileExists(WindowsDir() + "\\" + f)) << f;
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

// Wine, like Windows 9x, may answer success and keep the processor's entry.
TEST_F(Win9xRemoval, ProcessorEntryGoesWhateverTheSpoolerAnswered) {
    RegisterMonitorAndProcessor();
    PutUninstallEntry();

    EXPECT_EQ(Remove(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(KeyExists(kProcessorKey));
}

TEST_F(Win9xRemoval, MissingOrHeldFilesDoNotStopTheSequence) {
    PutAllFiles();
    RemoveFile(driverDir_ + "\\dmcolor.dll");
    RemoveFile(WindowsDir() + "\\INF\\OTHER\\KYR730.INF");
    PutUninstallEntry();
    const std::string held = driverDir_ + "\\pro730.dll";
    HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);

    const DWORD result = Remove();
    CloseHandle(h);

    EXPECT_EQ(result, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(FileExists(held));
    for (const char* f : {"mon730.dll", "iconlib.dll", "kyr730E.drv"})
        EXPECT_FALSE(FileExists(driverDir_ + "\\" + f)) << f;
    for (const char* f : kInfFiles) EXPECT_FALSE(FileExists(WindowsDir() + "\\" + f)) << f;
    EXPECT_FALSE(KeyExists(kUninstallKey));
}

// Arguments that would name other files or keys, or not fit, change nothing at all.
TEST_F(Win9xRemoval, RefusedArgumentsChangeNothing) {
    HMODULE lib = LoadLibraryA(WinPath(KYR_UNHOOK_A).c_str());
    ASSERT_NE(lib, nullptr);
    typedef LONG(__cdecl * RemoveFn)(const char*, const char*);
    RemoveFn remove = reinterpret_cast<RemoveFn>(GetProcAddress(lib, "RemoveFromWin9x"));
    ASSERT_NE(remove, nullptr);

    char dir[MAX_PATH] = {};
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir),
                                           sizeof dir, &needed));
    const std::string here = dir;
    const std::string victim = here.substr(0, here.rfind('\\')) + "\\victim.drv";
    PutFile(victim);
    PutFile(here + "\\kyr730E.drv");
    PutUninstallEntry();
    const std::string tooLong(300, '7');

    struct Case {
        const char* model;
        const char* suffix;
    };
    const Case cases[] = {{nullptr, "E"},
                          {"730", nullptr},
                          {"", "E"},
                          {"730\\..", "E"},
                          {"730", "\\..\\..\\victim"},
                          {"730", "/../../victim"},
                          {tooLong.c_str(), "E"}};
    for (const Case& c : cases) {
        EXPECT_EQ(remove(c.model, c.suffix), ERROR_INVALID_PARAMETER)
            << (c.model ? c.model : "(null)") << " / " << (c.suffix ? c.suffix : "(null)");
    }
    EXPECT_TRUE(FileExists(victim));
    EXPECT_TRUE(FileExists(here + "\\kyr730E.drv"));
    EXPECT_TRUE(KeyExists(kUninstallKey));
    FreeLibrary(lib);
    RemoveFile(victim);
    RemoveFile(here + "\\kyr730E.drv");
}

}  // namespace

namespace {

// The module's own tree deletion, used where Windows 95 lacks shlwapi.dll.
class KeyTreeWalk : public ::testing::Test {
protected:
    static constexpr const char* kRoot = "Software\\kyr_removal_keytest";
    void SetUp() override { SHDeleteKeyA(HKEY_CURRENT_USER, kRoot); }
    void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, kRoot); }

    static void Create(const std::string& sub) {
        HKEY key = nullptr;
        const std::string path = std::string(kRoot) + "\\" + sub;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS);
        RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
        RegCloseKey(key);
    }
    static bool Exists(const std::string& sub) {
        HKEY key = nullptr;
        const std::string path = std::string(kRoot) + (sub.empty() ? "" : "\\" + sub);
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    static LONG Walk(const std::string& sub) {
        return kyr::unhook9x::DeleteKeyTreeByWalk(
            HKEY_CURRENT_USER, (std::string(kRoot) + "\\" + sub).c_str());
    }
};

TEST_F(KeyTreeWalk, TakesEveryLevelAndSiblingButNoNeighbour) {
    for (const char* sub : {"t\\a", "t\\b\\c\\d", "t\\b\\e", "t\\f", "t2", "tt\\a"}) Create(sub);
    EXPECT_EQ(Walk("t"), ERROR_SUCCESS);
    EXPECT_FALSE(Exists("t"));
    EXPECT_TRUE(Exists("t2"));
    EXPECT_TRUE(Exists("tt\\a"));
}

TEST_F(KeyTreeWalk, AnswersLikeTheShellFunction) {
    Create("leaf");
    EXPECT_EQ(Walk("leaf"), ERROR_SUCCESS);
    EXPECT_EQ(Walk("leaf"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(kyr::unhook9x::DeleteKeyTree(HKEY_CURRENT_USER,
                                           (std::string(kRoot) + "\\leaf").c_str()),
              ERROR_FILE_NOT_FOUND);
}

// An empty name would mean the root key itself.
TEST_F(KeyTreeWalk, EmptyNameIsRefused) {
    Create("keep");
    EXPECT_EQ(kyr::unhook9x::DeleteKeyTreeByWalk(HKEY_CURRENT_USER, ""), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(kyr::unhook9x::DeleteKeyTreeByWalk(HKEY_CURRENT_USER, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(Exists("keep"));
}

}  // namespace

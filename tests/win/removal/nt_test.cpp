// RemoveFromWin2k under Wine's Windows XP: the driver, monitor and print processor
// registered through the platform's own calls, then the module run the way the uninstaller
// runs it, with a stand-in for "net" in the system folder that records when the spooler
// restart came, and planted copies beside the module and in the current folder that must
// never run.
#include <gtest/gtest.h>

#include <utility>
#include <string>

#include "removal/nt/form_selection.h"
#include "support.h"

#include <winspool.h>

namespace {

using namespace removal_test;

const char kHost[] = "unhook_nt.exe";
const char kVersion[] = "winxp";

const char kDriverKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\"
    "Version-3\\KYR POS 730";
const char kPrinterKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\KYR POS 730";
const char kProcessorKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\"
    "Print Processors\\KYRPOS PRINT PROCESSOR 730";

// The driver record's files besides the driver itself: data, config, help, dependent.
const char* const kListedFiles[] = {"KYR730.GPD", "KYRUI.DLL", "KYR730.HLP", "UNIRES.DLL"};

std::string Folder(BOOL(WINAPI* query)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD)) {
    char dir[MAX_PATH] = {};
    DWORD needed = 0;
    query(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof dir, &needed);
    return dir;
}

class NtRemoval : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        stage_ = Stage("nt", {kHost});
        monitorFile_ = SystemDir() + "\\MON730.DLL";
        processorFile_ = Folder(GetPrintProcessorDirectoryA) + "\\PRO730.dll";
        driverFile_ = Folder(GetPrinterDriverDirectoryA) + "\\3\\KYR730E.dll";
        stagedFile_ = Folder(GetPrinterDriverDirectoryA) + "\\KYR730E.dll";
        log_ = stage_ + "\\net.log";
        // The "net" stand-in looks at these when the module restarts the spooler.
        SetEnvironmentVariableA("KYR_NET_LOG", log_.c_str());
        const std::string watch = std::string("driver=") + kDriverKey + ";printer=" + kPrinterKey +
                                  ";monitor=" + kMonitorKey;
        SetEnvironmentVariableA("KYR_NET_WATCH", watch.c_str());
    }

    void SetUp() override { CleanUp(); }
    void TearDown() override { CleanUp(); }

    static void CleanUp() {
        for (const char* key : {kDriverKey, kPrinterKey, kProcessorKey, kMonitorKey, kUninstallKey})
            DeleteTree(key);
        for (const std::string& f : {monitorFile_, processorFile_, driverFile_, stagedFile_})
            RemoveFile(f);
        for (const char* name : kListedFiles)
            for (const char* sub : {"\\", "\\3\\"}) RemoveFile(Folder(GetPrinterDriverDirectoryA) + sub + name);
        RemoveFile(log_);
    }

    DWORD Host(const std::string& args) { return RunHost(stage_, kHost, kVersion, args); }

    void RegisterAll() {
        // Wine loads a monitor from the system folder when it is registered.
        ASSERT_TRUE(CopyFileA(WinPath(KYR_MONITOR_STANDIN).c_str(), monitorFile_.c_str(), FALSE));
        ASSERT_EQ(Host("addmonitor \"Windows NT x86\" \"KYRPOS Language Monitor 730\" MON730.DLL"),
                  0u);
        PutFile(processorFile_);
        ASSERT_EQ(Host("addprocessor \"Windows NT x86\" \"KYRPOS PRINT PROCESSOR 730\" PRO730.dll"),
                  0u);
        // Wine takes the files from the driver folder, where an installer stages them.
        PutFile(stagedFile_);
        for (const char* name : kListedFiles) PutFile(Folder(GetPrinterDriverDirectoryA) + "\\" + name);
        ASSERT_EQ(Host("adddriver \"Windows NT x86\" 3 \"KYR POS 730\" KYR730E.dll KYR730.GPD "
                       "KYRUI.DLL KYR730.HLP UNIRES.DLL"),
                  0u);
        ASSERT_TRUE(KeyExists(kDriverKey));
        ASSERT_TRUE(KeyExists(kMonitorKey));
        ASSERT_TRUE(KeyExists(kProcessorKey));
        ASSERT_TRUE(FileExists(driverFile_)) << "the spooler copies the driver file";
    }

    // A printer's entry as the spooler would leave it behind when it refuses the driver.
    void PutPrinterEntry(bool withData) {
        SetString(kPrinterKey, "Printer Driver", "KYR POS 730");
        if (withData)
            SetString((std::string(kPrinterKey) + "\\PrinterDriverData").c_str(), "x", "1");
    }

    DWORD Remove() { return Host("removent 730 E"); }

    static std::string stage_, monitorFile_, processorFile_, driverFile_, stagedFile_, log_;
};
std::string NtRemoval::stage_, NtRemoval::monitorFile_, NtRemoval::processorFile_,
    NtRemoval::driverFile_, NtRemoval::stagedFile_, NtRemoval::log_;

// Wine refuses every deletion flag; the driver step therefore always takes its fallback
// here, which is what these tests can show of it.
TEST_F(NtRemoval, WineRefusesTheDriverDeletionFlags) {
    char env[] = "Windows NT x86";
    char name[] = "KYR POS 730";
    EXPECT_FALSE(DeletePrinterDriverExA(nullptr, env, name, DPD_DELETE_ALL_FILES, 3));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(NtRemoval, TakesDriverMonitorFilesAndEntryWithTheSpoolerRestartBetween) {
    RegisterAll();
    PutPrinterEntry(false);
    PutUninstallEntry();
    const std::string version3 = Folder(GetPrinterDriverDirectoryA) + "\\3\\";
    for (const char* name : kListedFiles)
        ASSERT_TRUE(SetFileAttributesA((version3 + name).c_str(), FILE_ATTRIBUTE_READONLY)) << name;

    EXPECT_EQ(Remove(), static_cast<DWORD>(ERROR_SUCCESS));
    // The spooler deletes the record's files only when they are not read-only.
    for (const char* name : kListedFiles)
        EXPECT_EQ(GetFileAttributesA((version3 + name).c_str()) & FILE_ATTRIBUTE_READONLY, 0u) << name;

    EXPECT_FALSE(KeyExists(kDriverKey));
    EXPECT_FALSE(KeyExists(kPrinterKey)) << "a printer entry without sub-keys goes";
    EXPECT_FALSE(KeyExists(kMonitorKey));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    for (const std::string& f : {monitorFile_, processorFile_, driverFile_})
        EXPECT_FALSE(FileExists(f)) << f;
    // Wine answers success for the print processor and keeps it; the entry is deleted
    // directly only when the spooler refuses.
    EXPECT_TRUE(KeyExists(kProcessorKey));

    // Stopped after the driver went, started again before the monitor went.
    EXPECT_EQ(WaitForFileText(log_, "start spooler"),
              "stop spooler driver=0 printer=0 monitor=1\n"
              "start spooler driver=0 printer=0 monitor=1\n");
}

// A "net.exe" in the program's folder or the current folder comes before the system
// folder in the search for a bare name; the module names the system folder's.
TEST_F(NtRemoval, PlantedNetInTheProgramOrCurrentFolderDoesNotRun) {
    const std::string elsewhere = "C:\\kyr_removal_cwd";
    const std::string planted[] = {stage_ + "\\net.exe", elsewhere + "\\net.exe"};
    CreateDirectoryA(elsewhere.c_str(), nullptr);
    PutUninstallEntry();
    // Each time one copy planted: beside the module (run from an empty folder), then in
    // the current folder alone.
    for (int only = 0; only < 2; ++only) {
        for (int i = 0; i < 2; ++i) {
            RemoveFile(planted[i]);
            if (i == only)
                ASSERT_TRUE(CopyFileA(WinPath(KYR_NET_STANDIN).c_str(), planted[i].c_str(), FALSE));
        }
        RemoveFile(log_);
        // The first run takes the uninstall entry; the second finds it gone.
        const DWORD expected = only == 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
        EXPECT_EQ(RunHost(stage_, kHost, kVersion, "removent 730 E", elsewhere), expected);
        const std::string log = WaitForFileText(log_, "start spooler");
        EXPECT_EQ(log.find("planted"), std::string::npos) << planted[only] << ": " << log;
        EXPECT_NE(log.find("stop spooler"), std::string::npos) << planted[only] << ": " << log;
        EXPECT_NE(log.find("start spooler"), std::string::npos) << planted[only] << ": " << log;
    }
    ASSERT_TRUE(CopyFileA(WinPath(KYR_NET_STANDIN).c_str(), planted[0].c_str(), FALSE));
    RemoveFile(planted[1]);
    RemoveDirectoryA(elsewhere.c_str());
}

TEST_F(NtRemoval, PrinterEntryWithSubKeysStays) {
    RegisterAll();
    PutPrinterEntry(true);
    PutUninstallEntry();

    EXPECT_EQ(Remove(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(KeyExists(kDriverKey));
    EXPECT_TRUE(KeyExists(kPrinterKey));
}

// Nothing that is missing or held stops the sequence; a missing entry is answered last.
TEST_F(NtRemoval, MissingOrHeldThingsDoNotStopTheSequence) {
    RegisterAll();
    RemoveFile(monitorFile_);
    HANDLE h = CreateFileA(processorFile_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);

    const DWORD result = Remove();
    CloseHandle(h);

    EXPECT_EQ(result, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(KeyExists(kDriverKey));
    EXPECT_FALSE(KeyExists(kMonitorKey));
    EXPECT_TRUE(FileExists(processorFile_));
    EXPECT_FALSE(FileExists(driverFile_));
    EXPECT_NE(WaitForFileText(log_, "start spooler").find("start spooler"), std::string::npos);
}

// Arguments that would name other files or keys, not fit, or match every form are refused
// by both modules before anything happens, the spooler restart included.
TEST_F(NtRemoval, RefusedArgumentsChangeNothing) {
    typedef LONG(__cdecl * RemoveFn)(const char*, const char*);
    const std::string driverDir = Folder(GetPrinterDriverDirectoryA);
    const std::string victim = driverDir + "\\victim.dll";
    const std::string victim9x = driverDir.substr(0, driverDir.rfind('\\')) + "\\victim.drv";
    PutFile(victim);
    PutFile(victim9x);
    PutFile(driverFile_);
    PutUninstallEntry();
    const std::string tooLong(300, '7');
    const struct {
        const char* model;
        const char* suffix;
    } cases[] = {{nullptr, "E"},    {"730", nullptr},          {"", "E"},
                 {"730\\Sub", "E"}, {"730", "\\..\\..\\victim"}, {"730", "/../../victim"},
                 {"730", "E:s"},    {tooLong.c_str(), "E"}};
    const std::pair<const char*, const char*> modules[] = {{KYR_UNHOOK_A, "RemoveFromWin9x"},
                                                           {KYR_UNHOOK_B, "RemoveFromWin2k"}};
    for (const auto& [path, entry] : modules) {
        HMODULE lib = LoadLibraryA(WinPath(path).c_str());
        ASSERT_NE(lib, nullptr);
        RemoveFn remove = reinterpret_cast<RemoveFn>(GetProcAddress(lib, entry));
        ASSERT_NE(remove, nullptr);
        for (const auto& c : cases)
            EXPECT_EQ(remove(c.model, c.suffix), ERROR_INVALID_PARAMETER)
                << entry << " " << (c.model ? c.model : "(null)") << " / "
                << (c.suffix ? c.suffix : "(null)");
        FreeLibrary(lib);
    }
    for (const std::string& f : {victim, victim9x, driverFile_}) EXPECT_TRUE(FileExists(f)) << f;
    EXPECT_TRUE(KeyExists(kUninstallKey));
    EXPECT_FALSE(FileExists(log_)) << "no spooler restart";
    RemoveFile(victim);
    RemoveFile(victim9x);
}

struct FormCase {
    const char* form;
    const char* model;
    bool own;
};

const FormCase kFormCases[] = {
    {"730", "730", true},          {"Roll 80 x 730 mm", "730", true},
    {"Receipt7300", "730", true},  {"7 30", "730", false},
    {"", "730", false},            {"Receipt POS", "Pos", false},
    {"Receipt Pos", "Pos", true},  {"A4", "", false},
    {nullptr, "730", false},       {"730", nullptr, false},
};

class FormSelection : public ::testing::TestWithParam<FormCase> {};

TEST_P(FormSelection, NameContainsTheModelWithRegardToCase) {
    const FormCase& c = GetParam();
    EXPECT_EQ(kyr::unhooknt::IsOwnForm(c.form, c.model), c.own)
        << (c.form ? c.form : "(null)") << " / " << (c.model ? c.model : "(null)");
}

INSTANTIATE_TEST_SUITE_P(Table, FormSelection, ::testing::ValuesIn(kFormCases));

// Wine keeps no user forms (its form calls are stubs), so only the selection over its real
// list can be shown: none of the built-in forms is taken for the model "730".
TEST(FormSelectionOnWine, NoBuiltInFormIsTaken) {
    HANDLE server = nullptr;
    ASSERT_TRUE(OpenPrinterA(nullptr, &server, nullptr));
    DWORD needed = 0, count = 0;
    EnumFormsA(server, 1, nullptr, 0, &needed, &count);
    ASSERT_GT(needed, 0u);
    std::string buffer(needed, '\0');
    ASSERT_TRUE(EnumFormsA(server, 1, reinterpret_cast<BYTE*>(&buffer[0]), needed, &needed,
                           &count));
    ClosePrinter(server);
    const FORM_INFO_1A* forms = reinterpret_cast<const FORM_INFO_1A*>(buffer.data());
    ASSERT_GT(count, 10u);
    int taken = 0, envelopes = 0;
    for (DWORD i = 0; i < count; ++i) {
        taken += kyr::unhooknt::IsOwnForm(forms[i].pName, "730");
        envelopes += kyr::unhooknt::IsOwnForm(forms[i].pName, "Envelope");
    }
    EXPECT_EQ(taken, 0);
    EXPECT_GT(envelopes, 0) << "the selection does look at the real names";
}

}  // namespace

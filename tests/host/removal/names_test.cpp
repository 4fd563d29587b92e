// Names and paths of both removal modules: what "730"/"E" give, where unsafe or over-long
// input is refused, and that nothing is ever cut into a shorter, different name.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "removal/nt/nt_names.h"
#include "removal/win9x/win9x_names.h"

namespace {

namespace n9 = kyr::unhook9x;
namespace nt = kyr::unhooknt;

TEST(Win9xNames, ModelAndSuffixOfTheUninstaller) {
    n9::Names names;
    ASSERT_TRUE(n9::BuildNames("730", "E", &names));
    EXPECT_STREQ(names.driver, "KYR POS 730");
    EXPECT_STREQ(names.monitor, "KYRPOS Language Monitor 730");
    EXPECT_STREQ(names.printProcessor, "KYRPOS PRINT PROCESSOR 730");
    EXPECT_STREQ(names.driverKey,
                 "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers\\"
                 "KYR POS 730");
    EXPECT_STREQ(names.monitorKey,
                 "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\"
                 "KYRPOS Language Monitor 730");
    EXPECT_STREQ(names.printProcessorKey,
                 "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\"
                 "Print Processors\\KYRPOS PRINT PROCESSOR 730");
    EXPECT_STREQ(names.uninstallKey,
                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730");
}

TEST(NtNames, ModelAndSuffixOfTheUninstaller) {
    nt::Names names;
    ASSERT_TRUE(nt::BuildNames("730", "E", &names));
    EXPECT_STREQ(names.driver, "KYR POS 730");
    EXPECT_STREQ(names.monitor, "KYRPOS Language Monitor 730");
    EXPECT_STREQ(names.printProcessor, "KYRPOS PRINT PROCESSOR 730");
    EXPECT_STREQ(names.driverKey,
                 "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\"
                 "Drivers\\Version-3\\KYR POS 730");
    EXPECT_STREQ(names.printerKey,
                 "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\KYR POS 730");
    EXPECT_STREQ(names.monitorKey,
                 "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\"
                 "KYRPOS Language Monitor 730");
    EXPECT_STREQ(names.printProcessorKey,
                 "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\"
                 "Print Processors\\KYRPOS PRINT PROCESSOR 730");
    EXPECT_STREQ(names.uninstallKey,
                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730");
}

struct ArgCase {
    const char* what;
    const char* model;
    const char* suffix;
    bool accepted;
};

const std::string kLongModel(200, '7');

const ArgCase kArgCases[] = {
    {"uninstaller's arguments", "730", "E", true},
    {"empty suffix names a plain file", "730", "", true},
    {"missing model", nullptr, "E", false},
    {"missing suffix", "730", nullptr, false},
    {"empty model would match every form and name the bare prefixes", "", "E", false},
    {"backslash in model leads into another key", "730\\..\\Other", "E", false},
    {"slash in model leads into another folder", "../730", "E", false},
    {"colon in model names a stream or drive", "730:x", "E", false},
    {"backslash in suffix leads into another folder", "730", "E\\..\\..\\x", false},
    {"colon in suffix", "730", "E:s", false},
    {"model too long for the longest key", kLongModel.c_str(), "E", false},
};

class NamesArguments : public ::testing::TestWithParam<ArgCase> {};

TEST_P(NamesArguments, BothModulesAgree) {
    const ArgCase& c = GetParam();
    n9::Names a;
    nt::Names b;
    std::memset(&a, 'x', sizeof a);
    std::memset(&b, 'x', sizeof b);
    EXPECT_EQ(n9::BuildNames(c.model, c.suffix, &a), c.accepted) << c.what;
    EXPECT_EQ(nt::BuildNames(c.model, c.suffix, &b), c.accepted) << c.what;
    if (!c.accepted && c.model != nullptr && c.model[0] != '\0' && c.suffix != nullptr &&
        std::strpbrk(c.model, "\\/:") == nullptr && std::strpbrk(c.suffix, "\\/:") == nullptr) {
        // Refused for length: no half-built name may be left for a careless caller.
        EXPECT_STREQ(a.uninstallKey, "");
        EXPECT_STREQ(b.uninstallKey, "");
        EXPECT_STREQ(a.driver, "");
        EXPECT_STREQ(b.driver, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, NamesArguments, ::testing::ValuesIn(kArgCases));

// The longest fixed text decides how long a model may be; one character more is refused.
TEST(NamesLength, LongestModelThatFitsEveryName) {
    const std::size_t nt9xLongest =
        std::strlen("System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\"
                    "Print Processors\\KYRPOS PRINT PROCESSOR ");
    const std::size_t ntLongest =
        std::strlen("SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\"
                    "Print Processors\\KYRPOS PRINT PROCESSOR ");
    n9::Names a;
    nt::Names b;
    const std::string fit9x(n9::kTextSize - 1 - nt9xLongest, '7');
    EXPECT_TRUE(n9::BuildNames(fit9x.c_str(), "E", &a));
    EXPECT_EQ(std::strlen(a.printProcessorKey), n9::kTextSize - 1);
    EXPECT_FALSE(n9::BuildNames((fit9x + "7").c_str(), "E", &a));

    const std::string fitNt(nt::kTextSize - 1 - ntLongest, '7');
    EXPECT_TRUE(nt::BuildNames(fitNt.c_str(), "E", &b));
    EXPECT_EQ(std::strlen(b.printProcessorKey), nt::kTextSize - 1);
    EXPECT_FALSE(nt::BuildNames((fitNt + "7").c_str(), "E", &b));
}

TEST(Win9xFiles, DriverFolderFilesInOrder) {
    const char* expected[] = {
        "C:\\WINDOWS\\SYSTEM\\dmcolor.dll", "C:\\WINDOWS\\SYSTEM\\mon730.dll",
        "C:\\WINDOWS\\SYSTEM\\pro730.dll",  "C:\\WINDOWS\\SYSTEM\\iconlib.dll",
        "C:\\WINDOWS\\SYSTEM\\kyr730E.drv",
    };
    ASSERT_EQ(n9::kDriverFileCount, 5);
    for (int i = 0; i < n9::kDriverFileCount; ++i) {
        char path[n9::kTextSize];
        ASSERT_TRUE(n9::DriverFilePath(i, "C:\\WINDOWS\\SYSTEM", "730", "E", path, sizeof path));
        EXPECT_STREQ(path, expected[i]) << i;
    }
    char path[n9::kTextSize];
    EXPECT_FALSE(n9::DriverFilePath(5, "C:\\WINDOWS\\SYSTEM", "730", "E", path, sizeof path));
    EXPECT_FALSE(n9::DriverFilePath(-1, "C:\\WINDOWS\\SYSTEM", "730", "E", path, sizeof path));
}

TEST(Win9xFiles, InfCopiesAndTheirTwins) {
    const char* expected[][2] = {
        {"C:\\WINDOWS\\INF\\OTHER\\KYR730.INF", "C:\\WINDOWS\\INF\\OTHER\\KYR730.PNF"},
        {"C:\\WINDOWS\\INF\\KYR730.INF", "C:\\WINDOWS\\INF\\KYR730.PNF"},
    };
    ASSERT_EQ(n9::kInfFileCount, 2);
    for (int i = 0; i < n9::kInfFileCount; ++i) {
        char inf[n9::kTextSize];
        char pnf[n9::kTextSize];
        ASSERT_TRUE(n9::InfFilePath(i, "C:\\WINDOWS", "730", inf, sizeof inf));
        ASSERT_TRUE(n9::PrecompiledTwin(inf, pnf, sizeof pnf));
        EXPECT_STREQ(inf, expected[i][0]);
        EXPECT_STREQ(pnf, expected[i][1]);
    }
    char pnf[n9::kTextSize];
    EXPECT_FALSE(n9::PrecompiledTwin("ab", pnf, sizeof pnf));
    EXPECT_FALSE(n9::PrecompiledTwin(nullptr, pnf, sizeof pnf));
    ASSERT_TRUE(n9::PrecompiledTwin("INF", pnf, sizeof pnf));
    EXPECT_STREQ(pnf, "PNF");
}

TEST(NtFiles, EachFileInItsFolder) {
    struct Row {
        nt::FileFolder folder;
        const char* dir;
        const char* path;
    };
    const Row rows[] = {
        {nt::FileFolder::kSystem, "C:\\WINDOWS\\system32", "C:\\WINDOWS\\system32\\MON730.DLL"},
        {nt::FileFolder::kPrintProcessor, "C:\\WINDOWS\\system32\\spool\\prtprocs\\w32x86",
         "C:\\WINDOWS\\system32\\spool\\prtprocs\\w32x86\\PRO730.dll"},
        {nt::FileFolder::kPrinterDriver, "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86",
         "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\KYR730E.dll"},
    };
    ASSERT_EQ(nt::kFileCount, 3);
    for (int i = 0; i < nt::kFileCount; ++i) {
        char path[nt::kTextSize];
        EXPECT_EQ(nt::FolderOfFile(i), rows[i].folder) << i;
        ASSERT_TRUE(nt::FilePath(i, rows[i].dir, "730", "E", path, sizeof path));
        EXPECT_STREQ(path, rows[i].path);
    }
    char path[nt::kTextSize];
    EXPECT_FALSE(nt::FilePath(3, "C:\\X", "730", "E", path, sizeof path));
}

// A folder that could not be asked for, or that fills the buffer, yields no path at all:
// neither "\file" at the drive root nor a cut path that names a different file.
TEST(FilePaths, EmptyOrFullFolderGivesNoPath) {
    char path[n9::kTextSize];
    EXPECT_FALSE(n9::DriverFilePath(0, "", "730", "E", path, sizeof path));
    EXPECT_FALSE(n9::DriverFilePath(0, nullptr, "730", "E", path, sizeof path));
    EXPECT_FALSE(n9::InfFilePath(0, "", "730", path, sizeof path));
    EXPECT_FALSE(nt::FilePath(0, "", "730", "E", path, sizeof path));
    EXPECT_FALSE(nt::FilePath(2, nullptr, "730", "E", path, sizeof path));

    // "\kyr730E.drv" is 12 characters: the folder may take 243 of the 255.
    const std::string fits(n9::kTextSize - 1 - std::strlen("\\kyr730E.drv"), 'd');
    ASSERT_TRUE(n9::DriverFilePath(4, fits.c_str(), "730", "E", path, sizeof path));
    EXPECT_EQ(std::strlen(path), n9::kTextSize - 1);
    const std::string tooLong = fits + "d";
    EXPECT_FALSE(n9::DriverFilePath(4, tooLong.c_str(), "730", "E", path, sizeof path));
    EXPECT_STREQ(path, "");
    // The shorter names of the same folder still fit and are still built.
    EXPECT_TRUE(n9::DriverFilePath(1, tooLong.c_str(), "730", "E", path, sizeof path));

    const std::string ntTooLong(nt::kTextSize - std::strlen("\\3\\KYR730E.dll"), 'd');
    EXPECT_FALSE(nt::FilePath(2, ntTooLong.c_str(), "730", "E", path, sizeof path));
    EXPECT_STREQ(path, "");
}

}  // namespace

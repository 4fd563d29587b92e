// CheckOS as the uninstaller sees it: bound by name from Unhook_A.DLL beside the program,
// under every Windows version Wine can pretend to be.
#include <gtest/gtest.h>

#include "support.h"

namespace {

using namespace removal_test;

struct VersionCase {
    const char* wineVersion;
    int code;  // 0: any value outside 2000..2007
};

const VersionCase kVersions[] = {
    {"win95", 2000},   {"win98", 2001}, {"winme", 2002},   {"nt40", 2003},
    {"win2k", 2004},   {"winxp", 2005}, {"win2003", 2006}, {"vista", 2007},
    {"win2008", 2007}, {"win7", 2007},  {"win8", 2007},    {"win81", 2007},
    {"win10", 2007},
};

class CheckOsUnder : public ::testing::TestWithParam<VersionCase> {
protected:
    static void SetUpTestSuite() { stage_ = Stage("checkos", {"unhook_os.exe"}); }
    static std::string stage_;
};
std::string CheckOsUnder::stage_;

TEST_P(CheckOsUnder, GivesTheTableCode) {
    const VersionCase& c = GetParam();
    const DWORD code = RunHost(stage_, "unhook_os.exe", c.wineVersion, "checkos");
    if (c.code != 0) {
        EXPECT_EQ(code, static_cast<DWORD>(c.code)) << c.wineVersion;
    } else {
        // The uninstaller must skip all removal for a system the table does not know.
        EXPECT_TRUE(code < 2000 || code > 2007) << c.wineVersion << " gave " << code;
        EXPECT_LT(code, 9000u) << "module or entry point not bound";
    }
}

INSTANTIATE_TEST_SUITE_P(Wine, CheckOsUnder, ::testing::ValuesIn(kVersions),
                         [](const ::testing::TestParamInfo<VersionCase>& info) {
                             return std::string(info.param.wineVersion);
                         });

}  // namespace

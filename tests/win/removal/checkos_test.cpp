// CheckOS as the uninstaller sees it: bound by name from Unhook_A.DLL beside the program,
// under every Windows version Wine can pretend to be.
#include <gtest/gtest.h>

#include "support.h"

namespace {

using namespace removal_test;

struct VersionCase {
    const char* wineVersion;
    int code;  // 0: any value outside 2000..2006
};

const VersionCase kVersions[] = {
    {"win95", 2000},   {"win98", 2001}, {"winme", 2002},   {"nt40", 2003},
    {"win2k", 2004},   {"winxp", 2005}, {"win2003", 2006}, {"vista", 0},
    {"win2008", 0},    {"win7", 0},     {"win8", 0},       {"win81", 0},
    {"win10", 0},
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
        EXPECT_TRUE(code < 2000 || code > 2006) << c.wineVersion << " gave " << code;
        EXPECT_LT(code, 9000u) << "module or entry point not bound";
    }
}

INSTANTIATE_TEST_SUITE_P(Wine, CheckOsUnder, ::testing::ValuesIn(kVersions),
                         [](const ::testing::TestParamInfo<VersionCase>& info) {
                             return std::string(info.param.wineVersion);
                         });

// The uninstaller resolves the plain names and calls with the C convention; a decorated
// or stdcall-style export would leave it with "Fail to load ... function".
TEST(UnhookAExports, PlainNamesOnly) {
    HMODULE lib = LoadLibraryA(WinPath(KYR_UNHOOK_A).c_str());
    ASSERT_NE(lib, nullptr);
    EXPECT_NE(GetProcAddress(lib, "CheckOS"), nullptr);
    EXPECT_NE(GetProcAddress(lib, "RemoveFromWin9x"), nullptr);
    EXPECT_EQ(GetProcAddress(lib, "_CheckOS"), nullptr);
    EXPECT_EQ(GetProcAddress(lib, "RemoveFromWin9x@8"), nullptr);
    EXPECT_EQ(GetProcAddress(lib, "RemoveFromWin2k"), nullptr);
    FreeLibrary(lib);
}

TEST(UnhookBExports, PlainNameOnly) {
    HMODULE lib = LoadLibraryA(WinPath(KYR_UNHOOK_B).c_str());
    ASSERT_NE(lib, nullptr);
    EXPECT_NE(GetProcAddress(lib, "RemoveFromWin2k"), nullptr);
    EXPECT_EQ(GetProcAddress(lib, "RemoveFromWin2k@8"), nullptr);
    EXPECT_EQ(GetProcAddress(lib, "CheckOS"), nullptr);
    FreeLibrary(lib);
}

// The installer's overwrite policy and the list of installed software read these.
TEST(ModuleVersions, FileVersionResources) {
    struct Row {
        const char* path;
        WORD v[4];
    };
    const Row rows[] = {{KYR_UNHOOK_A, {1, 0, 8, 7}}, {KYR_UNHOOK_B, {1, 0, 8, 6}}};
    for (const Row& row : rows) {
        const std::string path = WinPath(row.path);
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << path;
        std::string data(size, '\0');
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, &data[0]));
        VS_FIXEDFILEINFO* info = nullptr;
        UINT len = 0;
        ASSERT_TRUE(VerQueryValueA(&data[0], "\\", reinterpret_cast<void**>(&info), &len));
        EXPECT_EQ(HIWORD(info->dwFileVersionMS), row.v[0]) << path;
        EXPECT_EQ(LOWORD(info->dwFileVersionMS), row.v[1]) << path;
        EXPECT_EQ(HIWORD(info->dwFileVersionLS), row.v[2]) << path;
        EXPECT_EQ(LOWORD(info->dwFileVersionLS), row.v[3]) << path;
    }
}

}  // namespace

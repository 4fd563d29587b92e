// Where the removal modules refuse their input: unsafe or over-long arguments, and folders
// that would give a path at the drive root or one cut into a different, shorter name. The
// names themselves are checked by their effect, in the Windows tests.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "removal/nt/nt_names.h"
#include "removal/win9x/win9x_names.h"

namespace {

namespace n9 = kyr::unhook9x;
namespace nt = kyr::unhooknt;

struct ArgCase {
    const char* model;
    const char* suffix;
    bool accepted;
};

const std::string kLongModel(200, '7');

const ArgCase kArgCases[] = {
    {"730", "E", true},
    {"730", "", true},             // a plain file name without suffix
    {nullptr, "E", false},
    {"730", nullptr, false},
    {"", "E", false},              // would match every form and name the bare prefixes
    {"730\\Sub", "E", false},      // another key
    {"../730", "E", false},        // another folder
    {"730:x", "E", false},         // a stream or a drive
    {"730", "E\\..\\..\\x", false},
    {"730", "E:s", false},
    {kLongModel.c_str(), "E", false},
};

class NamesArguments : public ::testing::TestWithParam<ArgCase> {};

TEST_P(NamesArguments, BothModulesAgree) {
    const ArgCase& c = GetParam();
    n9::Names a;
    nt::Names b;
    std::memset(&a, 'x', sizeof a);
    std::memset(&b, 'x', sizeof b);
    EXPECT_EQ(n9::BuildNames(c.model, c.suffix, &a), c.accepted);
    EXPECT_EQ(nt::BuildNames(c.model, c.suffix, &b), c.accepted);
    if (c.model == kLongModel.c_str()) {
        // No half-built name may be left for a careless caller.
        EXPECT_STREQ(a.driver, "");
        EXPECT_STREQ(b.uninstallKey, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, NamesArguments, ::testing::ValuesIn(kArgCases));

// The print-processor key is the longest name; a model one character longer than it
// allows is refused, not cut.
TEST(NamesLength, LongestModelThatFitsEveryName) {
    n9::Names a;
    nt::Names b;
    const std::size_t prefix9x = std::strlen(
        "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\"
        "Print Processors\\KYRPOS PRINT PROCESSOR ");
    const std::size_t prefixNt = std::strlen(
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\"
        "Print Processors\\KYRPOS PRINT PROCESSOR ");
    const std::string m9(n9::kTextSize - 1 - prefix9x, '7');
    const std::string mNt(nt::kTextSize - 1 - prefixNt, '7');
    EXPECT_TRUE(n9::BuildNames(m9.c_str(), "E", &a));
    EXPECT_FALSE(n9::BuildNames((m9 + "7").c_str(), "E", &a));
    EXPECT_TRUE(nt::BuildNames(mNt.c_str(), "E", &b));
    EXPECT_FALSE(nt::BuildNames((mNt + "7").c_str(), "E", &b));
}

TEST(FilePaths, EmptyOrFullFolderGivesNoPath) {
    char path[n9::kTextSize];
    EXPECT_FALSE(n9::DriverFilePath(0, "", "730", "E", path, sizeof path));
    EXPECT_FALSE(n9::DriverFilePath(0, nullptr, "730", "E", path, sizeof path));
    EXPECT_FALSE(n9::InfFilePath(0, "", "730", path, sizeof path));
    EXPECT_FALSE(nt::FilePath(0, "", "730", "E", path, sizeof path));
    EXPECT_FALSE(n9::DriverFilePath(5, "C:\\W", "730", "E", path, sizeof path));
    EXPECT_FALSE(nt::FilePath(3, "C:\\W", "730", "E", path, sizeof path));

    // "\kyr730E.drv" takes 12 of the 255 characters, "\mon730.dll" 11.
    const std::string full(n9::kTextSize - 1 - 12, 'd');
    ASSERT_TRUE(n9::DriverFilePath(4, full.c_str(), "730", "E", path, sizeof path));
    EXPECT_EQ(std::strlen(path), n9::kTextSize - 1);
    EXPECT_FALSE(n9::DriverFilePath(4, (full + "d").c_str(), "730", "E", path, sizeof path));
    EXPECT_STREQ(path, "");
    EXPECT_TRUE(n9::DriverFilePath(1, (full + "d").c_str(), "730", "E", path, sizeof path));

    const std::string ntFull(nt::kTextSize - std::strlen("\\3\\KYR730E.dll"), 'd');
    EXPECT_FALSE(nt::FilePath(2, ntFull.c_str(), "730", "E", path, sizeof path));
    EXPECT_STREQ(path, "");
}

TEST(FilePaths, PrecompiledTwinReplacesTheLastThree) {
    // Code page 932: "\x83\x5C" (katakana "so") is one character of two bytes.
    const struct {
        const char* path;
        kyr::LeadBytePredicate isLead;
        const char* twin;  // nullptr: refused
    } cases[] = {
        {"C:\\W\\INF\\KYR730.INF", kyr::NoLeadBytes, "C:\\W\\INF\\KYR730.PNF"},
        {"C:\\W\\INF\\KYR730.INF", kyr::Cp932LeadByte, "C:\\W\\INF\\KYR730.PNF"},
        {"C:\\\x83\x5C\\INF\\KYR730.INF", kyr::Cp932LeadByte,
         "C:\\\x83\x5C\\INF\\KYR730.PNF"},
        // The last three characters are four bytes; the first of them is not cut in half.
        {"C:\\W\\x\x83\x5C" "ab", kyr::Cp932LeadByte, "C:\\W\\xPNF"},
        {"abc", kyr::Cp932LeadByte, "PNF"},
        {"ab", kyr::NoLeadBytes, nullptr},
        {"a\x83\x5C", kyr::Cp932LeadByte, nullptr},
        {nullptr, kyr::NoLeadBytes, nullptr},
    };
    for (const auto& c : cases) {
        char pnf[n9::kTextSize] = "junk";
        const char* shown = c.path ? c.path : "(null)";
        EXPECT_EQ(n9::PrecompiledTwin(c.path, pnf, sizeof pnf, c.isLead), c.twin != nullptr)
            << shown;
        if (c.twin != nullptr) EXPECT_STREQ(pnf, c.twin) << shown;
    }
}

}  // namespace

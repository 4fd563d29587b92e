#include "common/maintenance/folder_path.h"

#include <gtest/gtest.h>

#include <string>

namespace kyr {
namespace {

TEST(JoinFolderPath, OneSeparatorBetweenFolderAndTail) {
    // Code page 932: "\x83\x5C" (katakana "so") ends in the backslash byte.
    const struct {
        const char* folder;
        LeadBytePredicate isLead;
        const char* joined;
    } cases[] = {
        {"C:\\drivers", NoLeadBytes, "C:\\drivers\\*.*"},
        {"C:\\drivers\\", NoLeadBytes, "C:\\drivers\\*.*"},
        {"", NoLeadBytes, "\\*.*"},
        {"C:\\\x83\x5C", Cp932LeadByte, "C:\\\x83\x5C\\*.*"},
        {"C:\\\x83\x5C\\", Cp932LeadByte, "C:\\\x83\x5C\\*.*"},
        // Read byte by byte the folder seems to end in a separator and would lose its own.
        {"C:\\\x83\x5C", NoLeadBytes, "C:\\\x83\x5C*.*"},
    };
    for (const auto& c : cases) {
        char out[260] = "junk";
        EXPECT_TRUE(JoinFolderPath(out, sizeof out, c.folder, "*.*", c.isLead)) << c.folder;
        EXPECT_EQ(std::string(c.joined), out) << c.folder;
    }
}

TEST(JoinFolderPath, TooLongIsRefusedWhole) {
    char out[8] = "junk";
    EXPECT_TRUE(JoinFolderPath(out, sizeof out, "abc", "def", NoLeadBytes));
    EXPECT_STREQ("abc\\def", out);
    EXPECT_FALSE(JoinFolderPath(out, sizeof out, "abcd", "def", NoLeadBytes));
    EXPECT_STREQ("", out);
    EXPECT_FALSE(JoinFolderPath(out, sizeof out, nullptr, "def", NoLeadBytes));
}

}  // namespace
}  // namespace kyr

#include "installer/sequences/inf_append.h"

#include <gtest/gtest.h>

#include <string>

#include "installer/system/path_join.h"

namespace kyr {
namespace {

TEST(InfAppend, DriverInfGetsTheStagingFolderAndClosesTheOpenQuote) {
    const std::string text = DriverInfAppendText("C:\\WINDOWS");
    EXPECT_EQ(text, std::string("C:\\WINDOWS\\KYR-730\\usb\"\r\n"));
    EXPECT_EQ(text.size(), 25u);
}

TEST(InfAppend, UsbPrintInfGetsTwoQuotedDefinitions) {
    const std::string text = UsbPrintInfAppendText("C:\\WINDOWS");
    EXPECT_EQ(text, std::string("DRIVER_PATH = \"C:\\WINDOWS\\system32\\drivers\"\r\n"
                                "CYCLERUN = \"C:\\WINDOWS\\cyclerun.exe\"\r\n"));
    EXPECT_EQ(text.size(), 83u);
}

TEST(InfAppend, LengthsGrowWithTheFolderOnly) {
    struct {
        const char* folder;
        size_t driver, usb;
    } const cases[] = {{"C:\\WIN", 21, 75}, {"C:\\WINDOWS", 25, 83}, {"D:\\Windows98SE", 29, 91}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(DriverInfAppendText(c.folder).size(), c.driver);
        EXPECT_EQ(UsbPrintInfAppendText(c.folder).size(), c.usb);
    }
}

TEST(InfAppend, TextsCarryNoTerminatorOrLineBreakInFront) {
    for (const std::string& text : {DriverInfAppendText("C:\\WINDOWS"), UsbPrintInfAppendText("C:\\WINDOWS")}) {
        EXPECT_EQ(text.find('\0'), std::string::npos);
        EXPECT_NE(text.front(), '\r');
        EXPECT_NE(text.front(), '\n');
        EXPECT_EQ(text.substr(text.size() - 3), "\"\r\n");
    }
}

TEST(DriverInfTarget, OtherFolderWhenItExists) {
    char out[kPathBufferSize];
    ASSERT_TRUE(DriverInfTarget(out, sizeof(out), "C:\\WINDOWS", true));
    EXPECT_STREQ(out, "C:\\WINDOWS\\INF\\OTHER\\kyr730.inf");
    ASSERT_TRUE(DriverInfTarget(out, sizeof(out), "C:\\WINDOWS", false));
    EXPECT_STREQ(out, "C:\\WINDOWS\\INF\\kyr730.inf");
}

TEST(DriverInfTarget, RefusesWhatDoesNotFitInsteadOfCuttingIt) {
    const std::string inf = "\\INF\\kyr730.inf";  // 15 characters
    const std::string fits(kPathBufferSize - 1 - inf.size(), 'w');
    char out[kPathBufferSize];
    ASSERT_TRUE(DriverInfTarget(out, sizeof(out), fits.c_str(), false));
    EXPECT_EQ(std::string(out), fits + inf);

    const std::string tooLong = fits + "w";
    EXPECT_FALSE(DriverInfTarget(out, sizeof(out), tooLong.c_str(), false));
    EXPECT_STREQ(out, "");
    // The longer OTHER path is refused where the plain one still fits.
    EXPECT_FALSE(DriverInfTarget(out, sizeof(out), fits.c_str(), true));
    EXPECT_STREQ(out, "");
}

TEST(DriverInfTarget, NoWindowsFolderNoTarget) {
    char out[kPathBufferSize] = "stale";
    EXPECT_FALSE(DriverInfTarget(out, sizeof(out), "", false));
    EXPECT_STREQ(out, "");
}

}  // namespace
}  // namespace kyr

#include <gtest/gtest.h>

#include <string>

#include "common/oscode/os_code.h"
#include "installer/system/path_join.h"
#include "installer/context/port_table.h"
#include "installer/context/product_names.h"

namespace kyr {
namespace {

TEST(OsCode, MapsEveryKnownSystemAndNothingElse) {
    struct Row {
        unsigned platform, major, minor;
        int code;
    } rows[] = {
        {1, 4, 0, 2000},  {1, 4, 10, 2001}, {1, 4, 90, 2002}, {2, 4, 0, 2003},  {2, 3, 51, 2003},
        {2, 0, 0, 2003},  {2, 5, 0, 2004},  {2, 5, 1, 2005},  {2, 5, 2, 2006},
        // Vista, 7, 8, 8.1, 10 and later NT: one code
        {2, 6, 0, 2007},  {2, 6, 1, 2007},  {2, 6, 2, 2007},  {2, 6, 3, 2007},  {2, 10, 0, 2007},
        {2, 11, 0, 2007},
        // Outside the table: near misses of each family.
        {1, 4, 1, 0},     {1, 4, 11, 0},    {1, 5, 0, 0},     {1, 6, 0, 0},     {1, 3, 10, 0},
        {2, 5, 3, 0},     {0, 3, 10, 0},    {0, 6, 0, 0},     {3, 4, 0, 0},     {3, 6, 0, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(OsCodeFor(r.platform, r.major, r.minor), r.code)
            << r.platform << " " << r.major << "." << r.minor;
    }
}

TEST(OsCode, OnlyTheThreeWindows9xCodesFormTheRange) {
    for (int code = 1995; code <= 2010; ++code) EXPECT_EQ(IsWin9xCode(code), code >= 2000 && code <= 2002) << code;
    EXPECT_FALSE(IsWin9xCode(kOsUnknown));
}

TEST(Dispatch, EveryRadioIndexReachesTheSequenceOfItsFamily) {
    const char* const names[] = {"COM1:", "COM2:", "COM3:", "COM4:", "LPT1:", "LPT2:", nullptr};
    for (int index = 0; index < 7; ++index) {
        InstallDispatch nt = DispatchFor(kOsWinXp, index);
        EXPECT_EQ(nt.route, InstallRoute::Nt);
        EXPECT_EQ(nt.portCode, 1000 + index);
        InstallDispatch w9x = DispatchFor(kOsWin98, index);
        EXPECT_EQ(w9x.route, InstallRoute::Win9x);
        EXPECT_EQ(w9x.portCode, 1000 + index);
        const char* name = PortNameFor(1000 + index);
        if (names[index]) {
            ASSERT_NE(name, nullptr);
            EXPECT_STREQ(name, names[index]);
        } else {
            EXPECT_EQ(name, nullptr) << "USB adds no printer";
        }
    }
}

TEST(Dispatch, NoCheckedPortInstallsNothingAndUnknownSystemsGoToNt) {
    EXPECT_EQ(DispatchFor(kOsWinXp, -1).route, InstallRoute::Nothing);
    EXPECT_EQ(DispatchFor(kOsWin95, 7).route, InstallRoute::Nothing);
    EXPECT_EQ(DispatchFor(kOsUnknown, 4).route, InstallRoute::Nt);
    EXPECT_EQ(DispatchFor(2007, 4).route, InstallRoute::Nt);
    EXPECT_EQ(DispatchFor(kOsWinMe, 6).route, InstallRoute::Win9x);
    EXPECT_EQ(PortNameFor(999), nullptr);
    EXPECT_EQ(PortNameFor(1007), nullptr);
}

TEST(ProductNames, CompletionPerFamily) {
    struct Case {
        int os;
        const char* minidriver;
    } cases[] = {{kOsWin95, "KYR730E.DRV"}, {kOsWin98, "KYR730E.DRV"}, {kOsWinMe, "KYR730E.DRV"},
                 {kOsWin2000, "KYR730E.DLL"}, {kOsWinXp, "KYR730E.DLL"}, {kOsWin2003, "KYR730E.DLL"},
                 {kOsUnknown, "KYR730E.DLL"}};
    for (const Case& c : cases) {
        ProductNames n;
        CompleteNames(n, "730", 'E', true, c.os);
        EXPECT_EQ(n.minidriverFile, c.minidriver) << c.os;
        EXPECT_EQ(n.monitorFile, "MON730.DLL");
        EXPECT_EQ(n.monitorName, "KYRPOS Language Monitor 730");
        EXPECT_EQ(n.processorFile, "PRO730.DLL");
        EXPECT_EQ(n.processorName, "KYRPOS PRINT PROCESSOR 730");
        EXPECT_EQ(n.driverName, "KYR POS 730");
        EXPECT_EQ(n.uiFile, "UI730.DLL");
        EXPECT_EQ(PluginConfigFile(n.uiFile), "UI730.INI");
        EXPECT_EQ(PrinterDataFile(n.minidriverFile), "KYR730E.GPD");
    }
}

TEST(ProductNames, WithoutProcessorItsNamesStayUncompleted) {
    ProductNames n;
    CompleteNames(n, "730", 'E', false, kOsWinXp);
    EXPECT_EQ(n.processorFile, "PRO");
    EXPECT_EQ(n.processorName, "KYRPOS PRINT PROCESSOR ");
    EXPECT_EQ(n.monitorFile, "MON730.DLL");
}

TEST(PrinterNames, NumberingHasNoBlankBeforeTheParenthesis) {
    EXPECT_EQ(NumberedPrinterName("KYR POS 730", 0), "KYR POS 730");
    EXPECT_EQ(NumberedPrinterName("KYR POS 730", 1), "KYR POS 730(#1)");
    EXPECT_EQ(NumberedPrinterName("KYR POS 730", 2), "KYR POS 730(#2)");
    EXPECT_EQ(NumberedPrinterName("KYR POS 730", 10), "KYR POS 730(#10)");
}

TEST(PathJoin, ExactFitAndOneTooMany) {
    char out[12];
    // "C:\X" (4) + "\" + "ABCDEF" (6) = 11 characters + terminator = 12: fits exactly.
    EXPECT_TRUE(JoinPath(out, sizeof(out), "C:\\X", "ABCDEF"));
    EXPECT_STREQ(out, "C:\\X\\ABCDEF");
    // One more character would have to be cut; the result is refused and left empty.
    EXPECT_FALSE(JoinPath(out, sizeof(out), "C:\\X", "ABCDEFG"));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(JoinPath(out, sizeof(out), "", "A"));
    EXPECT_FALSE(JoinPath(out, sizeof(out), nullptr, "A"));
    EXPECT_FALSE(JoinPath(out, 0, "C:", "A"));

    char cat[8];
    EXPECT_TRUE(ConcatPath(cat, sizeof(cat), "C:\\", "ABCD"));
    EXPECT_STREQ(cat, "C:\\ABCD");
    EXPECT_FALSE(ConcatPath(cat, sizeof(cat), "C:\\", "ABCDE"));
    EXPECT_STREQ(cat, "");
}

}  // namespace
}  // namespace kyr

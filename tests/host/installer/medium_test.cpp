#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "common/oscode/os_code.h"
#include "common/text/failure_list.h"
#include "installer/medium/medium_files.h"
#include "installer/system/path_join.h"
#include "installer/context/product_names.h"

namespace kyr {
namespace {

TEST(MediumFolder, IsTheProgramFilesFolderWithoutTheSeparator) {
    struct Row {
        const char* path;
        LeadBytePredicate lead;
        bool cut;
        const char* folder;
    } rows[] = {
        {"D:\\KYRPOS730_Installer.exe", NoLeadBytes, true, "D:"},
        {"C:\\media\\KYRPOS730_Installer.exe", NoLeadBytes, true, "C:\\media"},
        {"\\\\server\\share\\setup\\KYRPOS730_Installer.exe", NoLeadBytes, true, "\\\\server\\share\\setup"},
        {"KYRPOS730_Installer.exe", NoLeadBytes, false, "KYRPOS730_Installer.exe"},
        {"", NoLeadBytes, false, ""},
        // Shift-JIS: 0x95 0x5C is one character whose trail byte has the backslash's value.
        {"C:\\\x95\\\\KYRPOS730_Installer.exe", Cp932LeadByte, true, "C:\\\x95\\"},
        {"C:\\\x95\\KYRPOS730_Installer.exe", Cp932LeadByte, true, "C:"},
        // The same bytes in a single-byte code page are two characters, the second a separator.
        {"C:\\\x95\\KYRPOS730_Installer.exe", NoLeadBytes, true, "C:\\\x95"},
    };
    for (const Row& r : rows) {
        char buffer[kPathBufferSize];
        strcpy(buffer, r.path);
        EXPECT_EQ(CutToParentFolder(buffer, r.lead), r.cut) << r.path;
        EXPECT_STREQ(buffer, r.folder) << r.path;
    }
}

ProductNames Completed(int osCode, bool installProcessor = true) {
    ProductNames names;
    CompleteNames(names, "730", 'E', installProcessor, osCode);
    return names;
}

TEST(MediumFiles, NtTakesItsDriverFolderTheInfAndTheUninstallerFiles) {
    EXPECT_EQ(MediumFiles(Completed(kOsWinXp), false, true),
              (std::vector<std::string>{
                  "driver2k\\MON730.DLL", "driver2k\\PRO730.DLL", "driver2k\\UNIDRV.DLL", "driver2k\\UNIDRVUI.DLL",
                  "driver2k\\UNIDRV.HLP", "driver2k\\UNIRES.DLL", "driver2k\\KYR730E.DLL", "driver2k\\UI730.DLL",
                  "driver2k\\UI730.INI", "driver2k\\KYR730E.GPD", "driver2k\\STDNAMES.GPD", "driver2k\\KYR730.INF",
                  "KYRPOS730_Uninstaller.exe", "Unhook_B.dll", "Unhook_A.dll"}));
}

TEST(MediumFiles, Win9xTakesItsOwnFolderWithTheUsbFiles) {
    EXPECT_EQ(MediumFiles(Completed(kOsWin98), true, true),
              (std::vector<std::string>{
                  "driver9x\\MON730.DLL", "driver9x\\usbmon.dll", "driver9x\\PRO730.DLL", "driver9x\\dmcolor.dll",
                  "driver9x\\iconlib.dll", "driver9x\\KYR730E.DRV", "driver9x\\unidrv.dll", "driver9x\\unidrv.hlp",
                  "driver9x\\kyr730.inf", "driver9x\\usbprint.inf", "driver9x\\usbprint.sys",
                  "driver9x\\cyclerun.exe", "KYRPOS730_Uninstaller.exe", "Unhook_B.dll", "Unhook_A.dll"}));
}

TEST(MediumFiles, WithoutThePrintProcessorItsFileIsNotAsked) {
    for (bool win9x : {false, true}) {
        const std::vector<std::string> files = MediumFiles(Completed(win9x ? kOsWin98 : kOsWinXp, false), win9x, false);
        for (const std::string& f : files) EXPECT_EQ(f.find("PRO"), std::string::npos) << f;
        EXPECT_EQ(files.size(), 14u);
    }
}

TEST(FailedCopiesText, ListsEachFileWithItsReason) {
    EXPECT_EQ(FailedCopiesText({}), "");
    EXPECT_EQ(FailedCopiesText({{"C:\\windows\\system32\\MON730.DLL", "Error Code: 5\nAccess denied.\r\n"},
                                {"C:\\windows\\KYR730E.DLL", "Error Code: 32\n"}}),
              "These files could not be copied:\n"
              "\nC:\\windows\\system32\\MON730.DLL\nError Code: 5\nAccess denied.\n"
              "\nC:\\windows\\KYR730E.DLL\nError Code: 32\n");
    EXPECT_EQ(FailedFilesText({{"C:\\a.dll", "Error Code: 5\n"}}, {{"C:\\b.gpd", "Error Code: 32\n"}}),
              "These files could not be copied:\n\nC:\\a.dll\nError Code: 5\n"
              "\nThese files could not be deleted:\n\nC:\\b.gpd\nError Code: 32\n");
    EXPECT_EQ(FailedItemsText({{"C:\\a.dll", "Error Code: 5\n"}}, {}, {{"HKEY_LOCAL_MACHINE\\K\\InfFile", "Error Code: 5\n"}}),
              "These files could not be copied:\n\nC:\\a.dll\nError Code: 5\n"
              "\nThese registry entries could not be written:\n\nHKEY_LOCAL_MACHINE\\K\\InfFile\nError Code: 5\n");
    EXPECT_EQ(FailedItemsText({}, {}, {}), "");
}

TEST(FailedCopiesText, StaysWithinItsLimitAndCountsWhatItLeavesOut) {
    std::vector<FailedCopy> many;
    for (int i = 0; i < 200; ++i)
        many.push_back({"C:\\windows\\system32\\spool\\drivers\\w32x86\\FILE" + std::to_string(i) + ".DLL",
                        "Error Code: 5\nAccess denied.\r\n"});
    for (size_t limit : {200u, 1000u, 3000u}) {
        const std::string text = FailedCopiesText(many, limit);
        EXPECT_LE(text.size(), limit);
        // Whole entries only: the last shown file carries its reason, then the count follows.
        const size_t more = text.rfind("\n... and ");
        ASSERT_NE(more, std::string::npos) << limit;
        EXPECT_EQ(text.substr(more - 15, 15), "Access denied.\n");
        EXPECT_NE(text.find("FILE0.DLL\nError Code: 5"), std::string::npos) << limit;
    }
    // One file whose entry alone is longer than the limit is counted, never cut.
    EXPECT_EQ(FailedCopiesText({{std::string(300, 'x'), "reason"}}, 100),
              "These files could not be copied:\n\n... and 1 more.\n");
}

}  // namespace
}  // namespace kyr

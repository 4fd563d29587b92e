#include "uninstaller/removal_plan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kyr {
namespace {

TEST(PlanRemoval, BranchStepsAndDriverRemoval) {
    const struct {
        int os, found, ticked;
        RemovalBranch branch;
        bool deletePrinters, removeDriver;
    } cases[] = {
        // every printer ticked
        {2005, 1, 1, RemovalBranch::Nt, true, true},
        {2001, 2, 2, RemovalBranch::Win9x, true, true},
        // some ticked: the driver stays for the printers left
        {2005, 2, 1, RemovalBranch::Nt, true, false},
        {2000, 3, 2, RemovalBranch::Win9x, true, false},
        // no printer but the driver: straight to the driver
        {2004, 0, 0, RemovalBranch::Nt, false, true},
        {2002, 0, 0, RemovalBranch::Win9x, false, true},
        // the whole 9x and NT ranges, NT 4.0 included
        {2003, 1, 1, RemovalBranch::Nt, true, true},
        {2006, 1, 1, RemovalBranch::Nt, true, true},
        // Vista and later: the NT branch, partial removal included
        {2007, 1, 1, RemovalBranch::Nt, true, true},
        {2007, 0, 0, RemovalBranch::Nt, false, true},
        {2007, 2, 1, RemovalBranch::Nt, true, false},
        // a system neither module serves: nothing at all
        {0, 1, 1, RemovalBranch::Nothing, false, false},
        {1999, 0, 0, RemovalBranch::Nothing, false, false},
        {2008, 2, 2, RemovalBranch::Nothing, false, false},
        {-1, 1, 0, RemovalBranch::Nothing, false, false},
    };
    for (const auto& c : cases) {
        const RemovalPlan plan = PlanRemoval(c.os, c.found, c.ticked);
        EXPECT_EQ(plan.branch, c.branch) << c.os << " " << c.found << " " << c.ticked;
        EXPECT_EQ(plan.deletePrinters, c.deletePrinters) << c.os << " " << c.found << " " << c.ticked;
        EXPECT_EQ(plan.removeDriver, c.removeDriver) << c.os << " " << c.found << " " << c.ticked;
    }
}

TEST(ModulePathBeside, FolderOfTheProgramOnlyWholeOrNothing) {
    const std::string long250 = "C:\\" + std::string(240, 'd') + "\\u.exe";  // folder of 244
    const struct {
        const char* program;
        const char* module;
        std::size_t size;
        LeadBytePredicate lead;
        const char* expected;  // nullptr: refused
    } cases[] = {
        {"C:\\WINDOWS\\KYR-730\\KYRPOS730_Uninstaller.exe", "Unhook_B.DLL", 256, NoLeadBytes,
         "C:\\WINDOWS\\KYR-730\\Unhook_B.DLL"},
        {"C:\\u.exe", "Unhook_A.DLL", 256, NoLeadBytes, "C:\\Unhook_A.DLL"},
        {"\\\\server\\share\\u.exe", "Unhook_A.DLL", 256, NoLeadBytes,
         "\\\\server\\share\\Unhook_A.DLL"},
        // A trail byte of the value of a backslash is no separator: the folder is the whole
        // two-byte name, not cut inside it.
        {"C:\\\x95\\\\u.exe", "Unhook_A.DLL", 256, Cp932LeadByte, "C:\\\x95\\\\Unhook_A.DLL"},
        {"C:\\d\\\x95\\", "Unhook_A.DLL", 256, Cp932LeadByte, "C:\\d\\Unhook_A.DLL"},
        // no folder at all: never a bare name that the search order would resolve
        {"u.exe", "Unhook_A.DLL", 256, NoLeadBytes, nullptr},
        {"", "Unhook_A.DLL", 256, NoLeadBytes, nullptr},
        {nullptr, "Unhook_A.DLL", 256, NoLeadBytes, nullptr},
        {"C:\\u.exe", "", 256, NoLeadBytes, nullptr},
        {"C:\\u.exe", nullptr, 256, NoLeadBytes, nullptr},
        // exactly fitting, one short
        {"C:\\u.exe", "Unhook_A.DLL", 16, NoLeadBytes, "C:\\Unhook_A.DLL"},
        {"C:\\u.exe", "Unhook_A.DLL", 15, NoLeadBytes, nullptr},
        {long250.c_str(), "Unhook_A.DLL", 256, NoLeadBytes, nullptr},
    };
    for (const auto& c : cases) {
        char out[300];
        std::memset(out, 'x', sizeof out);
        const bool built = ModulePathBeside(c.program, c.module, out, c.size, c.lead);
        const std::string label = std::string(c.program ? c.program : "(null)") + " + " +
                                  (c.module ? c.module : "(null)");
        EXPECT_EQ(built, c.expected != nullptr) << label;
        EXPECT_STREQ(out, c.expected ? c.expected : "") << label;
        EXPECT_EQ(out[c.size], 'x') << label << ": nothing written past the buffer";
    }
}

}  // namespace
}  // namespace kyr

#include "uninstaller/removal_plan.h"

#include <gtest/gtest.h>

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
        // a system neither module serves: nothing at all
        {0, 1, 1, RemovalBranch::Nothing, false, false},
        {1999, 0, 0, RemovalBranch::Nothing, false, false},
        {2007, 2, 2, RemovalBranch::Nothing, false, false},
        {-1, 1, 0, RemovalBranch::Nothing, false, false},
    };
    for (const auto& c : cases) {
        const RemovalPlan plan = PlanRemoval(c.os, c.found, c.ticked);
        EXPECT_EQ(plan.branch, c.branch) << c.os << " " << c.found << " " << c.ticked;
        EXPECT_EQ(plan.deletePrinters, c.deletePrinters) << c.os << " " << c.found << " " << c.ticked;
        EXPECT_EQ(plan.removeDriver, c.removeDriver) << c.os << " " << c.found << " " << c.ticked;
    }
}

}  // namespace
}  // namespace kyr

#include "installer/overwrite/overwrite_policy.h"

#include <gtest/gtest.h>

namespace kyr {
namespace {

struct Case {
    int policy;
    bool installedIsOlder;
    DriverComparison comparison;
    bool driver;
    bool help;
    bool newer;
};

class PolicyTable : public ::testing::TestWithParam<Case> {};

TEST_P(PolicyTable, DriverAndHelpFollowOneDecision) {
    const Case& c = GetParam();
    UniversalDriverOverwrite decision(c.policy);
    EXPECT_EQ(decision.NeededComparison(), c.comparison);
    EXPECT_EQ(decision.DecideDriver(c.installedIsOlder), c.driver);
    EXPECT_EQ(decision.DecideHelp(), c.help);
    EXPECT_EQ(decision.universalDriverNewer(), c.newer);
}

using C = DriverComparison;
INSTANTIATE_TEST_SUITE_P(
    Policies, PolicyTable,
    ::testing::Values(
        // By version and by date: the comparison decides both files and sets the flag.
        Case{kOverwriteByVersion, true, C::ByVersion, true, true, true},
        Case{kOverwriteByVersion, false, C::ByVersion, false, false, false},
        Case{kOverwriteByDate, true, C::ByDate, true, true, true},
        Case{kOverwriteByDate, false, C::ByDate, false, false, false},
        // Always and never ignore any comparison and never claim a newer driver.
        Case{kOverwriteAlways, false, C::None, true, true, false},
        Case{kOverwriteAlways, true, C::None, true, true, false},
        Case{kOverwriteNever, true, C::None, false, false, false},
        Case{kOverwriteNever, false, C::None, false, false, false},
        // No selection, or an index past the list, must not replace anything.
        Case{-1, true, C::None, false, false, false},
        Case{4, true, C::None, false, false, false},
        Case{0x7fffffff, true, C::None, false, false, false}));

TEST(PolicyState, HelpBeforeAnyDriverDecisionKeepsTheFileUnderComparingPolicies) {
    EXPECT_FALSE(UniversalDriverOverwrite(kOverwriteByVersion).DecideHelp());
    EXPECT_FALSE(UniversalDriverOverwrite(kOverwriteByDate).DecideHelp());
}

TEST(PolicyState, EachRunStartsWithoutTheFlag) {
    UniversalDriverOverwrite first(kOverwriteByVersion);
    first.DecideDriver(true);
    UniversalDriverOverwrite second(kOverwriteByVersion);
    EXPECT_FALSE(second.DecideHelp());
    EXPECT_FALSE(second.universalDriverNewer());
}

}  // namespace
}  // namespace kyr

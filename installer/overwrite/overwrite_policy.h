// Which of the two universal-driver copies into the printer-driver folder may replace a
// file that is already there. Platform-free: the comparisons come in as answers.
#pragma once

namespace kyr {

// The entries of the setup dialog's overwrite list, by index.
enum OverwritePolicyCode : int {
    kOverwriteByVersion = 0,
    kOverwriteByDate = 1,
    kOverwriteAlways = 2,
    kOverwriteNever = 3,
};

// The comparison a policy needs before it can judge the driver file.
enum class DriverComparison { None, ByVersion, ByDate };

// One run's decisions. The help file is never compared itself: it follows what was judged
// for the driver file, so the two always come from the same release when the policy chose.
class UniversalDriverOverwrite {
public:
    explicit UniversalDriverOverwrite(int policy) : policy_(policy) {}

    DriverComparison NeededComparison() const;

    // installedIsOlder: the answer of the comparison NeededComparison() asked for (ignored
    // when none was asked). Returns whether the driver copy overwrites.
    bool DecideDriver(bool installedIsOlder);

    // Meaningful after DecideDriver.
    bool DecideHelp() const;

    bool universalDriverNewer() const { return universalDriverNewer_; }

private:
    int policy_;
    bool universalDriverNewer_ = false;
};

}  // namespace kyr

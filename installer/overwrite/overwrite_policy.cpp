#include "installer/overwrite/overwrite_policy.h"

namespace kyr {

DriverComparison UniversalDriverOverwrite::NeededComparison() const {
    switch (policy_) {
    case kOverwriteByVersion: return DriverComparison::ByVersion;
    case kOverwriteByDate: return DriverComparison::ByDate;
    default: return DriverComparison::None;
    }
}

bool UniversalDriverOverwrite::DecideDriver(bool installedIsOlder) {
    switch (policy_) {
    case kOverwriteByVersion:
    case kOverwriteByDate:
        if (installedIsOlder) universalDriverNewer_ = true;
        return installedIsOlder;
    case kOverwriteAlways: return true;
    default: return false;  // "Never overwrite", and whatever the list did not offer
    }
}

bool UniversalDriverOverwrite::DecideHelp() const {
    switch (policy_) {
    case kOverwriteByVersion:
    case kOverwriteByDate: return universalDriverNewer_;
    case kOverwriteAlways: return true;
    default: return false;
    }
}

}  // namespace kyr

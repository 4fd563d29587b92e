#include "common/oscode/os_code.h"

namespace kyr {

int OsCodeFor(unsigned platformId, unsigned major, unsigned minor) {
    if (platformId == kPlatformWin9x) {
        if (major != 4) return kOsUnknown;
        switch (minor) {
            case 0: return kOsWin95;
            case 10: return kOsWin98;
            case 90: return kOsWinMe;
            default: return kOsUnknown;
        }
    }
    if (platformId == kPlatformNt) {
        if (major <= 4) return kOsNt4OrOlder;
        if (major >= 6) return kOsNt6OrLater;
        if (major == 5) {
            switch (minor) {
                case 0: return kOsWin2000;
                case 1: return kOsWinXp;
                case 2: return kOsWin2003;
                default: return kOsUnknown;
            }
        }
    }
    return kOsUnknown;
}

}  // namespace kyr

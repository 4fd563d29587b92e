#include "uninstaller/removal_plan.h"

#include "common/oscode/os_code.h"

namespace kyr {

RemovalPlan PlanRemoval(int osCode, int foundPrinterCount, int tickedCount) {
    RemovalPlan plan;
    if (IsWin9xCode(osCode))
        plan.branch = RemovalBranch::Win9x;
    else if (osCode >= kOsNt4OrOlder && osCode <= kOsWin2003)
        plan.branch = RemovalBranch::Nt;
    else
        plan.branch = RemovalBranch::Nothing;
    const bool acts = plan.branch != RemovalBranch::Nothing;
    plan.deletePrinters = acts && foundPrinterCount != 0;
    plan.removeDriver = acts && tickedCount == foundPrinterCount;
    return plan;
}

}  // namespace kyr

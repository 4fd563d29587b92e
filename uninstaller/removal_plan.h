// What one press of Uninstall (or a run with no printer left) does, decided from the
// numbers alone. Platform-free.
#pragma once

namespace kyr {

enum class RemovalBranch { Win9x, Nt, Nothing };

struct RemovalPlan {
    RemovalBranch branch;
    // "Delete printers..." runs.
    bool deletePrinters;
    // Driver, modules' work, devices, INFs and the uninstall entry go only when no printer
    // that uses the driver would be left behind.
    bool removeDriver;
};

RemovalPlan PlanRemoval(int osCode, int foundPrinterCount, int tickedCount);

}  // namespace kyr

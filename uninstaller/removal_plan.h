// What one press of Uninstall (or a run with no printer left) does, decided from the
// numbers alone. Platform-free.
#pragma once
#include <cstddef>

#include "common/text/ansi_chars.h"

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

// out := the folder of programPath (up to and with its last backslash) followed by
// moduleName. The modules are loaded by this full path only, so a module missing beside
// the program is never looked for in the current folder or along the path. False, with
// out empty, when programPath has no folder or the result would not fit whole.
bool ModulePathBeside(const char* programPath, const char* moduleName, char* out,
                      std::size_t outSize, LeadBytePredicate isLead);

}  // namespace kyr

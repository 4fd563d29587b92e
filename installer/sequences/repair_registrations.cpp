// A run that finds the driver installed registers again what the driver needs and the
// spooler no longer lists. Without its language monitor no printer of the driver prints
// (Windows refuses the driver with 3000); without its print processor the spooler refuses
// every printer. Both go missing when a run's registration failed, or when another vendor's
// clean-up tool deleted their keys.
#include "installer/context/install_context.h"
#include "installer/spooler/registrations.h"
#include "installer/system/system_folders.h"

namespace kyr {

void InstallContext::RepairRegistrations(const char* environment, const char* mediaFolder) {
    const std::string folder = mediaFolder;
    if (MonitorRegistration(monitorName) != Registration::Registered) {
        // A file there is kept: the spooler may hold it, registered under another environment.
        copies.CopyInto(MediumFile(folder + monitorFile), QuerySystemFolder(), monitorFile.c_str(), false);
        if (!RegisterMonitor(environment, monitorName, monitorFile)) repairFailed = true;
    }
    if (installProcessor && PrintProcessorRegistration(environment, processorName) != Registration::Registered) {
        // Kept when there: with its list unread it may be registered and loaded after all.
        copies.CopyInto(MediumFile(folder + processorFile), QueryProcessorFolder(), processorFile.c_str(), false);
        if (!RegisterPrintProcessor(environment, processorFile, processorName)) repairFailed = true;
    }
}

}  // namespace kyr

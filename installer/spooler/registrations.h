// The language monitor and the print processor the driver needs, registered with the
// spooler: asked after, and registered by a new installation or again by a repair.
#pragma once
#include <windows.h>

#include <string>

namespace kyr {

// Unknown: the spooler's list could not be read. A repair takes that as "not known to be
// there" and registers again; a registration that is there is answered "exists".
enum class Registration { Registered, Absent, Unknown };

Registration MonitorRegistration(const std::string& monitorName);
Registration PrintProcessorRegistration(const char* environment, const std::string& processorName);

// AddMonitorA at level 2. One already registered counts as registered. A failure is
// reported with "AddMonitor Error Code: %d\n\n"; false then.
bool RegisterMonitor(const char* environment, const std::string& monitorName, const std::string& monitorFile);
// AddPrintProcessorA, likewise, reported with "AddProcess Error Code: %d\n\n".
bool RegisterPrintProcessor(const char* environment, const std::string& processorFile,
                            const std::string& processorName);

}  // namespace kyr

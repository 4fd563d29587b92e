// Completion of the product's component and file names from the model number.
// Platform-free; the install context applies it with the detected system.
#pragma once
#include <string>

namespace kyr {

// The fixed prefixes every name starts from; the blank that ends a component name
// separates it from the model number.
constexpr char kMonitorFilePrefix[] = "MON";
constexpr char kMonitorNamePrefix[] = "KYRPOS Language Monitor ";
constexpr char kProcessorFilePrefix[] = "PRO";
constexpr char kProcessorNamePrefix[] = "KYRPOS PRINT PROCESSOR ";
constexpr char kDriverNamePrefix[] = "KYR POS ";
constexpr char kMinidriverFilePrefix[] = "KYR";
constexpr char kUiFilePrefix[] = "UI";

struct ProductNames {
    std::string monitorFile = kMonitorFilePrefix;
    std::string monitorName = kMonitorNamePrefix;
    std::string processorFile = kProcessorFilePrefix;
    std::string processorName = kProcessorNamePrefix;
    std::string driverName = kDriverNamePrefix;
    std::string minidriverFile = kMinidriverFilePrefix;
    std::string uiFile = kUiFilePrefix;
};

// Appends the model (and for the files its extension) to every name; the processor names
// only when installProcessor is set. The minidriver is a ".DRV" on Windows 9x.
void CompleteNames(ProductNames& names, const std::string& model, char suffixLetter,
                   bool installProcessor, int osCode);

// Names derived from the completed ones by fixed lengths: the plug-in configuration file
// ("UI730.INI") and the printer description ("KYR730E.GPD").
std::string PluginConfigFile(const std::string& uiFile);
std::string PrinterDataFile(const std::string& minidriverFile);

}  // namespace kyr

// Completion of the product's component and file names from the model number.
// Platform-free; the install context applies it with the detected system.
#pragma once
#include <string>

namespace kyr {

struct ProductNames {
    std::string monitorFile = "MON";
    std::string monitorName = "KYRPOS Language Monitor ";
    std::string processorFile = "PRO";
    std::string processorName = "KYRPOS PRINT PROCESSOR ";
    std::string driverName = "KYR POS ";
    std::string minidriverFile = "KYR";
    std::string uiFile = "UI";
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

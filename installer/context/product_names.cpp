#include "installer/context/product_names.h"

#include "common/oscode/os_code.h"

namespace kyr {

void CompleteNames(ProductNames& names, const std::string& model, char suffixLetter,
                   bool installProcessor, int osCode) {
    const std::string dll = model + ".DLL";
    names.monitorFile += dll;
    names.uiFile += dll;
    if (installProcessor) names.processorFile += dll;

    std::string minidriver = model + suffixLetter;
    minidriver += IsWin9xCode(osCode) ? ".DRV" : ".DLL";
    names.minidriverFile += minidriver;

    names.monitorName += model;
    names.driverName += model;
    if (installProcessor) names.processorName += model;
}

std::string PluginConfigFile(const std::string& uiFile) { return uiFile.substr(0, 5) + ".INI"; }

std::string PrinterDataFile(const std::string& minidriverFile) {
    return minidriverFile.substr(0, 7) + ".GPD";
}

}  // namespace kyr

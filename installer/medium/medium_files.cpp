#include "installer/medium/medium_files.h"

namespace kyr {

const char* const kUninstallerFiles[3] = {"KYRPOS730_Uninstaller.exe", "Unhook_B.dll", "Unhook_A.dll"};

std::vector<std::string> MediumFiles(const ProductNames& names, bool win9x, bool installProcessor) {
    std::vector<std::string> files;
    auto add = [&files](const char* folder, const std::string& name) { files.push_back(folder + name); };
    if (win9x) {
        const char folder[] = "driver9x\\";
        add(folder, names.monitorFile);
        add(folder, "usbmon.dll");
        if (installProcessor) add(folder, names.processorFile);
        for (const char* name : {"dmcolor.dll", "iconlib.dll"}) add(folder, name);
        add(folder, names.minidriverFile);
        for (const char* name : {"unidrv.dll", "unidrv.hlp", "kyr730.inf", "usbprint.inf", "usbprint.sys",
                                 "cyclerun.exe"})
            add(folder, name);
    } else {
        const char folder[] = "driver2k\\";
        add(folder, names.monitorFile);
        if (installProcessor) add(folder, names.processorFile);
        for (const char* name : {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIDRV.HLP", "UNIRES.DLL"}) add(folder, name);
        add(folder, names.minidriverFile);
        add(folder, names.uiFile);
        add(folder, PluginConfigFile(names.uiFile));
        add(folder, PrinterDataFile(names.minidriverFile));
        for (const char* name : {"STDNAMES.GPD", "KYR730.INF"}) add(folder, name);
    }
    for (const char* name : kUninstallerFiles) files.push_back(name);
    return files;
}

}  // namespace kyr

#include "installer/medium/medium_files.h"

namespace kyr {

const char* const kUninstallerFiles[3] = {"KYRPOS730_Uninstaller.exe", "Unhook_B.dll", "Unhook_A.dll"};

const char* SpoolerEnvironment(MediumSet set) {
    switch (set) {
        case MediumSet::Win9x: return "Windows 4.0";
        case MediumSet::NtX86: return "Windows NT x86";
        case MediumSet::NtX64: return "Windows x64";
    }
    return "";
}

const char* DriverFolder(MediumSet set) {
    switch (set) {
        case MediumSet::Win9x: return "driver9x\\";
        case MediumSet::NtX86: return "driver2k\\";
        case MediumSet::NtX64: return "driverx64\\";
    }
    return "";
}

const char* ProgramFolder(MediumSet set) { return set == MediumSet::NtX64 ? "x64\\" : ""; }

std::vector<std::string> MediumFiles(const ProductNames& names, MediumSet set, bool installProcessor) {
    std::vector<std::string> files;
    const std::string folder = DriverFolder(set);
    auto add = [&files, &folder](const std::string& name) { files.push_back(folder + name); };
    if (set == MediumSet::Win9x) {
        add(names.monitorFile);
        add("usbmon.dll");
        if (installProcessor) add(names.processorFile);
        for (const char* name : {"dmcolor.dll", "iconlib.dll"}) add(name);
        add(names.minidriverFile);
        for (const char* name : {"unidrv.dll", "unidrv.hlp", "kyr730.inf", "usbprint.inf", "usbprint.sys",
                                 "cyclerun.exe"})
            add(name);
    } else {
        add(names.monitorFile);
        if (installProcessor) add(names.processorFile);
        for (const char* name : {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIDRV.HLP", "UNIRES.DLL"}) add(name);
        add(names.minidriverFile);
        add(names.uiFile);
        add(PluginConfigFile(names.uiFile));
        add(PrinterDataFile(names.minidriverFile));
        for (const char* name : {"STDNAMES.GPD", "KYR730.INF"}) add(name);
    }
    for (const char* name : kUninstallerFiles) files.push_back(std::string(ProgramFolder(set)) + name);
    return files;
}

std::vector<std::string> MediumFiles(const ProductNames& names, bool win9x, bool installProcessor) {
    return MediumFiles(names, win9x ? MediumSet::Win9x : kBuildNtSet, installProcessor);
}

}  // namespace kyr

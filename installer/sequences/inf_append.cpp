#include "installer/sequences/inf_append.h"

#include "installer/system/path_join.h"

namespace kyr {

namespace {
const char kQuote = '"';
const char kLineEnd[] = "\r\n";
}  // namespace

std::string DriverInfAppendText(const std::string& windowsFolder) {
    return windowsFolder + "\\KYR-730\\usb" + kQuote + kLineEnd;
}

std::string UsbPrintInfAppendText(const std::string& windowsFolder) {
    std::string text = "DRIVER_PATH = ";
    text += kQuote;
    text += windowsFolder + "\\system32\\drivers";
    text += kQuote;
    text += kLineEnd;
    text += "CYCLERUN = ";
    text += kQuote;
    text += windowsFolder + "\\cyclerun.exe";
    text += kQuote;
    text += kLineEnd;
    return text;
}

bool DriverInfTarget(char* out, size_t outSize, const char* windowsFolder, bool otherFolderExists) {
    char folder[kPathBufferSize];
    // Without a Windows folder the result would name a folder at the root of the drive.
    if (!windowsFolder || !*windowsFolder) {
        if (out && outSize) out[0] = '\0';
        return false;
    }
    const char* sub = otherFolderExists ? "\\INF\\OTHER" : "\\INF";
    if (!ConcatPath(folder, sizeof(folder), windowsFolder, sub)) {
        if (out && outSize) out[0] = '\0';
        return false;
    }
    return JoinPath(out, outSize, folder, "kyr730.inf");
}

}  // namespace kyr

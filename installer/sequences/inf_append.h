// The texts the Windows 9x installation appends to the driver INF and to the system's USB
// printing INF, and where the driver INF goes. Platform-free.
#pragma once
#include <stddef.h>

#include <string>

namespace kyr {

// Closes the driver INF's last line, which ends with an opened quoted value, with the
// staging folder: <windows>\KYR-730\usb" CR LF.
std::string DriverInfAppendText(const std::string& windowsFolder);

// Two definitions for the USB printing INF: where its driver lies and which restart
// program it runs.
std::string UsbPrintInfAppendText(const std::string& windowsFolder);

// out := <windows>\INF\OTHER\kyr730.inf when that folder exists, else <windows>\INF\kyr730.inf.
// False (out empty) when the path does not fit.
bool DriverInfTarget(char* out, size_t outSize, const char* windowsFolder, bool otherFolderExists);

}  // namespace kyr

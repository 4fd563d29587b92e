// On x64 Windows the spooler loads only 64-bit monitors, print processors and drivers, and
// only a 64-bit program may register them with it. The 32-bit installer the user starts is
// then only the front of the medium's 64-bit one, as Windows wants of device installations.
#pragma once

namespace kyr {

// Starts the medium's x64\KYRPOS730_Installer.exe and waits for it to end, when this is x64
// Windows and the medium holds the whole 64-bit set: true then, and this program ends. The
// run lock this run holds is lent to it. False on any other Windows or medium, and when
// the program cannot be started: the caller goes on as before (its refusal on 64-bit
// Windows included). Shows nothing of its own.
bool RanThe64BitInstaller();

}  // namespace kyr

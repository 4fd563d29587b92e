// Port choices of the setup dialog and where the chosen port goes. Platform-free.
#pragma once

namespace kyr {

enum PortCode : int {
    kPortCom1 = 1000,
    kPortCom2 = 1001,
    kPortCom3 = 1002,
    kPortCom4 = 1003,
    kPortLpt1 = 1004,
    kPortLpt2 = 1005,
    kPortUsb = 1006,
};

constexpr int kRadioCount = 7;

// The spooler port name for a port code; nullptr for USB (no printer is added there) and
// for codes outside the table.
const char* PortNameFor(int portCode);

enum class InstallRoute { Nothing, Win9x, Nt };

struct InstallDispatch {
    InstallRoute route;
    int portCode;  // valid when route is not Nothing
};

// What the confirmed setup dialog leads to on the system with the given code. An index
// outside the radio group (nothing checked) installs nothing. NT 4.0 is refused before
// the dialog, so it never reaches this point.
InstallDispatch DispatchFor(int osCode, int portIndex);

}  // namespace kyr

#include "installer/context/port_table.h"

#include "common/oscode/os_code.h"

namespace kyr {

const char* PortNameFor(int portCode) {
    static const char* const kNames[] = {"COM1:", "COM2:", "COM3:", "COM4:", "LPT1:", "LPT2:"};
    if (portCode < kPortCom1 || portCode > kPortLpt2) return nullptr;
    return kNames[portCode - kPortCom1];
}

InstallDispatch DispatchFor(int osCode, int portIndex) {
    if (portIndex < 0 || portIndex >= kRadioCount) return {InstallRoute::Nothing, 0};
    InstallRoute route = IsWin9xCode(osCode) ? InstallRoute::Win9x : InstallRoute::Nt;
    return {route, kPortCom1 + portIndex};
}

}  // namespace kyr

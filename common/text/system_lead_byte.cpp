#include "common/text/system_lead_byte.h"

#include <windows.h>

namespace kyr {

bool SystemLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

}  // namespace kyr

#pragma once

namespace kyr {

// Removes every device the USB bus has enumerated, plugged in or not, whose first hardware
// id begins with hardwareId (at most 49 characters; compared without regard to case over
// at most 21 characters). True when the enumeration ran to its end and the device list was
// released; false when the list could not be had, a matching device would not go (later
// ones are not examined), an enumeration step kept failing, or the id does not fit.
bool RemoveDevicesByHardwareId(const char* hardwareId);

}  // namespace kyr

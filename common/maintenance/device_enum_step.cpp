#include "common/maintenance/device_enum_step.h"

namespace kyr {

// The record size the platform checks: 28 bytes on 32-bit Windows, 32 on 64-bit (its last
// field is pointer-sized).
static_assert(sizeof(SP_DEVINFO_DATA) == (sizeof(void*) == 8 ? 32 : 28),
              "SP_DEVINFO_DATA must be the platform's record");

EnumStep EnumDeviceStep(EnumDeviceInfoFn enumDeviceInfo, HDEVINFO set, DWORD index,
                        SP_DEVINFO_DATA* data) {
    for (int attempt = 0; attempt < kEnumStepAttempts; ++attempt) {
        ZeroMemory(data, sizeof *data);
        data->cbSize = sizeof *data;
        if (enumDeviceInfo(set, index, data)) return EnumStep::kDevice;
        if (GetLastError() == ERROR_NO_MORE_ITEMS) return EnumStep::kNoMoreItems;
    }
    return EnumStep::kFailed;
}

}  // namespace kyr

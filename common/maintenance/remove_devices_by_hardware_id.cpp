#include "common/maintenance/remove_devices_by_hardware_id.h"

#include <windows.h>
#include <setupapi.h>

#include <cstring>

#include "common/maintenance/device_enum_step.h"
#include "common/maintenance/hardware_id_match.h"
#include "common/maintenance/late_bound.h"

namespace kyr {

namespace {

constexpr size_t kIdBufferSize = 50;
constexpr DWORD kPropertyBufferSize = 100;

struct SetupApi {
    LateBoundModule module{"setupapi.dll"};
    decltype(&::SetupDiGetClassDevsA) getClassDevs =
        module.Get<decltype(&::SetupDiGetClassDevsA)>("SetupDiGetClassDevsA");
    EnumDeviceInfoFn enumDeviceInfo =
        module.Get<EnumDeviceInfoFn>("SetupDiEnumDeviceInfo");
    decltype(&::SetupDiGetDeviceRegistryPropertyA) getProperty =
        module.Get<decltype(&::SetupDiGetDeviceRegistryPropertyA)>(
            "SetupDiGetDeviceRegistryPropertyA");
    decltype(&::SetupDiRemoveDevice) removeDevice =
        module.Get<decltype(&::SetupDiRemoveDevice)>("SetupDiRemoveDevice");
    decltype(&::SetupDiDestroyDeviceInfoList) destroyList =
        module.Get<decltype(&::SetupDiDestroyDeviceInfoList)>("SetupDiDestroyDeviceInfoList");

    bool Complete() const {
        return getClassDevs && enumDeviceInfo && getProperty && removeDevice && destroyList;
    }
};

}  // namespace

bool RemoveDevicesByHardwareId(const char* hardwareId) {
    if (hardwareId == nullptr) return false;
    char wanted[kIdBufferSize] = {};
    size_t length = std::strlen(hardwareId);
    if (length >= sizeof wanted) return false;
    std::memcpy(wanted, hardwareId, length);

    SetupApi api;
    if (!api.Complete()) return false;

    // No DIGCF_PRESENT: devices that are known but not plugged in go as well.
    HDEVINFO set = api.getClassDevs(nullptr, "USB", nullptr, DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) return false;

    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device;
        EnumStep step = EnumDeviceStep(api.enumDeviceInfo, set, index, &device);
        if (step == EnumStep::kNoMoreItems) return api.destroyList(set) != FALSE;
        if (step == EnumStep::kFailed) {
            api.destroyList(set);
            return false;
        }

        // One byte more than the platform may fill, so the first id always ends.
        BYTE ids[kPropertyBufferSize + 1] = {};
        if (!api.getProperty(set, &device, SPDRP_HARDWAREID, nullptr, ids, kPropertyBufferSize,
                             nullptr)) {
            continue;
        }
        if (!HardwareIdMatches(reinterpret_cast<const char*>(ids), wanted)) continue;

        if (!api.removeDevice(set, &device)) {
            api.destroyList(set);
            return false;
        }
    }
}

}  // namespace kyr

// One enumeration step of the device removal, with its retries bounded: a step that fails
// for any reason but the end of the list is tried again at the same index a few times, and
// then the walk gives up instead of spinning for ever on the user-interface thread.
#pragma once
#include <windows.h>
#include <setupapi.h>

namespace kyr {

constexpr int kEnumStepAttempts = 4;

enum class EnumStep { kDevice, kNoMoreItems, kFailed };

using EnumDeviceInfoFn = BOOL(WINAPI*)(HDEVINFO, DWORD, PSP_DEVINFO_DATA);

// Sets data->cbSize before every attempt. On kFailed the thread's last error is the one of
// the last attempt.
EnumStep EnumDeviceStep(EnumDeviceInfoFn enumDeviceInfo, HDEVINFO set, DWORD index,
                        SP_DEVINFO_DATA* data);

}  // namespace kyr

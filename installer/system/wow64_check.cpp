#include "installer/system/wow64_check.h"

#include <windows.h>

#include "common/maintenance/late_bound.h"

namespace kyr {

namespace {
typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);
typedef BOOL(WINAPI* IsWow64Process2Fn)(HANDLE, USHORT*, USHORT*);
typedef void(WINAPI* GetNativeSystemInfoFn)(SYSTEM_INFO*);
constexpr USHORT kMachineAmd64 = 0x8664;  // IMAGE_FILE_MACHINE_AMD64
}

bool RunsOn64BitWindows() {
    // kernel32 of the system folder, never a copy beside the program; a load-time import
    // would keep the installer from starting on the systems that lack the function.
    LateBoundModule kernel32("kernel32.dll");
    IsWow64ProcessFn isWow64Process = kernel32.Get<IsWow64ProcessFn>("IsWow64Process");
    if (isWow64Process == nullptr) return false;
    BOOL wow64 = FALSE;
    if (!isWow64Process(GetCurrentProcess(), &wow64)) return false;
    return wow64 != FALSE;
}

WindowsMachine DetectWindowsMachine() {
    LateBoundModule kernel32("kernel32.dll");
    // Windows 10 1511 and later name the machine itself; an x64 program emulated on ARM64
    // would otherwise be told "x64" by the older calls.
    if (IsWow64Process2Fn isWow64Process2 = kernel32.Get<IsWow64Process2Fn>("IsWow64Process2")) {
        USHORT process = 0, native = 0;
        if (isWow64Process2(GetCurrentProcess(), &process, &native)) {
            if (process == 0) return WindowsMachine::Bit32;  // not under WOW64
            return native == kMachineAmd64 ? WindowsMachine::Amd64 : WindowsMachine::Other64;
        }
    }
    if (!RunsOn64BitWindows()) return WindowsMachine::Bit32;
    GetNativeSystemInfoFn nativeInfo = kernel32.Get<GetNativeSystemInfoFn>("GetNativeSystemInfo");
    if (nativeInfo == nullptr) return WindowsMachine::Other64;
    SYSTEM_INFO info = {};
    nativeInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? WindowsMachine::Amd64
                                                                       : WindowsMachine::Other64;
}

}  // namespace kyr

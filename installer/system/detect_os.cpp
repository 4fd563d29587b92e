#include "installer/system/detect_os.h"

#include <windows.h>

#include "common/oscode/os_code.h"

namespace kyr {

int DetectOs() {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info)) {
        info.dwOSVersionInfoSize = sizeof(info);
        GetVersionExA(&info);
    }
    return OsCodeFor(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

}  // namespace kyr

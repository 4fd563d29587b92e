// Whether this 32-bit program runs on 64-bit Windows. There the spooler is a 64-bit
// service that cannot load the package's 32-bit monitor, print processor or driver, so
// an installation would only leave files and registrations no printer can use.
#pragma once

namespace kyr {

// True only when the system says so. Windows 95 to 2000 (and XP before its second service
// pack) have no IsWow64Process and are all 32-bit: false there, as on any failure to ask.
bool RunsOn64BitWindows();

// The Windows this 32-bit program runs on: only x64 Windows takes the medium's 64-bit set;
// 64-bit Windows on ARM or Itanium has none.
enum class WindowsMachine { Bit32, Amd64, Other64 };
WindowsMachine DetectWindowsMachine();

}  // namespace kyr

// The report every program shows when a spooler call fails: the call's own format
// ("AddPrinter Error Code: %d\n\n") filled with the thread's last error, then the system's
// English text for that code; no owner window, exclamation icon, OK.
#pragma once
#include <windows.h>

namespace appkit {

// Builds the text into buffer (always terminated, cut if it does not fit). Platform
// lookup of the text uses language 0x0409; a code without text adds nothing.
void FormatErrorReport(const char* callFormat, DWORD errorCode, char* buffer, size_t bufferSize);

// Formats with GetLastError() and shows the box.
void ShowErrorReport(const char* callFormat, const char* caption);

}  // namespace appkit

#include "common/appkit/error_report.h"

#include <string.h>

namespace appkit {

void FormatErrorReport(const char* callFormat, DWORD errorCode, char* buffer, size_t bufferSize) {
    if (!buffer || bufferSize == 0) return;
    buffer[0] = '\0';
    // wsprintfA, not snprintf: the C library's formatter would bring its whole stdio and
    // floating-point conversion into every program for one %d. wsprintfA writes at most 1024
    // characters and a terminator; the result is then cut to the caller's buffer.
    char call[1025];
    wsprintfA(call, callFormat, static_cast<int>(errorCode));
    lstrcpynA(buffer, call, bufferSize < sizeof call ? static_cast<int>(bufferSize) : static_cast<int>(sizeof call));
    char* systemText = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, errorCode, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
        reinterpret_cast<char*>(&systemText), 0, nullptr);
    if (length && systemText) {
        size_t used = strlen(buffer);
        if (used + 1 < bufferSize) {
            strncat(buffer, systemText, bufferSize - used - 1);
        }
    }
    if (systemText) LocalFree(systemText);
}

void ShowErrorReport(const char* callFormat, const char* caption) {
    DWORD code = GetLastError();
    char text[1024];
    FormatErrorReport(callFormat, code, text, sizeof(text));
    MessageBoxA(nullptr, text, caption, MB_ICONEXCLAMATION | MB_OK);
}

}  // namespace appkit

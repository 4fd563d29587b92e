#include "common/appkit/error_report.h"

#include <stdio.h>
#include <string.h>

namespace appkit {

void FormatErrorReport(const char* callFormat, DWORD errorCode, char* buffer, size_t bufferSize) {
    if (!buffer || bufferSize == 0) return;
    buffer[0] = '\0';
    snprintf(buffer, bufferSize, callFormat, static_cast<int>(errorCode));
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

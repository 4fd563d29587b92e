#include "uninstaller/inf_cleanup.h"

#include <windows.h>
#include <string.h>

#include "common/files/delete_even_read_only.h"
#include "common/text/system_lead_byte.h"
#include "uninstaller/inf_names_driver.h"
#include "uninstaller/key_names.h"

namespace kyr {

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730";
const char kPrinterClassKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-08002BE10318}";
const char kDriverName[] = "KYR POS 730";

// Text values into a cleared buffer, leaving the last byte free so that the text ends
// even when the stored value carries no terminator.
LONG ReadText(HKEY key, const char* name, char* buffer, DWORD bufferSize) {
    memset(buffer, 0, bufferSize);
    DWORD size = bufferSize - 1;
    return RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
}

// The file, then its twin; both results are of no interest. An INF copied from a CD by
// an earlier installer kept the disc's read-only bit.
void DeleteWithTwin(char* path) {
    DeleteEvenReadOnly(path);
    if (MakePnfTwin(path, SystemLeadByte)) DeleteEvenReadOnly(path);
}

}  // namespace

namespace {
// The entry's "InfFile" into path; false when there is no usable one.
bool ReadRecordedInf(char (&path)[kNameBufferSize]) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const bool read = ReadText(key, "InfFile", path, sizeof(path)) == ERROR_SUCCESS && strlen(path) >= 3;
    RegCloseKey(key);
    return read;
}
}  // namespace

void DeleteRecordedInf() {
    char path[kNameBufferSize];
    if (ReadRecordedInf(path) && InfNamesDriver(path)) DeleteWithTwin(path);
}

void CollectClassInfNames(std::list<std::string>& classInfNames) {
    classInfNames.clear();
    HKEY classKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPrinterClassKey, 0, KEY_READ, &classKey) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        char name[kNameBufferSize] = {0};
        DWORD nameSize = sizeof(name);
        const LONG found =
            RegEnumKeyExA(classKey, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (found == ERROR_NO_MORE_ITEMS) break;
        // Any failure but a name too long for the buffer would repeat at every index.
        if (found != ERROR_SUCCESS) {
            if (found == ERROR_MORE_DATA) continue;
            break;
        }
        // Opened by its own name through the class key's handle: no path to outgrow.
        HKEY entry = nullptr;
        if (RegOpenKeyExA(classKey, name, 0, KEY_READ, &entry) != ERROR_SUCCESS) continue;
        char text[kNameBufferSize];
        if (ReadText(entry, "DriverDesc", text, sizeof(text)) == ERROR_SUCCESS &&
            strcmp(text, kDriverName) == 0) {
            // Without a readable plain file name the path would name the INF folder itself
            // or a file outside it.
            if (ReadText(entry, "InfPath", text, sizeof(text)) == ERROR_SUCCESS &&
                IsPlainFileName(text, SystemLeadByte))
                classInfNames.push_front(text);
        }
        RegCloseKey(entry);
    }
    RegCloseKey(classKey);
}

void DeleteClassInfFiles(const std::list<std::string>& classInfNames) {
    if (classInfNames.empty()) return;
    char windows[kNameBufferSize] = {0};
    const UINT length = GetWindowsDirectoryA(windows, sizeof(windows));
    if (length == 0 || length >= sizeof(windows)) return;
    char folder[kNameBufferSize];
    if (!JoinText(folder, sizeof(folder), windows, "\\inf\\")) return;
    for (const std::string& name : classInfNames) {
        char path[kNameBufferSize];
        if (!IsPlainFileName(name.c_str(), SystemLeadByte) || !JoinText(path, sizeof(path), folder, name.c_str()))
            continue;
        DeleteWithTwin(path);
    }
}

}  // namespace kyr

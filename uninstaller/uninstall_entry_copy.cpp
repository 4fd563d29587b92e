#include "uninstaller/uninstall_entry_copy.h"

namespace kyr {

namespace {
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730";
// In the order the installer writes them.
const char* const kValueNames[] = {"DisplayName", "KYR POS 730", "UninstallString", "InfFile"};
const char kDisplayName[] = "KYR POS 730 Windows Driver 1.0.0E";
}  // namespace

UninstallEntryCopy UninstallEntryCopy::Read() {
    UninstallEntryCopy copy;
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &key);
    if (opened != ERROR_SUCCESS) {
        // An entry that may not be opened is there all the same, and the module deletes it:
        // what it held is written again from what this program knows of it.
        if (opened != ERROR_FILE_NOT_FOUND) {
            copy.present_ = true;
            copy.unread_ = true;
        }
        // Without an entry, which INF the installation recorded is as unknown as with one
        // that cannot be read.
        copy.infFileError_ = opened;
        return copy;
    }
    copy.present_ = true;
    for (int i = 0; i < 4; ++i) {
        Value& value = copy.values_[i];
        // One byte stays free so that a text stored without its end still ends here.
        DWORD size = sizeof(value.data) - 1;
        const LONG read =
            RegQueryValueExA(key, kValueNames[i], nullptr, &value.type, reinterpret_cast<BYTE*>(value.data), &size);
        if (read == ERROR_SUCCESS) {
            value.present = true;
            value.size = size;
        } else {
            value.data[0] = '\0';
            if (read != ERROR_FILE_NOT_FOUND && copy.readError_ == ERROR_SUCCESS) copy.readError_ = read;
            // An entry without its INF's name tells as little as one that cannot be read.
            if (i == 3) copy.infFileError_ = read;
        }
    }
    RegCloseKey(key);
    return copy;
}

LONG UninstallEntryCopy::Restore() const {
    if (!present_) return ERROR_SUCCESS;
    if (unread_) return WriteKnownValues();
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return result;
    for (int i = 0; i < 4; ++i) {
        const Value& value = values_[i];
        if (!value.present) continue;
        const LONG written = RegSetValueExA(key, kValueNames[i], 0, value.type,
                                            reinterpret_cast<const BYTE*>(value.data), value.size);
        if (written != ERROR_SUCCESS && result == ERROR_SUCCESS) result = written;
    }
    RegCloseKey(key);
    return result != ERROR_SUCCESS ? result : readError_;
}

// The values an installation writes that do not depend on it: the list of installed software
// then starts this very program again. Which INF it recorded is not known, and is left out
// (the next run looks for the INFs naming the driver).
LONG UninstallEntryCopy::WriteKnownValues() const {
    char program[kNameBufferSize];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof(program));
    if (length == 0 || length >= sizeof(program)) return length == 0 ? static_cast<LONG>(GetLastError())
                                                                      : ERROR_FILENAME_EXCED_RANGE;
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return result;
    const char* const texts[] = {kDisplayName, "", program};
    for (int i = 0; i < 3; ++i) {
        const LONG written = RegSetValueExA(key, kValueNames[i], 0, REG_SZ, reinterpret_cast<const BYTE*>(texts[i]),
                                            static_cast<DWORD>(lstrlenA(texts[i]) + 1));
        if (written != ERROR_SUCCESS && result == ERROR_SUCCESS) result = written;
    }
    RegCloseKey(key);
    return result;
}

}  // namespace kyr

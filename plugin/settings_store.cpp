#include "plugin/settings_store.h"

#include "plugin/command_codec.h"
#include "plugin/commands_page.h"
#include "plugin/debug_trace.h"
#include "plugin/res/resource.h"
#include "plugin/settings_layout.h"

namespace kyr {

void VKSetRegKey(const WCHAR* printerName, DLGINFO* lpdi) {
    lpdi->keyPathValid = FormSettingsKeyPath(printerName, lpdi->keyPath, kKeyPathChars);
    DebugTrace("SetRegkey : %S\n", lpdi->keyPath);
}

BOOL OpenSettingsForLoad(DLGINFO* lpdi) {
    lpdi->key = nullptr;
    if (!lpdi->keyPathValid) {
        // Never an empty path: it would name HKEY_LOCAL_MACHINE itself.
        lpdi->registryStatus = ERROR_INVALID_NAME;
        return FALSE;
    }
    lpdi->registryStatus = RegOpenKeyExW(HKEY_LOCAL_MACHINE, lpdi->keyPath, 0, KEY_READ, &lpdi->key);
    if (lpdi->registryStatus != ERROR_SUCCESS) {
        HKEY created = nullptr;
        if (RegCreateKeyW(HKEY_LOCAL_MACHINE, lpdi->keyPath, &created) == ERROR_SUCCESS) {
            RegCloseKey(created);
        }
        lpdi->registryStatus =
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, lpdi->keyPath, 0, KEY_READ, &lpdi->key);
    }
    if (lpdi->registryStatus != ERROR_SUCCESS) lpdi->key = nullptr;
    return lpdi->key != nullptr;
}

void ReadSettingsValues(DLGINFO* lpdi) {
    ZeroMemory(lpdi->settings, sizeof lpdi->settings);
    lpdi->miscReadSize = kMiscReadLimit;
    lpdi->startReadSize = sizeof lpdi->startCommand;
    lpdi->endReadSize = sizeof lpdi->endCommand;
    if (lpdi->key == nullptr) {
        lpdi->startReadStatus = lpdi->endReadStatus = ERROR_INVALID_HANDLE;
        lpdi->miscReadSize = lpdi->startReadSize = lpdi->endReadSize = 0;
        MiscSettings defaults = DefaultMiscSettings();
        CopyMemory(lpdi->settings, &defaults, sizeof defaults);
        return;
    }
    lpdi->registryStatus = RegQueryValueExW(lpdi->key, L"MISC", nullptr, nullptr, lpdi->settings,
                                            &lpdi->miscReadSize);
    MiscSettings misc = MiscFromStoredValue(lpdi->registryStatus == ERROR_SUCCESS, lpdi->settings,
                                            lpdi->miscReadSize);
    CopyMemory(lpdi->settings, &misc, sizeof misc);
    lpdi->startReadStatus = RegQueryValueExW(lpdi->key, L"StartDoc", nullptr, nullptr,
                                             lpdi->startCommand, &lpdi->startReadSize);
    lpdi->endReadStatus = RegQueryValueExW(lpdi->key, L"EndDoc", nullptr, nullptr,
                                           lpdi->endCommand, &lpdi->endReadSize);
}

BOOL OpenSettingsForSave(DLGINFO* lpdi) {
    lpdi->key = nullptr;
    if (!lpdi->keyPathValid) return FALSE;
    lpdi->registryStatus = RegOpenKeyExW(HKEY_LOCAL_MACHINE, lpdi->keyPath, 0,
                                         KEY_READ | KEY_WRITE, &lpdi->key);
    if (lpdi->registryStatus != ERROR_SUCCESS) lpdi->key = nullptr;
    return lpdi->key != nullptr;
}

void CloseSettings(DLGINFO* lpdi) {
    if (lpdi->key != nullptr) RegCloseKey(lpdi->key);
    lpdi->key = nullptr;
}

void WriteCommandValue(HWND page, HKEY key, const WCHAR* valueName, int editId, DLGINFO* lpdi) {
    const char* text = ReadControlText(page, editId, lpdi);
    BYTE* bytes = editId == IDC_START_COMMAND ? lpdi->startCommand : lpdi->endCommand;
    const size_t count = ParseCommandText(text, lstrlenA(text), bytes, kCommandCapacity);
    // A failed write leaves the earlier value; nothing on the page could repair it.
    RegSetValueExW(key, valueName, 0, REG_BINARY, bytes, static_cast<DWORD>(count));
}

}  // namespace kyr

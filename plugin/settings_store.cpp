#include "plugin/settings_store.h"

#include <winspool.h>

#include "plugin/debug_trace.h"
#include "plugin/res/resource.h"
#include "plugin/settings_layout.h"
#include "plugin/value_snapshot.h"

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
        // Each value shares the key's fate: absent with it, or not known.
        lpdi->startReadStatus = lpdi->endReadStatus = lpdi->registryStatus;
        lpdi->miscReadSize = lpdi->startReadSize = lpdi->endReadSize = 0;
        lpdi->miscUnread = ReadFailed(lpdi->registryStatus);
        MiscSettings defaults = DefaultMiscSettings();
        CopyMemory(lpdi->settings, &defaults, sizeof defaults);
        return;
    }
    lpdi->registryStatus = RegQueryValueExW(lpdi->key, L"MISC", nullptr, nullptr, lpdi->settings,
                                            &lpdi->miscReadSize);
    lpdi->miscUnread = ReadFailed(lpdi->registryStatus);
    MiscSettings misc = MiscFromStoredValue(lpdi->registryStatus == ERROR_SUCCESS, lpdi->settings,
                                            lpdi->miscReadSize);
    CopyMemory(lpdi->settings, &misc, sizeof misc);
    lpdi->startReadStatus = RegQueryValueExW(lpdi->key, L"StartDoc", nullptr, nullptr,
                                             lpdi->startCommand, &lpdi->startReadSize);
    lpdi->endReadStatus = RegQueryValueExW(lpdi->key, L"EndDoc", nullptr, nullptr,
                                           lpdi->endCommand, &lpdi->endReadSize);
}

bool ReadFailed(LONG status) {
    return status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && status != ERROR_MORE_DATA;
}

namespace {
// The printer was deleted while its sheet was open (the uninstaller deletes its settings key
// with it). Its handle still answers, but for a printer that is no longer there.
bool PrinterGone(HANDLE printer) {
    if (printer == nullptr) return false;
    DWORD needed = 0;
    if (GetPrinterW(printer, 2, nullptr, 0, &needed)) return false;
    const DWORD error = GetLastError();
    if (error == ERROR_INVALID_HANDLE || error == ERROR_INVALID_PRINTER_NAME) return true;
    if (error != ERROR_INSUFFICIENT_BUFFER || needed == 0) return false;
    BYTE* block = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, needed));
    if (block == nullptr) return false;
    const bool pending = GetPrinterW(printer, 2, block, needed, &needed) &&
                         (reinterpret_cast<PRINTER_INFO_2W*>(block)->Status & PRINTER_STATUS_PENDING_DELETION) != 0;
    HeapFree(GetProcessHeap(), 0, block);
    return pending;
}
}  // namespace

BOOL OpenSettingsForSave(DLGINFO* lpdi) {
    lpdi->key = nullptr;
    if (!lpdi->keyPathValid) {
        lpdi->registryStatus = ERROR_INVALID_NAME;
        return FALSE;
    }
    lpdi->registryStatus = RegOpenKeyExW(HKEY_LOCAL_MACHINE, lpdi->keyPath, 0,
                                         KEY_READ | KEY_WRITE, &lpdi->key);
    if (lpdi->registryStatus == ERROR_FILE_NOT_FOUND && PrinterGone(lpdi->printer)) {
        // Made again, the key would outlive the printer, which no removal then names.
        lpdi->registryStatus = ERROR_INVALID_PRINTER_NAME;
    } else if (lpdi->registryStatus == ERROR_FILE_NOT_FOUND) {
        // The page makes the key when it loads; a load whose creation was refused left none.
        // Made now, or the creation's own refusal is what the user is told, not "not found".
        HKEY created = nullptr;
        lpdi->registryStatus = RegCreateKeyW(HKEY_LOCAL_MACHINE, lpdi->keyPath, &created);
        if (lpdi->registryStatus == ERROR_SUCCESS) {
            RegCloseKey(created);
            lpdi->registryStatus = RegOpenKeyExW(HKEY_LOCAL_MACHINE, lpdi->keyPath, 0,
                                                 KEY_READ | KEY_WRITE, &lpdi->key);
        }
    }
    if (lpdi->registryStatus != ERROR_SUCCESS) lpdi->key = nullptr;
    return lpdi->key != nullptr;
}

void CloseSettings(DLGINFO* lpdi) {
    if (lpdi->key != nullptr) RegCloseKey(lpdi->key);
    lpdi->key = nullptr;
}

LONG WriteCommandValue(HKEY key, const CommandBox& box, const CommandEntry& entry) {
    if (!entry.store) return ERROR_SUCCESS;
    return RegSetValueExW(key, box.valueName, 0, REG_BINARY, entry.bytes, entry.length);
}

LONG WriteSettingsValues(HKEY key, const BYTE* misc, const CommandEntry& start,
                         const CommandEntry& end, bool* partlySaved) {
    CommandEntry miscEntry = {};
    miscEntry.store = misc != nullptr;
    miscEntry.bytes = misc;
    miscEntry.length = kMiscValueSize;
    const CommandBox miscBox = {0, L"MISC", L"MISC"};
    const struct { const CommandBox& box; const CommandEntry& entry; } writes[] = {
        {miscBox, miscEntry}, {kStartCommandBox, start}, {kEndCommandBox, end}};
    constexpr int kWrites = sizeof writes / sizeof writes[0];
    *partlySaved = false;
    ValueSnapshot before[kWrites];
    for (int i = 0; i < kWrites; ++i) {
        if (!writes[i].entry.store) continue;
        const LONG status = TakeSnapshot(key, writes[i].box.valueName, &before[i]);
        if (status != ERROR_SUCCESS) return status;
    }
    for (int i = 0; i < kWrites; ++i) {
        const LONG status = WriteCommandValue(key, writes[i].box, writes[i].entry);
        if (status == ERROR_SUCCESS) continue;
        for (int j = 0; j < i; ++j) {
            if (!writes[j].entry.store) continue;
            if (RestoreSnapshot(key, writes[j].box.valueName, before[j]) != ERROR_SUCCESS) {
                *partlySaved = true;
            }
        }
        return status;
    }
    return ERROR_SUCCESS;
}

}  // namespace kyr

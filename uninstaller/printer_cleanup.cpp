#include "uninstaller/printer_cleanup.h"

#include <windows.h>
#include <string.h>

#include "common/maintenance/delete_key_tree.h"
#include "common/text/system_lead_byte.h"
#include "uninstaller/key_names.h"

namespace kyr {

namespace {

const char kPrintersKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
const char kSettingsKey[] = "SOFTWARE\\KYR_POS_PRINTER";
const char kUsbEnumKey[] = "Enum\\USBPRINT\\VOSKREL_ZPD-815";

// Keys below a parent are opened and deleted through the parent's handle, by their own
// name: no path is assembled in a buffer, so no name is ever too long for one, and a name
// that could not be a single key (empty, too long, with a backslash) is never used.
class Key {
public:
    Key() = default;
    ~Key() { Close(); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    bool Open(HKEY parent, const char* subKey) {
        Close();
        if (RegOpenKeyExA(parent, subKey, 0, KEY_READ, &key_) == ERROR_SUCCESS) return true;
        key_ = nullptr;
        return false;
    }
    void Close() {
        if (key_ != nullptr) RegCloseKey(key_);
        key_ = nullptr;
    }
    HKEY get() const { return key_; }

    // The value into a cleared buffer; one byte stays free so that text always ends.
    LONG Read(const char* name, void* buffer, DWORD bufferSize, bool text) const {
        memset(buffer, 0, bufferSize);
        DWORD size = text ? bufferSize - 1 : bufferSize;
        return RegQueryValueExA(key_, name, nullptr, nullptr, static_cast<BYTE*>(buffer), &size);
    }

private:
    HKEY key_ = nullptr;
};

// The Windows 9x printer entry: a "USB" port sends its "PrinterID" on to the walk of the
// device entries.
void DeleteUsbEntriesOfPrinter(HKEY printers, const char* printerName) {
    Key entry;
    if (!entry.Open(printers, printerName)) return;
    char port[kNameBufferSize];
    entry.Read("Port", port, sizeof(port), true);
    if (!PortIsUsb(port, SystemLeadByte)) return;
    Key driverData;
    if (!driverData.Open(entry.get(), "PrinterDriverData")) return;
    uint8_t printerId[kNameBufferSize];
    const LONG read = driverData.Read("PrinterID", printerId, sizeof(printerId), false);
    driverData.Close();
    if (read == ERROR_SUCCESS)
        DeleteUsbEnumEntries(printerId);
    else if (read == ERROR_FILE_NOT_FOUND)
        DeleteUsbEnumEntries(nullptr);
}

// The spooler's answer to the deletion; a printer that is already gone counts as deleted.
DWORD DeleteThroughSpooler(const char* printerName) {
    PRINTER_DEFAULTSA defaults = {const_cast<char*>("raw"), nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<char*>(printerName), &printer, &defaults)) {
        const DWORD error = GetLastError();
        return error == ERROR_INVALID_PRINTER_NAME ? ERROR_SUCCESS : error;
    }
    const DWORD error = DeletePrinter(printer) ? ERROR_SUCCESS : GetLastError();
    ClosePrinter(printer);
    return error;
}

DWORD DeleteOnePrinter(const std::string& name, bool isWin9x) {
    const char* printerName = name.c_str();
    const bool keyName = IsSingleKeyName(printerName, SystemLeadByte);
    Key printers;
    if (isWin9x && keyName && printers.Open(HKEY_LOCAL_MACHINE, kPrintersKey))
        DeleteUsbEntriesOfPrinter(printers.get(), printerName);

    const DWORD refused = DeleteThroughSpooler(printerName);
    // A printer the spooler keeps keeps its entry and its settings, for the next run.
    if (refused != ERROR_SUCCESS) return refused;

    if (isWin9x && printers.get() != nullptr) DeleteKeyTree(printers.get(), printerName);

    char settingsName[kNameBufferSize];
    Key settings;
    if (SettingsKeyName(printerName, settingsName, sizeof(settingsName), SystemLeadByte) &&
        settings.Open(HKEY_LOCAL_MACHINE, kSettingsKey))
        DeleteKeyTree(settings.get(), settingsName);
    return ERROR_SUCCESS;
}

}  // namespace

UndeletedList DeletePrinters(const std::list<std::string>& printers, bool isWin9x) {
    UndeletedList undeleted;
    for (const std::string& name : printers) {
        const DWORD error = DeleteOnePrinter(name, isWin9x);
        if (error != ERROR_SUCCESS) undeleted.push_back({name, error});
    }
    return undeleted;
}

void DeleteUsbEnumEntries(const uint8_t* printerId) {
    Key parent;
    if (!parent.Open(HKEY_LOCAL_MACHINE, kUsbEnumKey)) return;
    DWORD index = 0;
    for (;;) {
        char name[kNameBufferSize] = {0};
        DWORD nameSize = sizeof(name);
        const LONG found =
            RegEnumKeyExA(parent.get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (found == ERROR_NO_MORE_ITEMS) break;
        if (found != ERROR_SUCCESS) {
            // A name that does not fit is passed over; any other failure would repeat at
            // every index, so the walk ends there.
            if (found != ERROR_MORE_DATA) break;
            ++index;
            continue;
        }
        bool remove = false;
        Key entry;
        if (entry.Open(parent.get(), name)) {
            uint8_t entryId[kNameBufferSize];
            const LONG read = entry.Read("PrinterID", entryId, sizeof(entryId), false);
            remove = (read == ERROR_SUCCESS && printerId != nullptr &&
                      PrinterIdMatches(entryId, printerId)) ||
                     (read == ERROR_FILE_NOT_FOUND && printerId == nullptr);
        }
        entry.Close();
        // A deleted entry's place is taken by the next one, which must be looked at under
        // the same index; only an entry that stays moves the walk on.
        if (!remove || DeleteKeyTree(parent.get(), name) != ERROR_SUCCESS) ++index;
    }
}

}  // namespace kyr

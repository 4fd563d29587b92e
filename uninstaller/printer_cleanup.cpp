#include "uninstaller/printer_cleanup.h"

#include <windows.h>
#include <winspool.h>
#include <string.h>

#include <vector>

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

// The Windows 9x printer entry's "PrinterID", for a "USB" port, read while the entry is
// still there; the device entries it names go only once the spooler has deleted the
// printer, so that a printer it keeps keeps them too.
struct UsbEntries {
    bool walk = false;
    bool hasId = false;
    uint8_t printerId[kNameBufferSize] = {0};
};

UsbEntries UsbEntriesOfPrinter(HKEY printers, const char* printerName) {
    UsbEntries usb;
    Key entry;
    if (!entry.Open(printers, printerName)) return usb;
    char port[kNameBufferSize];
    entry.Read("Port", port, sizeof(port), true);
    if (!PortIsUsb(port, SystemLeadByte)) return usb;
    Key driverData;
    if (!driverData.Open(entry.get(), "PrinterDriverData")) return usb;
    const LONG read = driverData.Read("PrinterID", usb.printerId, sizeof(usb.printerId), false);
    usb.walk = read == ERROR_SUCCESS || read == ERROR_FILE_NOT_FOUND;
    usb.hasId = read == ERROR_SUCCESS;
    return usb;
}

const char kPausedAdvice[] =
    "Documents are waiting on this printer while it is paused. Resume the printer or cancel its "
    "documents, then run the uninstaller again.";
const char kPendingAdvice[] =
    "It still has documents to print and will be deleted once they are printed. Run the uninstaller "
    "again then.";

// A printer with documents waiting is only marked for deletion and stays listed until they
// are printed; its driver cannot go meanwhile. Its jobs tell, not its pending mark, which
// Windows also sets while any handle (this one) is still open on a printer without jobs.
bool MarkedForDeletion(HANDLE printer) {
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterA(printer, 2, buffer.data(), needed, &needed)) return false;
    const PRINTER_INFO_2A* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    return info->cJobs > 0;
}

// The spooler's answer to the deletion; a printer that is already gone counts as deleted.
Undeleted DeleteThroughSpooler(const std::string& name) {
    PRINTER_DEFAULTSA defaults = {const_cast<char*>("raw"), nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<char*>(name.c_str()), &printer, &defaults)) {
        const DWORD error = GetLastError();
        return {name, error == ERROR_INVALID_PRINTER_NAME ? ERROR_SUCCESS : error};
    }
    Undeleted result = {name, ERROR_SUCCESS};
    if (!DeletePrinter(printer)) {
        result.error = GetLastError();
        // Opened with every right, a refusal for rights is the spooler's rule for a paused
        // printer with documents waiting, not a lack of the user's.
        if (result.error == ERROR_ACCESS_DENIED) result.advice = kPausedAdvice;
    } else if (MarkedForDeletion(printer)) {
        result.advice = kPendingAdvice;
    }
    ClosePrinter(printer);
    return result;
}

Undeleted DeleteOnePrinter(const std::string& name, bool isWin9x) {
    const char* printerName = name.c_str();
    const bool keyName = IsSingleKeyName(printerName, SystemLeadByte);
    Key printers;
    UsbEntries usb;
    if (isWin9x && keyName && printers.Open(HKEY_LOCAL_MACHINE, kPrintersKey))
        usb = UsbEntriesOfPrinter(printers.get(), printerName);

    const Undeleted refused = DeleteThroughSpooler(name);
    // A printer the spooler keeps keeps its entry, its device entries and its settings,
    // for the next run; so does one that waits for its documents, which still need them.
    if (refused.error != ERROR_SUCCESS || !refused.advice.empty()) return refused;

    if (usb.walk) DeleteUsbEnumEntries(usb.hasId ? usb.printerId : nullptr);
    if (isWin9x && printers.get() != nullptr) DeleteKeyTree(printers.get(), printerName);

    char settingsName[kNameBufferSize];
    Key settings;
    if (SettingsKeyName(printerName, settingsName, sizeof(settingsName), SystemLeadByte) &&
        settings.Open(HKEY_LOCAL_MACHINE, kSettingsKey))
        DeleteKeyTree(settings.get(), settingsName);
    return refused;
}

}  // namespace

UndeletedList DeletePrinters(const std::list<std::string>& printers, bool isWin9x) {
    UndeletedList undeleted;
    for (const std::string& name : printers) {
        const Undeleted stays = DeleteOnePrinter(name, isWin9x);
        if (stays.error != ERROR_SUCCESS || !stays.advice.empty()) undeleted.push_back(stays);
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

// DeletePrinters and DeleteUsbEnumEntries on registry entries made the way Windows 9x and
// the plug-in leave them. The printers themselves do not exist here: the spooler part of
// each deletion fails quietly, which must not keep the registry part from running.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "uninstaller/printer_cleanup.h"

namespace kyr {
namespace {

const std::string kUsb = "Enum\\USBPRINT\\VOSKREL_ZPD-815";
const std::string kPrinters = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
const std::string kSettings = "SOFTWARE\\KYR_POS_PRINTER\\";

bool KeyExists(const std::string& subkey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void CreateKey(const std::string& subkey) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, subkey.c_str(), &key), ERROR_SUCCESS) << subkey;
    RegCloseKey(key);
}

void SetValue(const std::string& subkey, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, subkey.c_str(), &key), ERROR_SUCCESS) << subkey;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void SetText(const std::string& subkey, const char* name, const char* text) {
    SetValue(subkey, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

// A device entry; id null: without "PrinterID".
void DeviceEntry(const std::string& name, const char* id) {
    CreateKey(kUsb + "\\" + name);
    SetText(kUsb + "\\" + name, "DeviceDesc", "USB printing support");
    if (id) SetValue(kUsb + "\\" + name, "PrinterID", REG_BINARY, id, static_cast<DWORD>(strlen(id)));
}

std::set<std::string> DeviceEntries() {
    std::set<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUsb.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.insert(name);
    }
    RegCloseKey(key);
    return names;
}

class PrinterCleanup : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    void Clean() {
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, "Enum\\USBPRINT");
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KYR_POS_PRINTER");
        for (const std::string& name : made_) SHDeleteKeyA(HKEY_LOCAL_MACHINE, (kPrinters + name).c_str());
    }
    // A Windows 9x printer entry; id null: no "PrinterID".
    void PrinterEntry(const std::string& name, const char* port, const char* id) {
        made_.push_back(name);
        SetText(kPrinters + name, "Port", port);
        CreateKey(kPrinters + name + "\\PrinterDriverData");
        if (id)
            SetValue(kPrinters + name + "\\PrinterDriverData", "PrinterID", REG_BINARY, id,
                     static_cast<DWORD>(strlen(id)));
    }
    std::vector<std::string> made_;
};

TEST_F(PrinterCleanup, EveryMatchingDeviceEntryGoesWhateverItsPlace) {
    // Entries are enumerated in name order: matching ones first, adjacent, last, and
    // alternating with ones that stay.
    const struct {
        const char* name;
        const char* id;
        bool goes;
    } entries[] = {
        {"a1", "KYR1-aaa", true}, {"a2", "KYR1-bbb", true},  {"b1", "KYR2-aaa", false},
        {"c1", "KYR1", true},     {"c2", nullptr, false},    {"d1", "KYR1xyz", true},
        {"d2", "KY", false},      {"e1", "KYR1-ccc", true},  {"e2", "KYR1-ddd", true},
        {"e3", "KYR1-eee", true},
    };
    std::set<std::string> staying;
    for (const auto& e : entries) {
        DeviceEntry(e.name, e.id);
        if (!e.goes) staying.insert(e.name);
    }
    uint8_t printerId[256] = {'K', 'Y', 'R', '1', '-', 'z'};
    DeleteUsbEnumEntries(printerId);
    EXPECT_EQ(DeviceEntries(), staying);
}

TEST_F(PrinterCleanup, WithoutPrinterIdOnlyEntriesWithoutOneGo) {
    DeviceEntry("0001", nullptr);
    DeviceEntry("0002", nullptr);
    DeviceEntry("0003", "KYR1");
    DeviceEntry("0004", nullptr);
    CreateKey(kUsb + "\\0004\\Device Parameters");
    DeleteUsbEnumEntries(nullptr);
    EXPECT_EQ(DeviceEntries(), (std::set<std::string>{"0003"}));
}

TEST_F(PrinterCleanup, NoParentKeyIsNothingToDo) {
    uint8_t printerId[256] = {'K', 'Y', 'R', '1'};
    DeleteUsbEnumEntries(printerId);
    DeleteUsbEnumEntries(nullptr);
    EXPECT_FALSE(KeyExists(kUsb));
}

TEST_F(PrinterCleanup, SettingsKeyOfEachDeletedPrinterGoesOnBothFamilies) {
    for (bool isWin9x : {false, true}) {
        SCOPED_TRACE(isWin9x ? "win9x" : "nt");
        CreateKey(kSettings + "KYR_POS_730");
        SetText(kSettings + "KYR_POS_730", "StartDoc", "\\x1B");
        CreateKey(kSettings + "KYR_POS_730(#1)");
        CreateKey(kSettings + "KYR_POS_730(#2)");
        CreateKey(kSettings + "KYR POS 730(#2)");
        DeletePrinters({"KYR POS 730(#1)", "KYR POS 730"}, isWin9x);
        EXPECT_FALSE(KeyExists(kSettings + "KYR_POS_730"));
        EXPECT_FALSE(KeyExists(kSettings + "KYR_POS_730(#1)"));
        // Not deleted printers keep their settings, and the key with blanks is another's.
        EXPECT_TRUE(KeyExists(kSettings + "KYR_POS_730(#2)"));
        EXPECT_TRUE(KeyExists(kSettings + "KYR POS 730(#2)"));
    }
}

TEST_F(PrinterCleanup, OverlongAndPathLikeNamesNeverReachAnotherKey) {
    // A name of 300 characters whose first 230 are those of another printer's settings
    // key: a cut would delete that key.
    const std::string stem(230, 'P');
    CreateKey(kSettings + stem);
    CreateKey(kSettings + "Other");
    CreateKey(kSettings + "A\\B");
    const std::string overlong = stem + std::string(70, 'Q');
    DeletePrinters({overlong, "..\\KYR_POS_PRINTER\\Other", "A\\B", ""}, true);
    DeletePrinters({overlong, "A\\B"}, false);
    EXPECT_TRUE(KeyExists(kSettings + stem));
    EXPECT_TRUE(KeyExists(kSettings + "Other"));
    EXPECT_TRUE(KeyExists(kSettings + "A\\B"));
    // A long name that fits is handled whole (Wine's registry takes fewer than the 255
    // characters a key name may have on Windows).
    const std::string longest(230, 'L');
    CreateKey(kSettings + longest);
    DeletePrinters({longest}, false);
    EXPECT_FALSE(KeyExists(kSettings + longest));
    EXPECT_TRUE(KeyExists(kSettings + stem));
}

TEST_F(PrinterCleanup, Win9xUsbPrinterTakesItsDeviceEntriesAndItsEntry) {
    PrinterEntry("KYR POS 730", "USB001", "KYR1");
    DeviceEntry("0000", "KYR1-0000");
    DeviceEntry("0001", "KYR2-0001");
    DeviceEntry("0002", nullptr);
    DeletePrinters({"KYR POS 730"}, true);
    EXPECT_EQ(DeviceEntries(), (std::set<std::string>{"0001", "0002"}));
    EXPECT_FALSE(KeyExists(kPrinters + "KYR POS 730"));
}

TEST_F(PrinterCleanup, Win9xUsbPrinterWithoutIdTakesEntriesWithoutId) {
    PrinterEntry("KYR POS 730", "USB001", nullptr);
    DeviceEntry("0000", "KYR1-0000");
    DeviceEntry("0001", nullptr);
    DeviceEntry("0002", nullptr);
    DeletePrinters({"KYR POS 730"}, true);
    EXPECT_EQ(DeviceEntries(), (std::set<std::string>{"0000"}));
}

TEST_F(PrinterCleanup, Win9xPortDecidesWhetherDevicesAreWalked) {
    // "usb" in lower case and a port on LPT are no USB ports; the entries stay, the
    // printer entries go.
    PrinterEntry("KYR POS 730", "LPT1:", nullptr);
    PrinterEntry("KYR POS 730(#1)", "usb001", nullptr);
    DeviceEntry("0000", nullptr);
    DeletePrinters({"KYR POS 730", "KYR POS 730(#1)"}, true);
    EXPECT_EQ(DeviceEntries(), (std::set<std::string>{"0000"}));
    EXPECT_FALSE(KeyExists(kPrinters + "KYR POS 730"));
    EXPECT_FALSE(KeyExists(kPrinters + "KYR POS 730(#1)"));
}

TEST_F(PrinterCleanup, NtLeavesDeviceEntriesAlone) {
    PrinterEntry("KYR POS 730", "USB001", "KYR1");
    DeviceEntry("0000", "KYR1-0000");
    DeviceEntry("0001", nullptr);
    DeletePrinters({"KYR POS 730"}, false);
    EXPECT_EQ(DeviceEntries(), (std::set<std::string>{"0000", "0001"}));
}

}  // namespace
}  // namespace kyr

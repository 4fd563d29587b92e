// PrinterEvent against printers of Wine's own spooler.
#include <gtest/gtest.h>

#include <vector>

#include "tests/win/plugin/plugin_support.h"

#include <winspool.h>

namespace kyr_test {
namespace {

wchar_t kDriver[] = L"KYR Plug-in Test Driver";
wchar_t kProcessor[] = L"KYRPOS PRINT PROCESSOR 730";

struct PrinterState {
    DWORD attributes = 0;
    std::wstring processor;
};

bool ReadPrinter(const wchar_t* name, PrinterState* state) {
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(name), &printer, nullptr)) return false;
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> block(needed);
    const bool ok = GetPrinterW(printer, 2, block.data(), needed, &needed) != FALSE;
    ClosePrinter(printer);
    if (!ok) return false;
    const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(block.data());
    state->attributes = info->Attributes;
    state->processor = info->pPrintProcessor != nullptr ? info->pPrintProcessor : L"";
    return true;
}

class PrinterEvent : public ::testing::Test {
protected:
    void SetUp() override {
        DRIVER_INFO_3W driver = {};
        driver.cVersion = 3;
        driver.pName = kDriver;
        driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
        driver.pDataFile = const_cast<wchar_t*>(L"wineps.drv");
        driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
        AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&driver));
        AddPrintProcessorW(nullptr, nullptr, const_cast<wchar_t*>(L"PRO730.DLL"), kProcessor);
        plugin = CreatePluginObject();
        ASSERT_NE(plugin, nullptr);
    }
    void TearDown() override {
        for (HANDLE printer : added) {
            DeletePrinter(printer);
            ClosePrinter(printer);
        }
        if (plugin != nullptr) plugin->Release();
    }
    bool AddTestPrinter(const wchar_t* name) {
        PRINTER_INFO_2W info = {};
        info.pPrinterName = const_cast<wchar_t*>(name);
        info.pPortName = const_cast<wchar_t*>(L"FILE:");
        info.pDriverName = kDriver;
        info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
        info.pDatatype = const_cast<wchar_t*>(L"RAW");
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_SHARED;
        HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
        if (printer == nullptr) {
            ADD_FAILURE() << "AddPrinterW: " << GetLastError();
            return false;
        }
        added.push_back(printer);
        return true;
    }
    IPrintOemUI* plugin = nullptr;
    std::vector<HANDLE> added;
};

TEST_F(PrinterEvent, InitializeBindsTheProcessorAndSetsExactlyBidiAndRawOnly) {
    wchar_t name[] = L"KYR POS 730 event";
    ASSERT_TRUE(AddTestPrinter(name));
    PrinterState before;
    ASSERT_TRUE(ReadPrinter(name, &before));
    EXPECT_EQ(before.processor, L"winprint");

    EXPECT_EQ(plugin->PrinterEvent(name, PRINTER_EVENT_INITIALIZE, 0, 0), S_OK);
    PrinterState after;
    ASSERT_TRUE(ReadPrinter(name, &after));
    EXPECT_EQ(after.attributes, 0x1800u);
    EXPECT_EQ(after.processor, L"KYRPOS PRINT PROCESSOR 730");
}

TEST_F(PrinterEvent, OtherEventsOpenNothing) {
    wchar_t name[] = L"KYR POS 730 other events";
    ASSERT_TRUE(AddTestPrinter(name));
    PrinterState before;
    ASSERT_TRUE(ReadPrinter(name, &before));
    for (INT event : {1, 2, 4, 5, 6, 0, -1}) {
        EXPECT_EQ(plugin->PrinterEvent(name, event, 0, 0), S_OK) << event;
    }
    PrinterState after;
    ASSERT_TRUE(ReadPrinter(name, &after));
    EXPECT_EQ(after.attributes, before.attributes);
    EXPECT_EQ(after.processor, before.processor);
    // A printer that does not exist shows that nothing is opened for other events.
    wchar_t missing[] = L"No Such Printer";
    EXPECT_EQ(plugin->PrinterEvent(missing, 1, 0, 0), S_OK);
}

TEST_F(PrinterEvent, InitializeOfAPrinterThatCannotBeOpenedFails) {
    wchar_t missing[] = L"No Such Printer";
    EXPECT_EQ(plugin->PrinterEvent(missing, PRINTER_EVENT_INITIALIZE, 0, 0), E_FAIL);
}

// The spooler keeps its printers under this key; an access list that refuses setting values
// there lets the record be read but not stored. Wine's SetPrinter then stores nothing and
// still answers success; either way the printer exists and the event's answer is S_OK.
TEST_F(PrinterEvent, InitializeAnswersSOkWhenTheSpoolerDoesNotTakeTheRecord) {
    wchar_t name[] = L"KYR POS 730 locked";
    ASSERT_TRUE(AddTestPrinter(name));
    const std::wstring key = std::wstring(L"System\\CurrentControlSet\\Control\\Print\\Printers\\") + name;
    SetKeyDenial(key, KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
    const HRESULT answer = plugin->PrinterEvent(name, PRINTER_EVENT_INITIALIZE, 0, 0);
    PrinterState after;
    const bool read = ReadPrinter(name, &after);
    SetKeyDenial(key, 0);
    EXPECT_EQ(answer, S_OK);
    ASSERT_TRUE(read);
    EXPECT_EQ(after.processor, L"winprint") << "the record was not stored";
}

}  // namespace
}  // namespace kyr_test

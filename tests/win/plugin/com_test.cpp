// The COM server and the plug-in object's answers, through the DLL's own exports.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/win/plugin/plugin_support.h"

namespace kyr_test {
namespace {

void* const kUntouched = reinterpret_cast<void*>(0x1234);

const GUID kOtherGuid = {0x11111111, 0x2222, 0x3333, {4, 5, 6, 7, 8, 9, 10, 11}};

TEST(ClassObject, OnlyOurClassIsServed) {
    const Plugin& p = LoadPlugin();
    void* out = kUntouched;
    EXPECT_EQ(p.getClassObject(kOtherGuid, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, kUntouched);
    EXPECT_EQ(p.getClassObject(IID_IPrintOemUI, IID_IClassFactory, &out),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, kUntouched);
}

TEST(ClassObject, InterfacesOfTheFactory) {
    const Plugin& p = LoadPlugin();
    struct Case { const GUID* iid; HRESULT hr; };
    const Case cases[] = {{&IID_IUnknown, S_OK},           {&IID_IClassFactory, S_OK},
                          {&IID_IPrintOemUI, E_NOINTERFACE}, {&IID_IStream, E_NOINTERFACE},
                          {&kOtherGuid, E_NOINTERFACE}};
    for (const Case& c : cases) {
        void* out = kUntouched;
        EXPECT_EQ(p.getClassObject(CLSID_OEMUI, *c.iid, &out), c.hr);
        if (c.hr == S_OK) {
            ASSERT_NE(out, nullptr);
            EXPECT_EQ(p.canUnloadNow(), S_FALSE);
            static_cast<IUnknown*>(out)->Release();
        } else {
            EXPECT_EQ(out, nullptr);
        }
        EXPECT_EQ(p.canUnloadNow(), S_OK) << "no factory may be left alive";
    }
}

TEST(ClassObject, AggregationIsRefusedAndCreatesNothing) {
    const Plugin& p = LoadPlugin();
    IClassFactory* factory = nullptr;
    ASSERT_EQ(p.getClassObject(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    HostObject outer(false);
    void* out = kUntouched;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IPrintOemUI, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, kUntouched);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    factory->Release();
    EXPECT_EQ(p.canUnloadNow(), S_OK);
}

TEST(ClassObject, ThePluginObjectAnswersOnlyItsOwnInterfaces) {
    IPrintOemUI* plugin = CreatePluginObject();
    ASSERT_NE(plugin, nullptr);
    struct Case { const GUID* iid; HRESULT hr; };
    const Case cases[] = {{&IID_IUnknown, S_OK},           {&IID_IPrintOemUI, S_OK},
                          {&IID_IClassFactory, E_NOINTERFACE},
                          {&IID_IPrintOemDriverUI, E_NOINTERFACE}, {&kOtherGuid, E_NOINTERFACE}};
    for (const Case& c : cases) {
        void* out = kUntouched;
        EXPECT_EQ(plugin->QueryInterface(*c.iid, &out), c.hr);
        if (c.hr == S_OK) {
            EXPECT_EQ(out, plugin);
            EXPECT_EQ(plugin->Release(), 1u);
        } else {
            EXPECT_EQ(out, nullptr);
        }
    }
    EXPECT_EQ(plugin->AddRef(), 2u);
    EXPECT_EQ(plugin->Release(), 1u);
    EXPECT_EQ(plugin->Release(), 0u);
}

TEST(ClassObject, CanUnloadNowWhileObjectsLiveOrTheServerIsLocked) {
    const Plugin& p = LoadPlugin();
    EXPECT_EQ(p.canUnloadNow(), S_OK);
    IPrintOemUI* plugin = CreatePluginObject();
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(p.canUnloadNow(), S_FALSE);
    plugin->Release();
    EXPECT_EQ(p.canUnloadNow(), S_OK);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(p.getClassObject(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(p.canUnloadNow(), S_FALSE) << "locked with no object alive";
    ASSERT_EQ(p.getClassObject(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(p.canUnloadNow(), S_FALSE) << "one lock is still taken";
    ASSERT_EQ(p.getClassObject(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(p.canUnloadNow(), S_OK);

    // An unmatched unlock leaves the server unloadable, and a later lock still counts.
    ASSERT_EQ(p.getClassObject(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(p.canUnloadNow(), S_OK);
    ASSERT_EQ(p.getClassObject(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(p.canUnloadNow(), S_FALSE);
    ASSERT_EQ(p.getClassObject(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(p.canUnloadNow(), S_OK);
}

class PluginObject : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = CreatePluginObject();
        ASSERT_NE(plugin, nullptr);
    }
    void TearDown() override {
        if (plugin != nullptr) EXPECT_EQ(plugin->Release(), 0u);
    }
    IPrintOemUI* plugin = nullptr;
};

TEST_F(PluginObject, GetInfoModesBuffersAndLastErrors) {
    struct Case {
        DWORD mode;
        DWORD bufferSize;
        bool nullBuffer;
        HRESULT hr;
        DWORD needed;   // 0xFFFF: left untouched
        DWORD error;    // 0: not checked
        DWORD value;
    };
    const Case cases[] = {
        {OEMGI_GETSIGNATURE, 4, false, S_OK, 4, 0, 0x4D534654},
        {OEMGI_GETVERSION, 8, false, S_OK, 4, 0, 1},
        {OEMGI_GETINTERFACEVERSION, 4, false, E_FAIL, 0xFFFF, ERROR_INVALID_PARAMETER, 0},
        {7, 4, false, E_FAIL, 0xFFFF, ERROR_INVALID_PARAMETER, 0},
        {OEMGI_GETSIGNATURE, 3, false, E_FAIL, 4, ERROR_INSUFFICIENT_BUFFER, 0},
        {OEMGI_GETVERSION, 4, true, E_FAIL, 4, ERROR_INSUFFICIENT_BUFFER, 0},
        {OEMGI_GETPUBLISHERINFO, 256, false, E_FAIL, 0, ERROR_NOT_SUPPORTED, 0},
    };
    for (const Case& c : cases) {
        DWORD buffer[64] = {};
        DWORD needed = 0xFFFF;
        SetLastError(0);
        EXPECT_EQ(plugin->GetInfo(c.mode, c.nullBuffer ? nullptr : buffer, c.bufferSize, &needed),
                  c.hr) << c.mode << "/" << c.bufferSize;
        EXPECT_EQ(needed, c.needed) << c.mode << "/" << c.bufferSize;
        if (c.error != 0) EXPECT_EQ(GetLastError(), c.error) << c.mode << "/" << c.bufferSize;
        if (c.hr == S_OK) EXPECT_EQ(buffer[0], c.value);
    }
    SetLastError(0);
    DWORD buffer = 0;
    EXPECT_EQ(plugin->GetInfo(OEMGI_GETSIGNATURE, &buffer, 4, nullptr), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

struct Section {
    DWORD dwSize, dwSignature, dwVersion;
    LONG privateValue;
};

TEST_F(PluginObject, DevModeSizeAndDefault) {
    OEMDMPARAM param = {};
    param.cbSize = sizeof param;
    param.cbBufSize = 999;
    EXPECT_EQ(plugin->DevMode(OEMDM_SIZE, &param), S_OK);
    EXPECT_EQ(param.cbBufSize, 16u);

    Section out = {1, 2, 3, 4};
    param.pOEMDMOut = &out;
    EXPECT_EQ(plugin->DevMode(OEMDM_DEFAULT, &param), S_OK);
    EXPECT_EQ(std::memcmp(&out, &(const Section&)Section{16, 0x4D534654, 1, 0}, sizeof out), 0);

    for (DWORD mode : {0u, 5u}) {
        SetLastError(0);
        EXPECT_EQ(plugin->DevMode(mode, &param), E_FAIL);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    SetLastError(0);
    EXPECT_EQ(plugin->DevMode(OEMDM_SIZE, nullptr), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(PluginObject, DevModeConvertAndMerge) {
    struct Case {
        const char* what;
        DWORD mode;
        Section in, expected;
    };
    const Section ours = {16, 0x4D534654, 1, 0};
    const Case cases[] = {
        {"convert keeps our value", OEMDM_CONVERT, {16, 0x4D534654, 1, 77}, {16, 0x4D534654, 1, 77}},
        {"convert of another signature", OEMDM_CONVERT, {16, 0x1234, 1, 77}, ours},
        {"convert of a 12-byte input", OEMDM_CONVERT, {12, 0x4D534654, 9, 77}, ours},
        {"merge drops 101", OEMDM_MERGE, {16, 0x4D534654, 1, 101}, ours},
        {"merge keeps 100", OEMDM_MERGE, {16, 0x4D534654, 1, 100}, {16, 0x4D534654, 1, 100}},
        {"merge keeps a negative value", OEMDM_MERGE, {16, 0x4D534654, 1, -3},
         {16, 0x4D534654, 1, -3}},
    };
    for (const Case& c : cases) {
        Section in = c.in;
        Section out = ours;
        out.privateValue = 55;
        OEMDMPARAM param = {};
        param.cbSize = sizeof param;
        param.pOEMDMIn = &in;
        param.pOEMDMOut = &out;
        param.cbBufSize = sizeof out;
        EXPECT_EQ(plugin->DevMode(c.mode, &param), S_OK) << c.what;
        EXPECT_EQ(std::memcmp(&out, &c.expected, sizeof out), 0)
            << c.what << ": " << out.dwSize << " " << out.dwSignature << " " << out.dwVersion
            << " " << out.privateValue;
    }
}

TEST_F(PluginObject, PublishDriverInterfaceKeepsOneReference) {
    HostObject refuses(false);
    EXPECT_EQ(plugin->PublishDriverInterface(&refuses), E_FAIL);
    EXPECT_EQ(refuses.refs, 1);
    EXPECT_EQ(plugin->PublishDriverInterface(nullptr), E_FAIL);

    HostObject host(true);
    EXPECT_EQ(plugin->PublishDriverInterface(&host), S_OK);
    EXPECT_EQ(host.refs, 2);
    EXPECT_EQ(plugin->PublishDriverInterface(&host), S_OK);
    EXPECT_EQ(host.queries, 1) << "a second publication asks nothing";
    EXPECT_EQ(host.refs, 2);
    EXPECT_EQ(plugin->Release(), 0u);
    plugin = nullptr;
    EXPECT_EQ(host.refs, 1) << "released with the plug-in object";
}

TEST_F(PluginObject, CommonUIPropAsksForOneItem) {
    for (DWORD mode : {static_cast<DWORD>(OEMCUIP_DOCPROP), static_cast<DWORD>(OEMCUIP_PRNPROP)}) {
        OEMCUIPPARAM param = {};
        param.cbSize = sizeof param;
        EXPECT_EQ(plugin->CommonUIProp(mode, &param), S_OK);
        EXPECT_EQ(param.cOEMOptItems, 1u);
        param.pOEMOptItems = reinterpret_cast<POPTITEM>(kUntouched);
        param.cOEMOptItems = 5;
        EXPECT_EQ(plugin->CommonUIProp(mode, &param), S_OK);
        EXPECT_EQ(param.cOEMOptItems, 5u);
    }
    OEMCUIPPARAM param = {};
    SetLastError(0);
    EXPECT_EQ(plugin->CommonUIProp(3, &param), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(PluginObject, QueryColorProfile) {
    BYTE data[64];
    ULONG size = 31;
    ULONG flags = 0xAA;
    std::memset(data, 0xCC, sizeof data);
    SetLastError(0);
    EXPECT_EQ(plugin->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, QCP_DEVICEPROFILE, data,
                                        &size, &flags), E_FAIL);
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(data[0], 0xCC);

    size = 100;
    SetLastError(0);
    EXPECT_EQ(plugin->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, QCP_DEVICEPROFILE,
                                        nullptr, &size, &flags), E_FAIL);
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

    size = 32;
    EXPECT_EQ(plugin->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, QCP_DEVICEPROFILE, data,
                                        &size, &flags), S_OK);
    EXPECT_STREQ(reinterpret_cast<const wchar_t*>(data), L"OEMPROFILE.icm");
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(flags, 2u);
    EXPECT_EQ(data[30], 0xCC) << "the name with its terminator takes 30 bytes";

    std::memset(data, 0xCC, sizeof data);
    size = 64;
    flags = 0xAA;
    SetLastError(1234);
    EXPECT_EQ(plugin->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, 1, data, &size, &flags),
              E_FAIL);
    EXPECT_EQ(size, 64u);
    EXPECT_EQ(flags, 0xAAu);
    EXPECT_EQ(data[0], 0xCC);
    EXPECT_EQ(GetLastError(), 1234u);

    EXPECT_EQ(plugin->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, QCP_DEVICEPROFILE, data,
                                        nullptr, &flags), E_FAIL);
}

TEST_F(PluginObject, MethodsThatDoNothing) {
    EXPECT_EQ(plugin->DocumentPropertySheets(nullptr, 0), S_OK);
    EXPECT_EQ(plugin->DevQueryPrintEx(nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin->DeviceCapabilities(nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0,
                                         nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin->UpgradePrinter(1, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin->DriverEvent(1, 1, nullptr, 0), E_NOTIMPL);
    EXPECT_EQ(plugin->FontInstallerDlgProc(nullptr, 0, 0, 0), E_NOTIMPL);
    EXPECT_EQ(plugin->UpdateExternalFonts(nullptr, nullptr, nullptr), E_NOTIMPL);
}

TEST_F(PluginObject, DevicePropertySheetsRefusesABadInfo) {
    SetLastError(0);
    EXPECT_EQ(plugin->DevicePropertySheets(nullptr, 0), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    PROPSHEETUI_INFO info = {};
    info.cbSize = sizeof info;
    info.Version = 0x0200;
    SetLastError(0);
    EXPECT_EQ(plugin->DevicePropertySheets(&info, 0), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
}  // namespace kyr_test

#include "tests/win/plugin/plugin_support.h"

#include <cstdio>
#include <cstdlib>

namespace kyr_test {

const Plugin& LoadPlugin() {
    static Plugin plugin;
    if (plugin.module == nullptr) {
        const std::string path = std::string("Z:") + KYR_UI730;
        plugin.module = LoadLibraryA(path.c_str());
        if (plugin.module == nullptr) {
            std::fprintf(stderr, "cannot load %s: %lu\n", path.c_str(), GetLastError());
            std::abort();
        }
        plugin.getClassObject =
            reinterpret_cast<GetClassObjectFn>(GetProcAddress(plugin.module, "DllGetClassObject"));
        plugin.canUnloadNow =
            reinterpret_cast<CanUnloadNowFn>(GetProcAddress(plugin.module, "DllCanUnloadNow"));
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
    }
    return plugin;
}

IPrintOemUI* CreatePluginObject() {
    IClassFactory* factory = nullptr;
    if (FAILED(LoadPlugin().getClassObject(CLSID_OEMUI, IID_IClassFactory,
                                           reinterpret_cast<void**>(&factory))))
        return nullptr;
    IPrintOemUI* plugin = nullptr;
    factory->CreateInstance(nullptr, IID_IPrintOemUI, reinterpret_cast<void**>(&plugin));
    factory->Release();
    return plugin;
}

HRESULT STDMETHODCALLTYPE HostObject::QueryInterface(REFIID iid, void** out) {
    ++queries;
    if (answers_ && IsEqualIID(iid, IID_IPrintOemDriverUI)) {
        *out = static_cast<IPrintOemDriverUI*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

Sheet::Sheet(const std::wstring& printer) : printer_(printer) {}

Sheet::~Sheet() { Close(); }

LONG_PTR CALLBACK Sheet::ComPropSheet(HANDLE handle, UINT function, LPARAM l1, LPARAM) {
    Sheet* sheet = static_cast<Sheet*>(handle);
    if (function == CPSFUNC_GET_PAGECOUNT) {
        ++sheet->pageCountQueries;
        return static_cast<LONG_PTR>(sheet->pages.size());
    }
    if (function == CPSFUNC_ADD_PROPSHEETPAGEW) {
        const PROPSHEETPAGEW* page = reinterpret_cast<const PROPSHEETPAGEW*>(l1);
        HPROPSHEETPAGE made = CreatePropertySheetPageW(page);
        if (made == nullptr) return 0;
        sheet->pages.push_back(made);
        sheet->titles.push_back(page->pszTitle != nullptr ? page->pszTitle : L"");
        sheet->records.push_back(*page);
        return reinterpret_cast<LONG_PTR>(made);
    }
    return 0;
}

bool Sheet::Open(int startPage) {
    plugin = CreatePluginObject();
    if (plugin == nullptr) return false;
    params_.cbSize = sizeof params_;
    params_.pPrinterName = &printer_[0];
    info.cbSize = sizeof info;
    info.Version = PROPSHEETUI_INFO_VERSION;
    info.Flags = PSUIINFO_UNICODE;
    info.Reason = PROPSHEETUI_REASON_INIT;
    info.hComPropSheet = this;
    info.pfnComPropSheet = ComPropSheet;
    info.lParamInit = reinterpret_cast<LPARAM>(&params_);
    if (FAILED(plugin->DevicePropertySheets(&info, info.lParamInit)) || pages.empty()) return false;
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS;
    header.pszCaption = printer_.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = static_cast<UINT>(startPage);
    header.phpage = pages.data();
    hwnd_ = reinterpret_cast<HWND>(PropertySheetW(&header));
    Pump();
    return hwnd_ != nullptr;
}

HWND Sheet::CommandsPage() const {
    return reinterpret_cast<HWND>(SendMessageW(hwnd_, PSM_INDEXTOHWND, 0, 0));
}

std::wstring Sheet::Text(int id) const {
    std::vector<wchar_t> buffer(20000);
    GetWindowTextW(Item(id), buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}

void Sheet::SetText(int id, const std::wstring& text) {
    SetWindowTextW(Item(id), text.c_str());
    Pump();
}

void Sheet::Click(int id) {
    SendMessageW(Item(id), BM_CLICK, 0, 0);
    Pump();
}

void Sheet::Scroll(int scrollBarId, bool up) {
    HWND bar = Item(scrollBarId);
    SendMessageW(CommandsPage(), WM_VSCROLL, MAKEWPARAM(up ? SB_LINEUP : SB_LINEDOWN, 0),
                 reinterpret_cast<LPARAM>(bar));
    SendMessageW(CommandsPage(), WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0),
                 reinterpret_cast<LPARAM>(bar));
    Pump();
}

bool Sheet::Apply() {
    const bool applied = SendMessageW(hwnd_, PSM_APPLY, 0, 0) != 0;
    Pump();
    return applied;
}

bool Sheet::ApplyEnabled() const {
    return IsWindowEnabled(GetDlgItem(hwnd_, 0x3021)) != FALSE;
}

void Sheet::MarkUnchanged() {
    SendMessageW(hwnd_, PSM_UNCHANGED, reinterpret_cast<WPARAM>(CommandsPage()), 0);
    Pump();
}

void Sheet::Close() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
        Pump();
    } else {
        for (HPROPSHEETPAGE page : pages) DestroyPropertySheetPage(page);
    }
    pages.clear();
    if (plugin != nullptr) {
        info.Reason = PROPSHEETUI_REASON_DESTROY;
        plugin->DevicePropertySheets(&info, 0);
        plugin->Release();
        plugin = nullptr;
    }
}

void Pump() {
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

BoxAnswerer::BoxAnswerer() {
    InitializeCriticalSection(&lock_);
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer() {
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(stop_);
    DeleteCriticalSection(&lock_);
}

std::vector<BoxAnswerer::Box> BoxAnswerer::Boxes() {
    EnterCriticalSection(&lock_);
    std::vector<Box> copy = boxes_;
    LeaveCriticalSection(&lock_);
    return copy;
}

namespace {

struct Found {
    HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lParam) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 15);
    // A message box is a dialog with its text in the static of id 0xFFFF.
    if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && wcscmp(cls, L"#32770") == 0 &&
        GetDlgItem(hwnd, 0xFFFF) != nullptr && GetDlgItem(hwnd, 0x3021) == nullptr) {
        reinterpret_cast<Found*>(lParam)->box = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::wstring TextOf(HWND hwnd) {
    std::vector<wchar_t> buffer(4096);
    GetWindowTextW(hwnd, buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}

}  // namespace

DWORD WINAPI BoxAnswerer::Run(void* self) {
    BoxAnswerer* answerer = static_cast<BoxAnswerer*>(self);
    HWND answered = nullptr;
    while (WaitForSingleObject(answerer->stop_, 20) == WAIT_TIMEOUT) {
        Found found;
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&found));
        if (found.box == nullptr || found.box == answered) continue;
        Box box;
        box.caption = TextOf(found.box);
        box.text = TextOf(GetDlgItem(found.box, 0xFFFF));
        box.owner = GetWindow(found.box, GW_OWNER);
        DWORD_PTR front = 0;
        SendMessageTimeoutW(box.owner, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_BLOCK, 1000, &front);
        box.front = reinterpret_cast<HWND>(front);
        EnterCriticalSection(&answerer->lock_);
        answerer->boxes_.push_back(box);
        LeaveCriticalSection(&answerer->lock_);
        answered = found.box;
        PostMessageW(found.box, WM_COMMAND, IDOK, 0);
    }
    return 0;
}

void SetKeyDenial(const std::wstring& subkey, DWORD deniedRights) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, WRITE_DAC, &key) != 0) std::abort();
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    BYTE aclBuffer[256];
    ACL* acl = reinterpret_cast<ACL*>(aclBuffer);
    InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
    if (deniedRights != 0) AddAccessDeniedAce(acl, ACL_REVISION, deniedRights, everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    if (RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd) != 0) std::abort();
    FreeSid(everyone);
    RegCloseKey(key);
}

void DenyOnSettingsKey(const std::wstring& printer, DWORD deniedRights) {
    SetKeyDenial(KeyPathOf(printer), deniedRights);
}

void AllowAllOnSettingsKey(const std::wstring& printer) { SetKeyDenial(KeyPathOf(printer), 0); }

std::wstring KeyPathOf(const std::wstring& printer) {
    std::wstring path = L"SOFTWARE\\KYR_POS_PRINTER\\";
    for (wchar_t c : printer) path += c == L' ' ? L'_' : c;
    return path;
}

void DeleteSettingsKey(const std::wstring& printer) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, KeyPathOf(printer).c_str());
}

bool KeyExists(const std::wstring& printer) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyPathOf(printer).c_str(), 0, KEY_READ, &key) != 0)
        return false;
    RegCloseKey(key);
    return true;
}

bool ReadValue(const std::wstring& printer, const wchar_t* name, std::vector<BYTE>* bytes,
               DWORD* type) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyPathOf(printer).c_str(), 0, KEY_READ, &key) != 0)
        return false;
    DWORD size = 0;
    DWORD t = 0;
    RegQueryValueExW(key, name, nullptr, &t, nullptr, &size);
    bytes->assign(size + 1, 0);
    const LONG status = RegQueryValueExW(key, name, nullptr, &t, bytes->data(), &size);
    RegCloseKey(key);
    if (status != 0) return false;
    bytes->resize(size);
    if (type != nullptr) *type = t;
    return true;
}

void WriteValue(const std::wstring& printer, const wchar_t* name, const std::vector<BYTE>& bytes) {
    HKEY key;
    if (RegCreateKeyW(HKEY_LOCAL_MACHINE, KeyPathOf(printer).c_str(), &key) != 0) std::abort();
    RegSetValueExW(key, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

}  // namespace kyr_test

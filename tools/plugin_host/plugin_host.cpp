// plugin_host --dll <path to UI730.DLL> --printer <name> [--printer <name> ...]
//             [--script <file>] [--out <file>]
//
// Does towards the plug-in what the universal driver's user interface does when the user
// opens a printer's properties: loads the DLL by path, gets its class factory, creates the
// plug-in object, publishes a driver interface, asks for the private devmode's size and
// default, calls DevicePropertySheets with a PROPSHEETUI_INFO whose page callback collects
// the pages, and shows them in a property sheet (one modeless sheet per printer, all in
// this one process). Without a script the sheets stay until the user closes them.
//
// The script (UTF-8, one step per line, sheets numbered from 0) plays the user:
//   wait <ms>                  page <sheet> <index>       settext <sheet> <id> <text>
//   click <sheet> <id>         scroll <sheet> <id> up|down
//   apply <sheet>              unchanged <sheet>          dump <sheet>
//   ok <sheet>                 cancel <sheet>             exit
//   type <sheet> <id> <text>   (at the end of the box, character by character, as typed)
//   denywrite <HKLM subkey>    allowwrite <HKLM subkey>    denyread <HKLM subkey>
// denywrite gives the key an access list that refuses setting values and making sub-keys
// to everyone, as a user without the right to change the machine's settings meets it;
// denyread one that refuses reading values (the sheets of a run load before its steps, so
// the next run's sheets meet it); allowwrite gives everyone full access again.
// Control ids refer to the sheet's current page; page 0 is the driver's own page, the
// plug-in's pages follow and the sheet opens on the first of them. What happened goes to --out (UTF-8) or
// to standard output.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <winspool.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "plugin/oem_ui.h"

namespace {

typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, void**);
typedef HRESULT(STDAPICALLTYPE* CanUnloadNowFn)();

FILE* g_out = stdout;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

void Log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(g_out, format, args);
    va_end(args);
    std::fputc('\n', g_out);
    std::fflush(g_out);
}

// The driver interface the host publishes; the plug-in only keeps it.
class DriverInterface : public IPrintOemDriverUI {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPrintOemDriverUI)) {
            *out = static_cast<IPrintOemDriverUI*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }
    HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD,
                                                  PDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE, PCSTR, PCSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID, PVOID, DWORD, DWORD) override {
        return E_NOTIMPL;
    }
    LONG refs() const { return refs_; }

private:
    volatile LONG refs_ = 1;
};

// The driver's own first page, which the plug-in's pages join. Its size is that of the
// universal driver's pages, so the sheet is as large as on a real system (the plug-in's page
// uses a larger font than the sheet and would be cut in a sheet sized for it alone).
class DriverPageTemplate {
public:
    DriverPageTemplate() {
        Word(LOWORD(kStyle)); Word(HIWORD(kStyle));  // style
        Word(0); Word(0);                            // extended style
        Word(1);                                     // one control
        Word(0); Word(0); Word(252); Word(218);      // x, y, cx, cy
        Word(0); Word(0); Text(L"Device Settings");  // no menu, default class, title
        Word(8); Text(L"MS Shell Dlg");
        Align();
        const DWORD staticStyle = WS_CHILD | WS_VISIBLE | SS_LEFT;
        Word(LOWORD(staticStyle)); Word(HIWORD(staticStyle));
        Word(0); Word(0);
        Word(7); Word(7); Word(238); Word(24);
        Word(0xFFFF);                                // id
        Word(0xFFFF); Word(0x0082);                  // static class
        Text(L"Settings of the universal printer driver (stand-in host)");
        Word(0);                                     // no creation data
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    static constexpr DWORD kStyle = DS_SETFONT | WS_CHILD | WS_CAPTION;
    void Word(WORD w) { words_.push_back(w); }
    void Text(const wchar_t* text) {
        for (; *text != L'\0'; ++text) words_.push_back(static_cast<WORD>(*text));
        words_.push_back(0);
    }
    void Align() {
        if (words_.size() % 2 != 0) words_.push_back(0);
    }
    std::vector<WORD> words_;
};

INT_PTR CALLBACK DriverPageProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

struct SheetHost {
    std::wstring printer;
    HANDLE printerHandle = nullptr;
    IPrintOemUI* plugin = nullptr;
    OEMUIPSPARAM params = {};
    PROPSHEETUI_INFO info = {};
    std::vector<HPROPSHEETPAGE> pages;
    std::wstring caption;
    HWND hwnd = nullptr;
    std::vector<BYTE> privateDevmode;
};

LONG_PTR CALLBACK ComPropSheet(HANDLE handle, UINT function, LPARAM lParam1, LPARAM) {
    SheetHost* sheet = static_cast<SheetHost*>(handle);
    switch (function) {
        case CPSFUNC_GET_PAGECOUNT:
            return static_cast<LONG_PTR>(sheet->pages.size());
        case CPSFUNC_ADD_PROPSHEETPAGEW: {
            HPROPSHEETPAGE page =
                CreatePropertySheetPageW(reinterpret_cast<const PROPSHEETPAGEW*>(lParam1));
            if (page == nullptr) return 0;
            sheet->pages.push_back(page);
            return reinterpret_cast<LONG_PTR>(page);
        }
        case CPSFUNC_ADD_HPROPSHEETPAGE:
            if (lParam1 == 0) return 0;
            sheet->pages.push_back(reinterpret_cast<HPROPSHEETPAGE>(lParam1));
            return lParam1;
        default:
            return 0;
    }
}

IPrintOemUI* CreatePlugin(GetClassObjectFn getClassObject, DriverInterface* driver) {
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    Log("DllGetClassObject 0x%08lX", static_cast<unsigned long>(hr));
    if (FAILED(hr)) return nullptr;
    IPrintOemUI* plugin = nullptr;
    hr = factory->CreateInstance(nullptr, IID_IPrintOemUI, reinterpret_cast<void**>(&plugin));
    factory->Release();
    Log("CreateInstance 0x%08lX", static_cast<unsigned long>(hr));
    if (FAILED(hr)) return nullptr;
    hr = plugin->PublishDriverInterface(driver);
    Log("PublishDriverInterface 0x%08lX", static_cast<unsigned long>(hr));
    DWORD value = 0, needed = 0;
    hr = plugin->GetInfo(OEMGI_GETSIGNATURE, &value, sizeof value, &needed);
    Log("GetInfo signature 0x%08lX %08lX", static_cast<unsigned long>(hr),
        static_cast<unsigned long>(value));
    return plugin;
}

bool BuildSheet(SheetHost* sheet, GetClassObjectFn getClassObject, DriverInterface* driver) {
    sheet->plugin = CreatePlugin(getClassObject, driver);
    if (sheet->plugin == nullptr) return false;
    OpenPrinterW(&sheet->printer[0], &sheet->printerHandle, nullptr);

    OEMDMPARAM dm = {};
    dm.cbSize = sizeof dm;
    dm.hPrinter = sheet->printerHandle;
    HRESULT hr = sheet->plugin->DevMode(OEMDM_SIZE, &dm);
    Log("DevMode size 0x%08lX %lu", static_cast<unsigned long>(hr),
        static_cast<unsigned long>(dm.cbBufSize));
    if (SUCCEEDED(hr) && dm.cbBufSize >= 16 && dm.cbBufSize <= 4096) {
        sheet->privateDevmode.assign(dm.cbBufSize, 0);
        dm.pOEMDMOut = sheet->privateDevmode.data();
        hr = sheet->plugin->DevMode(OEMDM_DEFAULT, &dm);
        Log("DevMode default 0x%08lX", static_cast<unsigned long>(hr));
    }

    OEMCUIPPARAM cuip = {};
    cuip.cbSize = sizeof cuip;
    cuip.hPrinter = sheet->printerHandle;
    cuip.pPrinterName = &sheet->printer[0];
    hr = sheet->plugin->CommonUIProp(OEMCUIP_PRNPROP, &cuip);
    Log("CommonUIProp 0x%08lX %lu", static_cast<unsigned long>(hr),
        static_cast<unsigned long>(cuip.cOEMOptItems));

    static DriverPageTemplate driverPage;
    PROPSHEETPAGEW own = {};
    own.dwSize = PROPSHEETPAGEW_V1_SIZE;
    own.dwFlags = PSP_DLGINDIRECT;
    own.hInstance = GetModuleHandleW(nullptr);
    own.pResource = driverPage.get();
    own.pfnDlgProc = DriverPageProc;
    HPROPSHEETPAGE ownPage = CreatePropertySheetPageW(&own);
    if (ownPage != nullptr) sheet->pages.push_back(ownPage);
    const UINT firstPluginPage = static_cast<UINT>(sheet->pages.size());

    sheet->params.cbSize = sizeof sheet->params;
    sheet->params.hPrinter = sheet->printerHandle;
    sheet->params.pPrinterName = &sheet->printer[0];
    sheet->params.hOEMHeap = GetProcessHeap();
    sheet->info.cbSize = sizeof sheet->info;
    sheet->info.Version = PROPSHEETUI_INFO_VERSION;
    sheet->info.Flags = PSUIINFO_UNICODE;
    sheet->info.Reason = PROPSHEETUI_REASON_INIT;
    sheet->info.hComPropSheet = sheet;
    sheet->info.pfnComPropSheet = ComPropSheet;
    sheet->info.lParamInit = reinterpret_cast<LPARAM>(&sheet->params);
    hr = sheet->plugin->DevicePropertySheets(&sheet->info, sheet->info.lParamInit);
    Log("DevicePropertySheets init 0x%08lX pages %u", static_cast<unsigned long>(hr),
        static_cast<unsigned>(sheet->pages.size() - firstPluginPage));
    if (FAILED(hr) || sheet->pages.size() == firstPluginPage) {
        for (HPROPSHEETPAGE page : sheet->pages) DestroyPropertySheetPage(page);
        sheet->pages.clear();
        return false;
    }

    PROPSHEETUI_INFO_HEADER header = {};
    header.cbSize = sizeof header;
    sheet->info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
    sheet->plugin->DevicePropertySheets(&sheet->info, reinterpret_cast<LPARAM>(&header));
    Log("header title %s", header.pTitle != nullptr ? Utf8(header.pTitle).c_str() : "");
    // Like the driver's sheet, the window is captioned with the printer, not the plug-in.
    sheet->caption = sheet->printer + L" Properties";

    PROPSHEETHEADERW psh = {};
    psh.dwSize = sizeof psh;
    psh.dwFlags = PSH_MODELESS;
    // Opened on the plug-in's first page, as after the user picked its tab.
    psh.nStartPage = firstPluginPage;
    psh.pszCaption = sheet->caption.c_str();
    psh.nPages = static_cast<UINT>(sheet->pages.size());
    psh.phpage = sheet->pages.data();
    sheet->hwnd = reinterpret_cast<HWND>(PropertySheetW(&psh));
    if (sheet->hwnd == nullptr) {
        for (HPROPSHEETPAGE page : sheet->pages) DestroyPropertySheetPage(page);
        sheet->pages.clear();
        return false;
    }
    return true;
}

void ReleaseSheet(SheetHost* sheet) {
    if (sheet->hwnd != nullptr) {
        DestroyWindow(sheet->hwnd);
        sheet->hwnd = nullptr;
    }
    if (sheet->plugin != nullptr) {
        sheet->info.Reason = PROPSHEETUI_REASON_DESTROY;
        sheet->plugin->DevicePropertySheets(&sheet->info, 0);
        sheet->plugin->Release();
        sheet->plugin = nullptr;
    }
    if (sheet->printerHandle != nullptr) ClosePrinter(sheet->printerHandle);
    sheet->printerHandle = nullptr;
}

std::wstring WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(hwnd, &text[0], length + 1);
    text.resize(wcslen(text.c_str()));
    return text;
}

std::string Escaped(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c == L'\n') {
            out += "\\n";
        } else if (c == L'\r') {
            out += "\\r";
        } else {
            out += Utf8(std::wstring(1, c));
        }
    }
    return out;
}

void DumpSheet(int index, SheetHost* sheet) {
    if (sheet->hwnd == nullptr) {
        Log("sheet %d closed", index);
        return;
    }
    HWND page = PropSheet_GetCurrentPageHwnd(sheet->hwnd);
    HWND tabs = PropSheet_GetTabControl(sheet->hwnd);
    const int count = TabCtrl_GetItemCount(tabs);
    std::wstring titles;
    for (int i = 0; i < count; ++i) {
        wchar_t title[128] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = title;
        item.cchTextMax = 127;
        SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        if (i > 0) titles += L"|";
        titles += title;
    }
    Log("sheet %d caption=%s tabs=%s current=%d apply=%d", index,
        Escaped(WindowText(sheet->hwnd)).c_str(), Escaped(titles).c_str(),
        TabCtrl_GetCurSel(tabs), IsWindowEnabled(GetDlgItem(sheet->hwnd, 0x3021)) ? 1 : 0);
    RECT unit = {0, 0, 4, 8};
    MapDialogRect(page, &unit);
    for (HWND child = GetWindow(page, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[64] = {};
        GetClassNameW(child, cls, 63);
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        std::string checked = "-";
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (_wcsicmp(cls, L"Button") == 0 && (style & 0x0F) != BS_GROUPBOX) {
            checked = SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
        }
        std::string extra;
        if (_wcsicmp(cls, L"ScrollBar") == 0) {
            int low = 0, high = 0;
            GetScrollRange(child, SB_CTL, &low, &high);
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, " pos=%d range=%d..%d",
                          GetScrollPos(child, SB_CTL), low, high);
            extra = buffer;
        } else if (_wcsicmp(cls, L"Edit") == 0) {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, " limit=%ld",
                          static_cast<long>(SendMessageW(child, EM_GETLIMITTEXT, 0, 0)));
            extra = buffer;
        }
        std::string font = "-";
        HFONT hfont = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        LOGFONTW lf;
        if (hfont != nullptr && GetObjectW(hfont, sizeof lf, &lf) == sizeof lf) {
            font = Utf8(lf.lfFaceName) + "," + std::to_string(lf.lfHeight);
        }
        const int dx = unit.right > 0 ? unit.right : 1;
        const int dy = unit.bottom > 0 ? unit.bottom : 1;
        Log("control %d id=%d class=%s enabled=%d visible=%d checked=%s style=0x%08lX "
            "dlu=%d,%d,%d,%d font=%s%s text=%s",
            index, GetDlgCtrlID(child), Utf8(cls).c_str(), IsWindowEnabled(child) ? 1 : 0,
            IsWindowVisible(child) ? 1 : 0, checked.c_str(), static_cast<unsigned long>(style),
            (r.left * 4 + dx / 2) / dx, (r.top * 8 + dy / 2) / dy,
            ((r.right - r.left) * 4 + dx / 2) / dx, ((r.bottom - r.top) * 8 + dy / 2) / dy,
            font.c_str(), extra.c_str(), Escaped(WindowText(child)).c_str());
    }
    Log("end %d", index);
}

// The key's access list: full access for everyone, less what `denied` names.
void SetKeyRights(const std::wstring& subkey, DWORD denied) {
    HKEY key;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, WRITE_DAC, &key);
    if (status != ERROR_SUCCESS) {
        Log("key rights %ld", status);
        return;
    }
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    DWORD aclBuffer[64];
    ACL* acl = reinterpret_cast<ACL*>(aclBuffer);
    InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
    if (denied != 0) AddAccessDeniedAce(acl, ACL_REVISION, denied, everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
    Log("key rights %ld", status);
    FreeSid(everyone);
    RegCloseKey(key);
}

struct Script {
    std::vector<std::wstring> lines;
    size_t next = 0;
    DWORD waitUntil = 0;
    bool done = false;
};

std::vector<std::wstring> ReadScript(const wchar_t* path) {
    std::vector<std::wstring> lines;
    FILE* f = _wfopen(path, L"rb");
    if (f == nullptr) return lines;
    std::string data;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.append(buffer, n);
    std::fclose(f);
    size_t start = 0;
    while (start <= data.size()) {
        size_t end = data.find('\n', start);
        if (end == std::string::npos) end = data.size();
        std::string line = data.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) {
            const int w = MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, nullptr, 0);
            std::wstring wide(static_cast<size_t>(w), L'\0');
            MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, &wide[0], w);
            wide.resize(static_cast<size_t>(w - 1));
            lines.push_back(wide);
        }
        start = end + 1;
    }
    return lines;
}

// Splits off `count` words; the rest of the line (after one blank) is the last element.
std::vector<std::wstring> Words(const std::wstring& line, size_t count) {
    std::vector<std::wstring> words;
    size_t at = 0;
    while (words.size() < count && at <= line.size()) {
        size_t end = line.find(L' ', at);
        if (end == std::wstring::npos) end = line.size();
        words.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    words.push_back(at <= line.size() ? line.substr(at) : std::wstring());
    return words;
}

void RunStep(const std::wstring& line, std::vector<SheetHost>& sheets, Script& script) {
    Log("step %s", Utf8(line).c_str());
    const std::vector<std::wstring> w = Words(line, 3);
    const std::wstring& verb = w[0];
    if (verb == L"exit") {
        script.done = true;
        return;
    }
    if (verb == L"wait") {
        script.waitUntil = GetTickCount() + static_cast<DWORD>(_wtoi(w[1].c_str()));
        return;
    }
    if (verb == L"denywrite" || verb == L"allowwrite" || verb == L"denyread") {
        const std::wstring subkey = Words(line, 1)[1];
        DWORD denied = 0;
        if (verb == L"denywrite") denied = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
        if (verb == L"denyread") denied = KEY_QUERY_VALUE;
        SetKeyRights(subkey, denied);
        return;
    }
    const int index = _wtoi(w[1].c_str());
    if (index < 0 || index >= static_cast<int>(sheets.size()) || sheets[index].hwnd == nullptr) {
        Log("no sheet %d", index);
        return;
    }
    SheetHost& sheet = sheets[index];
    HWND page = PropSheet_GetCurrentPageHwnd(sheet.hwnd);
    const int id = _wtoi(w[2].c_str());
    if (verb == L"page") {
        PropSheet_SetCurSel(sheet.hwnd, nullptr, id);
    } else if (verb == L"settext") {
        const std::wstring text = Words(line, 3)[3];
        SetDlgItemTextW(page, id, text.c_str());
    } else if (verb == L"type") {
        HWND edit = GetDlgItem(page, id);
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
        const std::wstring text = Words(line, 3)[3];
        for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
    } else if (verb == L"click") {
        SendMessageW(GetDlgItem(page, id), BM_CLICK, 0, 0);
    } else if (verb == L"scroll") {
        HWND bar = GetDlgItem(page, id);
        const bool up = Words(line, 3)[3] == L"up";
        SendMessageW(page, WM_VSCROLL, MAKEWPARAM(up ? SB_LINEUP : SB_LINEDOWN, 0),
                     reinterpret_cast<LPARAM>(bar));
        SendMessageW(page, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(bar));
    } else if (verb == L"apply") {
        HWND button = GetDlgItem(sheet.hwnd, 0x3021);
        const bool enabled = IsWindowEnabled(button) != FALSE;
        Log("apply %d enabled=%d", index, enabled ? 1 : 0);
        if (enabled) SendMessageW(button, BM_CLICK, 0, 0);
    } else if (verb == L"unchanged") {
        PropSheet_UnChanged(sheet.hwnd, page);
    } else if (verb == L"dump") {
        DumpSheet(index, &sheet);
    } else if (verb == L"ok") {
        PropSheet_PressButton(sheet.hwnd, PSBTN_OK);
    } else if (verb == L"cancel") {
        PropSheet_PressButton(sheet.hwnd, PSBTN_CANCEL);
    } else {
        Log("unknown step");
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring dll = L"UI730.DLL";
    std::vector<std::wstring> printers;
    const wchar_t* scriptPath = nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (wcscmp(argv[i], L"--dll") == 0) dll = argv[i + 1];
        else if (wcscmp(argv[i], L"--printer") == 0) printers.push_back(argv[i + 1]);
        else if (wcscmp(argv[i], L"--script") == 0) scriptPath = argv[i + 1];
        else if (wcscmp(argv[i], L"--out") == 0) {
            FILE* f = _wfopen(argv[i + 1], L"wb");
            if (f != nullptr) g_out = f;
        }
    }
    if (printers.empty()) {
        Log("usage: plugin_host --dll <UI730.DLL> --printer <name> [--script <file>] [--out <file>]");
        return 2;
    }
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    HMODULE module = LoadLibraryW(dll.c_str());
    if (module == nullptr) {
        Log("LoadLibrary %s failed %lu", Utf8(dll).c_str(), GetLastError());
        return 3;
    }
    GetClassObjectFn getClassObject =
        reinterpret_cast<GetClassObjectFn>(GetProcAddress(module, "DllGetClassObject"));
    CanUnloadNowFn canUnloadNow =
        reinterpret_cast<CanUnloadNowFn>(GetProcAddress(module, "DllCanUnloadNow"));
    if (getClassObject == nullptr || canUnloadNow == nullptr) {
        Log("exports missing");
        FreeLibrary(module);
        return 4;
    }

    DriverInterface driver;
    std::vector<SheetHost> sheets(printers.size());
    int status = 0;
    for (size_t i = 0; i < printers.size(); ++i) {
        sheets[i].printer = printers[i];
        if (!BuildSheet(&sheets[i], getClassObject, &driver)) {
            Log("sheet %u not shown", static_cast<unsigned>(i));
            status = 5;
        } else {
            Log("sheet %u shown", static_cast<unsigned>(i));
        }
    }

    Script script;
    if (scriptPath != nullptr) script.lines = ReadScript(scriptPath);
    const bool scripted = scriptPath != nullptr;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, nullptr);
    for (;;) {
        bool open = false;
        for (SheetHost& sheet : sheets) {
            if (sheet.hwnd != nullptr && PropSheet_GetCurrentPageHwnd(sheet.hwnd) == nullptr) {
                // OK, Cancel or the close box ended this sheet.
                DestroyWindow(sheet.hwnd);
                sheet.hwnd = nullptr;
            }
            open |= sheet.hwnd != nullptr;
        }
        if (!open || script.done) break;
        MSG msg;
        if (!GetMessageW(&msg, nullptr, 0, 0)) break;
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
            if (scripted && GetTickCount() >= script.waitUntil) {
                if (script.next < script.lines.size()) {
                    RunStep(script.lines[script.next++], sheets, script);
                } else {
                    script.done = true;
                }
            }
            continue;
        }
        bool handled = false;
        for (SheetHost& sheet : sheets) {
            if (sheet.hwnd != nullptr && PropSheet_IsDialogMessage(sheet.hwnd, &msg)) {
                handled = true;
                break;
            }
        }
        if (!handled) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    KillTimer(nullptr, timer);
    for (SheetHost& sheet : sheets) ReleaseSheet(&sheet);
    Log("driver interface references %ld", driver.refs());
    const HRESULT unload = canUnloadNow();
    Log("DllCanUnloadNow 0x%08lX", static_cast<unsigned long>(unload));
    if (unload == S_OK) FreeLibrary(module);
    Log("exit %d", status);
    if (g_out != stdout) std::fclose(g_out);
    return status;
}

// Loading UI730.DLL the way the driver's user interface does, and a small property-sheet
// host for its pages.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "plugin/oem_ui.h"

namespace kyr_test {

typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, void**);
typedef HRESULT(STDAPICALLTYPE* CanUnloadNowFn)();

struct Plugin {
    HMODULE module = nullptr;
    GetClassObjectFn getClassObject = nullptr;
    CanUnloadNowFn canUnloadNow = nullptr;
};

// The DLL stays loaded for the whole test program.
const Plugin& LoadPlugin();
IPrintOemUI* CreatePluginObject();

// The host object the driver hands to PublishDriverInterface: it answers
// IID_IPrintOemDriverUI unless told not to, and counts its references.
class HostObject : public IPrintOemDriverUI {
public:
    explicit HostObject(bool answersDriverUi) : answers_(answersDriverUi) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD,
                                                  PDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE, PCSTR, PCSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID, PVOID, DWORD, DWORD) override {
        return E_NOTIMPL;
    }
    LONG refs = 1;
    int queries = 0;

private:
    bool answers_;
};

// One printer's property sheet, modeless, with the pages the plug-in added.
class Sheet {
public:
    explicit Sheet(const std::wstring& printer);
    ~Sheet();
    // startPage 1 opens the sheet on the "About" page: the commands page is made only
    // when the user first picks it.
    bool Open(int startPage = 0);
    HWND hwnd() const { return hwnd_; }
    HWND CommandsPage() const;
    HWND Item(int id) const { return GetDlgItem(CommandsPage(), id); }
    std::wstring Text(int id) const;
    void SetText(int id, const std::wstring& text);
    void Click(int id);
    void Scroll(int scrollBarId, bool up);
    // The sheet's answer: false when a page refused the apply.
    bool Apply();
    bool ApplyEnabled() const;
    void MarkUnchanged();
    void Close();

    IPrintOemUI* plugin = nullptr;
    PROPSHEETUI_INFO info = {};
    std::vector<HPROPSHEETPAGE> pages;
    std::vector<std::wstring> titles;
    std::vector<PROPSHEETPAGEW> records;  // as the plug-in handed them over
    int pageCountQueries = 0;

private:
    static LONG_PTR CALLBACK ComPropSheet(HANDLE sheet, UINT function, LPARAM l1, LPARAM l2);
    std::wstring printer_;
    OEMUIPSPARAM params_ = {};
    HWND hwnd_ = nullptr;
};

void Pump();

// Answers the message boxes of this process that come up while it lives, from a thread of
// its own (the box is modal on the thread that applies), pressing OK and recording each.
class BoxAnswerer {
public:
    struct Box {
        std::wstring caption;
        std::wstring text;
        HWND owner;
        HWND front;  // the owner sheet's page in front when the box came up
    };
    BoxAnswerer();
    ~BoxAnswerer();
    std::vector<Box> Boxes();  // those answered so far

private:
    static DWORD WINAPI Run(void* self);
    HANDLE thread_ = nullptr;
    HANDLE stop_ = nullptr;
    CRITICAL_SECTION lock_;
    std::vector<Box> boxes_;
};

// Access lists on the printer's settings key: the key stays, but the calls named are
// refused to everyone, as for a user without the right to change the machine's settings.
void DenyOnSettingsKey(const std::wstring& printer, DWORD deniedRights);
void AllowAllOnSettingsKey(const std::wstring& printer);
// The same for any key below HKEY_LOCAL_MACHINE: full access to everyone less deniedRights.
void SetKeyDenial(const std::wstring& subkey, DWORD deniedRights);

std::wstring KeyPathOf(const std::wstring& printer);
void DeleteSettingsKey(const std::wstring& printer);
bool KeyExists(const std::wstring& printer);
// The value's bytes, or false when it cannot be read.
bool ReadValue(const std::wstring& printer, const wchar_t* name, std::vector<BYTE>* bytes,
               DWORD* type = nullptr);
void WriteValue(const std::wstring& printer, const wchar_t* name, const std::vector<BYTE>& bytes);

}  // namespace kyr_test

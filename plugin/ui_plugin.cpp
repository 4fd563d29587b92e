#include "plugin/ui_plugin.h"

#include "plugin/debug_trace.h"
#include "plugin/module_state.h"
#include "plugin/private_devmode.h"

namespace kyr {
namespace {

const wchar_t kColorProfile[] = L"OEMPROFILE.icm";
// The name takes 30 bytes; the size the driver has always been told is 32.
constexpr ULONG kColorProfileBytes = 32;

}  // namespace

UiPlugin::UiPlugin() : refCount_(1), driverInterface(nullptr) {
    InterlockedIncrement(&objectCount);
}

UiPlugin::~UiPlugin() { InterlockedDecrement(&objectCount); }

HRESULT STDMETHODCALLTYPE UiPlugin::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPrintOemUI)) {
        *out = static_cast<IPrintOemUI*>(this);
        static_cast<IPrintOemUI*>(this)->AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE UiPlugin::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE UiPlugin::Release() {
    const LONG count = InterlockedDecrement(&refCount_);
    if (count != 0) return static_cast<ULONG>(count);
    if (driverInterface != nullptr) {
        driverInterface->Release();
        driverInterface = nullptr;
    }
    delete this;
    return 0;
}

HRESULT STDMETHODCALLTYPE UiPlugin::GetInfo(DWORD mode, PVOID buffer, DWORD size,
                                            PDWORD needed) {
    if (needed == nullptr ||
        (mode != OEMGI_GETSIGNATURE && mode != OEMGI_GETVERSION && mode != OEMGI_GETPUBLISHERINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    *needed = sizeof(DWORD);
    if (size < sizeof(DWORD) || buffer == nullptr) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return E_FAIL;
    }
    switch (mode) {
        case OEMGI_GETSIGNATURE:
            *static_cast<DWORD*>(buffer) = kPluginSignature;
            return S_OK;
        case OEMGI_GETVERSION:
            *static_cast<DWORD*>(buffer) = kPluginVersion;
            return S_OK;
        default:  // OEMGI_GETPUBLISHERINFO: we publish nothing
            *needed = 0;
            SetLastError(ERROR_NOT_SUPPORTED);
            return E_FAIL;
    }
}

HRESULT STDMETHODCALLTYPE UiPlugin::DevMode(DWORD mode, POEMDMPARAM param) {
    if (param == nullptr || mode < OEMDM_SIZE || mode > OEMDM_MERGE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    switch (mode) {
        case OEMDM_SIZE:
            param->cbBufSize = kPrivateDevmodeSize;
            break;
        case OEMDM_DEFAULT:
            WriteDefaultPrivateDevmode(param->pOEMDMOut);
            break;
        case OEMDM_CONVERT:
            ConvertPrivateDevmode(param->pOEMDMIn, param->pOEMDMOut);
            break;
        case OEMDM_MERGE:
            ConvertPrivateDevmode(param->pOEMDMIn, param->pOEMDMOut);
            ValidatePrivateDevmode(param->pOEMDMOut);
            break;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE UiPlugin::PublishDriverInterface(IUnknown* host) {
    if (driverInterface != nullptr) return S_OK;
    if (host == nullptr) return E_FAIL;
    void* answer = nullptr;
    if (FAILED(host->QueryInterface(IID_IPrintOemDriverUI, &answer)) || answer == nullptr) {
        driverInterface = nullptr;
        return E_FAIL;
    }
    driverInterface = static_cast<IPrintOemDriverUI*>(answer);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE UiPlugin::CommonUIProp(DWORD mode, POEMCUIPPARAM param) {
    if (mode == OEMCUIP_DOCPROP) {
        DebugTrace("STEP : OEMCUIP_DOCPROP\n");
    } else if (mode == OEMCUIP_PRNPROP) {
        DebugTrace("STEP : OEMCUIP_PRNPROP\n");
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    if (param == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    // The first call only asks how many items we want; the items that come with the second
    // call are left as the driver supplied them.
    if (param->pOEMOptItems == nullptr) param->cOEMOptItems = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE UiPlugin::DocumentPropertySheets(PPROPSHEETUI_INFO, LPARAM) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE UiPlugin::DevQueryPrintEx(POEMUIOBJ, PDEVQUERYPRINT_INFO, PDEVMODEW,
                                                    PVOID) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE UiPlugin::DeviceCapabilities(POEMUIOBJ, HANDLE, PWSTR, WORD, PVOID,
                                                       PDEVMODEW, PVOID, DWORD, DWORD*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE UiPlugin::UpgradePrinter(DWORD, PBYTE) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE UiPlugin::DriverEvent(DWORD, DWORD, LPBYTE, LPARAM) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE UiPlugin::QueryColorProfile(HANDLE, POEMUIOBJ, PDEVMODEW, PVOID,
                                                      ULONG queryMode, VOID* data,
                                                      ULONG* dataSize, ULONG* dataFlags) {
    if (queryMode != QCP_DEVICEPROFILE) return E_FAIL;
    if (dataSize == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    if (data == nullptr || *dataSize < kColorProfileBytes) {
        *dataSize = kColorProfileBytes;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return E_FAIL;
    }
    CopyMemory(data, kColorProfile, sizeof kColorProfile);
    *dataSize = kColorProfileBytes;
    if (dataFlags != nullptr) *dataFlags = QCP_PROFILEDISK;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE UiPlugin::FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE UiPlugin::UpdateExternalFonts(HANDLE, HANDLE, PWSTR) {
    return E_NOTIMPL;
}

}  // namespace kyr

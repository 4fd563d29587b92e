// DevicePropertySheets: the pages the plug-in adds to a printer's own property sheet.
#include <windows.h>
#include <commctrl.h>

#include "plugin/commands_page.h"
#include "plugin/debug_trace.h"
#include "plugin/module_state.h"
#include "plugin/settings_store.h"
#include "plugin/ui_plugin.h"

namespace kyr {
namespace {

wchar_t kCommandsTitle[] = L"Additional Commands";
wchar_t kAboutTitle[] = L"About";
wchar_t kHeaderTitle[] = L"OEM UI Page";

LONG_PTR AddPage(PPROPSHEETUI_INFO info, int templateId, const wchar_t* title, DLGPROC proc,
                 DLGINFO* lpdi, bool ownsRecord) {
    PROPSHEETPAGEW page;
    ZeroMemory(&page, sizeof page);
    page.dwSize = PROPSHEETPAGEW_V2_SIZE;
    page.dwFlags = PSP_USETITLE;
    page.hInstance = moduleInstance;
    page.pszTemplate = MAKEINTRESOURCEW(templateId);
    page.pszTitle = title;
    page.pfnDlgProc = proc;
    page.lParam = reinterpret_cast<LPARAM>(lpdi);
    if (ownsRecord) {
        // Both pages carry the record, but only the page that uses it frees it, when the
        // sheet lets that page go.
        page.dwFlags |= PSP_USECALLBACK;
        page.pfnCallback = CommandsPageCallback;
    }
    return info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW,
                                 reinterpret_cast<LPARAM>(&page), 0);
}

}  // namespace

HRESULT STDMETHODCALLTYPE UiPlugin::DevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) {
    if (info == nullptr || info->Version != PROPSHEETUI_INFO_VERSION) {
        SetLastError(ERROR_INVALID_PARAMETER);
        DebugTrace("STEP 1\n");
        return E_FAIL;
    }
    const OEMUIPSPARAM* params = reinterpret_cast<const OEMUIPSPARAM*>(info->lParamInit);
    const WCHAR* printerName = params != nullptr ? params->pPrinterName : nullptr;
    DebugTrace("pszPrinterName=[%S]\n", printerName);
    DebugTrace("pszPrinterName=[%s]\n", printerName);
    if (info->pfnComPropSheet == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    const LONG_PTR pageCount =
        info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_GET_PAGECOUNT, 0, 0);
    DebugTrace("nPageCount=[%d]\n", static_cast<int>(pageCount));

    switch (info->Reason) {
        case PROPSHEETUI_REASON_INIT: {
            DebugTrace("nPageCount == 1\n");
            if (printerName == nullptr) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return E_FAIL;
            }
            DebugTrace("g_lpdi==NULL\n");
            DLGINFO* lpdi = CreatePageState();
            if (lpdi == nullptr) {
                SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return E_FAIL;
            }
            lstrcpynW(lpdi->MyPrinterName, printerName, kPrinterNameChars);
            lpdi->printer = params->hPrinter;
            DebugTrace("MyPrinterName=[%S]\n", lpdi->MyPrinterName);
            // The key is formed from the whole name: a name cut to the buffer could be
            // another printer's.
            VKSetRegKey(printerName, lpdi);
            DebugTrace("After VKSetRegKey\n");
            AddPage(info, IDD_COMMANDS, kCommandsTitle, CommandsPageProc, lpdi, true);
            info->Result = static_cast<ULONG_PTR>(
                AddPage(info, IDD_ABOUT, kAboutTitle, AboutPageProc, lpdi, false));
            break;
        }
        case PROPSHEETUI_REASON_GET_INFO_HEADER: {
            PPROPSHEETUI_INFO_HEADER header = reinterpret_cast<PPROPSHEETUI_INFO_HEADER>(lParam);
            if (header != nullptr) header->pTitle = kHeaderTitle;
            info->Result = 1;
            break;
        }
        case PROPSHEETUI_REASON_DESTROY:
            info->Result = 1;
            break;
        case PROPSHEETUI_REASON_SET_RESULT: {
            const SETRESULT_INFO* result = reinterpret_cast<const SETRESULT_INFO*>(lParam);
            if (result != nullptr) info->Result = static_cast<ULONG_PTR>(result->Result);
            break;
        }
        case PROPSHEETUI_REASON_GET_ICON:
            info->Result = 0;
            break;
        default:
            info->Result = static_cast<ULONG_PTR>(lParam);
            break;
    }
    return S_OK;
}

}  // namespace kyr

// The "Additional Commands" and "About" pages.
#pragma once

#include <windows.h>

#include "plugin/page_state.h"
#include "plugin/res/resource.h"

namespace kyr {

INT_PTR CALLBACK CommandsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The page's record travels with its PROPSHEETPAGE; the page frees it when the sheet
// releases the page.
UINT CALLBACK CommandsPageCallback(HWND, UINT message, LPPROPSHEETPAGEW page);

// Drawer rows: 0 end drawer 1, 1 end drawer 2, 2 start drawer 1, 3 start drawer 2.
void EnableDrawerGroup(HWND page, int row, BOOL enable);

// The control's text in the ANSI code page, held in the record's narrow buffer.
const char* ReadControlText(HWND page, int controlId, DLGINFO* lpdi);
BYTE ReadControlByte(HWND page, int controlId, DLGINFO* lpdi);

}  // namespace kyr

#include "plugin/commands_page.h"

#include <commctrl.h>

#include "plugin/apply_refusal.h"
#include "plugin/command_codec.h"
#include "plugin/command_entry.h"
#include "plugin/debug_trace.h"
#include "plugin/settings_layout.h"
#include "plugin/settings_store.h"

namespace kyr {
namespace {

struct DrawerRow {
    int checkBox;
    int edit;
    int scrollBar;
    int label;
    size_t flagOffset;  // in MiscSettings
    size_t timeOffset;
};

const DrawerRow kRows[] = {
    {IDC_END_DRAWER1, IDC_END_DRAWER1_TIME, IDC_END_DRAWER1_SCROLL, IDC_END_DRAWER1_UNIT,
     offsetof(MiscSettings, endDrawer1), offsetof(MiscSettings, endDrawer1Time)},
    {IDC_END_DRAWER2, IDC_END_DRAWER2_TIME, IDC_END_DRAWER2_SCROLL, IDC_END_DRAWER2_UNIT,
     offsetof(MiscSettings, endDrawer2), offsetof(MiscSettings, endDrawer2Time)},
    {IDC_START_DRAWER1, IDC_START_DRAWER1_TIME, IDC_START_DRAWER1_SCROLL, IDC_START_DRAWER1_UNIT,
     offsetof(MiscSettings, startDrawer1), offsetof(MiscSettings, startDrawer1Time)},
    {IDC_START_DRAWER2, IDC_START_DRAWER2_TIME, IDC_START_DRAWER2_SCROLL, IDC_START_DRAWER2_UNIT,
     offsetof(MiscSettings, startDrawer2), offsetof(MiscSettings, startDrawer2Time)},
};
constexpr int kRowCount = sizeof kRows / sizeof kRows[0];

int RowOfCheckBox(int id) {
    for (int row = 0; row < kRowCount; ++row) {
        if (kRows[row].checkBox == id) return row;
    }
    return -1;
}

int EditOfScrollBar(int id) {
    for (const DrawerRow& row : kRows) {
        if (row.scrollBar == id) return row.edit;
    }
    return 0;
}

DLGINFO* StateOf(HWND page) {
    return reinterpret_cast<DLGINFO*>(GetWindowLongPtrW(page, DWLP_USER));
}

void ShowNumber(HWND page, int id, unsigned value, DLGINFO* lpdi) {
    wsprintfW(lpdi->numberText, L"%u", value);
    SetDlgItemTextW(page, id, lpdi->numberText);
}

// A value too long to read at all cannot be shown, so the box says so and takes no typing:
// an edit, or a box cleared by mistake, would overwrite a command the user never saw.
void ShowUneditableCommand(HWND page, const CommandBox& box, DWORD length, DLGINFO* lpdi) {
    wsprintfW(lpdi->wideText,
              L"(The stored command is %lu bytes long, longer than this page can edit. "
              L"It is kept as it is.)",
              static_cast<unsigned long>(length));
    SetDlgItemTextW(page, box.editId, lpdi->wideText);
    SendDlgItemMessageW(page, box.editId, EM_SETREADONLY, TRUE, 0);
}

void ShowCommand(HWND page, const CommandBox& box, LONG readStatus, const BYTE* bytes,
                 DWORD length, DLGINFO* lpdi) {
    lpdi->wideText[0] = L'\0';
    if (readStatus == ERROR_SUCCESS) {
        FormatCommandBytes(bytes, length, lpdi->narrowText, sizeof lpdi->narrowText);
        if (MultiByteToWideChar(CP_ACP, 0, lpdi->narrowText, -1, lpdi->wideText,
                                sizeof lpdi->wideText / sizeof lpdi->wideText[0]) == 0) {
            lpdi->wideText[0] = L'\0';
        }
        SetDlgItemTextW(page, box.editId, lpdi->wideText);
    } else if (readStatus == ERROR_MORE_DATA) {
        ShowUneditableCommand(page, box, length, lpdi);
    }
    MarkCommandTouched(box.editId, FALSE, lpdi);
}

MiscSettings MiscFromPage(HWND page, DLGINFO* lpdi);

// Whether the page shows anything it could not read from the key, in place of what is
// stored there: a note on the page says so while it does.
void ShowUnreadNote(HWND page, const DLGINFO* lpdi) {
    const bool unread = lpdi->miscUnread || ReadFailed(lpdi->startReadStatus) ||
                        ReadFailed(lpdi->endReadStatus);
    ShowWindow(GetDlgItem(page, IDC_SETTINGS_UNREAD), unread ? SW_SHOW : SW_HIDE);
}

void MarkChanged(HWND page) { SendMessageW(GetParent(page), PSM_CHANGED, (WPARAM)page, 0); }

BOOL OnInitDialog(HWND page, const PROPSHEETPAGEW* sheetPage) {
    DLGINFO* lpdi = reinterpret_cast<DLGINFO*>(sheetPage->lParam);
    SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(lpdi));
    if (lpdi == nullptr) return TRUE;

    SendDlgItemMessageW(page, IDC_START_COMMAND, EM_LIMITTEXT, kCommandEditLimit, 0);
    SendDlgItemMessageW(page, IDC_END_COMMAND, EM_LIMITTEXT, kCommandEditLimit, 0);
    SendDlgItemMessageW(page, IDC_LINE_FEEDS, EM_LIMITTEXT, 2, 0);
    for (const DrawerRow& row : kRows) {
        SendDlgItemMessageW(page, row.edit, EM_LIMITTEXT, 3, 0);
    }
    for (const DrawerRow& row : kRows) {
        SetScrollRange(GetDlgItem(page, row.scrollBar), SB_CTL, kMinPulseMs + 1, kMaxPulseMs - 1,
                       FALSE);
    }

    OpenSettingsForLoad(lpdi);
    ReadSettingsValues(lpdi);

    MiscSettings misc;
    CopyMemory(&misc, lpdi->settings, sizeof misc);
    ShowNumber(page, IDC_LINE_FEEDS, misc.lineFeeds, lpdi);
    ValidateDrawerTimes(misc);
    const BYTE* fields = reinterpret_cast<const BYTE*>(&misc);
    for (const DrawerRow& row : kRows) {
        const unsigned ms = 2u * fields[row.timeOffset];
        ShowNumber(page, row.edit, ms, lpdi);
        SetScrollPos(GetDlgItem(page, row.scrollBar), SB_CTL, static_cast<int>(ms), FALSE);
    }
    for (int r = 0; r < kRowCount; ++r) {
        if (DrawerFlagSet(fields[kRows[r].flagOffset])) {
            CheckDlgButton(page, kRows[r].checkBox, BST_CHECKED);
        } else {
            EnableDrawerGroup(page, r, FALSE);
        }
    }
    ShowCommand(page, kStartCommandBox, lpdi->startReadStatus, lpdi->startCommand,
                lpdi->startReadSize, lpdi);
    ShowCommand(page, kEndCommandBox, lpdi->endReadStatus, lpdi->endCommand, lpdi->endReadSize,
                lpdi);
    lpdi->storedMisc = MiscFromPage(page, lpdi);
    ShowUnreadNote(page, lpdi);
    CloseSettings(lpdi);
    return TRUE;
}

BOOL OnCommand(HWND page, WPARAM wParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (code == EN_CHANGE) {
        DLGINFO* lpdi = StateOf(page);
        if (lpdi != nullptr) MarkCommandTouched(id, TRUE, lpdi);
        MarkChanged(page);
    } else if (code == BN_CLICKED) {
        const int row = RowOfCheckBox(id);
        if (row >= 0) {
            MarkChanged(page);
            EnableDrawerGroup(page, row, IsDlgButtonChecked(page, id) == BST_CHECKED);
        }
    }
    return TRUE;
}

BOOL OnVScroll(HWND page, WPARAM wParam, HWND scrollBar, DLGINFO* lpdi) {
    if (lpdi == nullptr) return FALSE;
    lpdi->iCtrlID = GetDlgCtrlID(scrollBar);
    DebugTrace("lpdi->iCtrlID=[%d]\n", lpdi->iCtrlID);
    const int edit = EditOfScrollBar(lpdi->iCtrlID);
    if (edit != 0) lpdi->iEDIT_CtrlID = edit;
    DebugTrace("lpdi->iEDIT_CtrlID=[%d]\n", lpdi->iEDIT_CtrlID);
    lpdi->scrollValue = ReadControlByte(page, lpdi->iEDIT_CtrlID, lpdi);
    const int code = LOWORD(wParam);
    // Only the arrows step; the end-of-scroll notice after each click changes nothing.
    if (code != SB_LINEUP && code != SB_LINEDOWN) return FALSE;
    lpdi->scrollValue = StepPulseMs(lpdi->scrollValue, code == SB_LINEUP);
    SetScrollPos(scrollBar, SB_CTL, lpdi->scrollValue, TRUE);
    ShowNumber(page, lpdi->iEDIT_CtrlID, lpdi->scrollValue, lpdi);
    return TRUE;
}

MiscSettings MiscFromPage(HWND page, DLGINFO* lpdi) {
    MiscSettings misc = {};
    misc.lineFeeds = ReadControlByte(page, IDC_LINE_FEEDS, lpdi);
    BYTE* fields = reinterpret_cast<BYTE*>(&misc);
    for (const DrawerRow& row : kRows) {
        fields[row.timeOffset] = ReadControlByte(page, row.edit, lpdi) / 2;
        fields[row.flagOffset] = IsDlgButtonChecked(page, row.checkBox) == BST_CHECKED ? 1 : 0;
    }
    misc.reserved = 0;
    return misc;
}

bool SameMisc(const MiscSettings& a, const MiscSettings& b) {
    const BYTE* x = reinterpret_cast<const BYTE*>(&a);
    const BYTE* y = reinterpret_cast<const BYTE*>(&b);
    for (size_t i = 0; i < sizeof a; ++i) {
        if (x[i] != y[i]) return false;
    }
    return true;
}

// Before a refusal's box: whichever tab the user pressed OK on, the box's subject is in view
// when the box appears.
void BringPageToFront(HWND sheet, HWND page) {
    const LRESULT index = SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0);
    if (index >= 0) SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// The refusal's answer, once its box is gone. The focus goes to the box concerned only when
// the sheet is done with the refused apply, which would move it elsewhere.
LONG RefuseApply(HWND page, int focusId) {
    if (focusId != 0) {
        PostMessageW(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(page, focusId)),
                     TRUE);
    }
    return PSNRET_INVALID;
}

// Nothing is stored unless all of it can be as the user typed it: a command box that
// cannot be stored so refuses the apply before the key is touched, and a key that takes
// no writing is reported instead of passing for saved. A page that would store only what
// is stored already closes quietly even then, so that a user who may not change the
// settings can still leave the sheet with OK. Returns the sheet's answer.
LONG OnApply(HWND page, DLGINFO* lpdi) {
    const HWND sheet = GetParent(page);
    const CommandEntry start = PrepareCommandEntry(page, kStartCommandBox, lpdi);
    const CommandEntry end = PrepareCommandEntry(page, kEndCommandBox, lpdi);
    const struct { const CommandBox& box; const CommandEntry& entry; } entries[] = {
        {kStartCommandBox, start}, {kEndCommandBox, end}};
    for (const auto& e : entries) {
        if (e.entry.problem != EntryProblem::kNone) {
            BringPageToFront(sheet, page);
            ShowEntryRefusal(sheet, e.box, e.entry);
            return RefuseApply(page, e.box.editId);
        }
    }
    ZeroMemory(lpdi->settings, sizeof lpdi->settings);
    const MiscSettings misc = MiscFromPage(page, lpdi);
    CopyMemory(lpdi->settings, &misc, sizeof misc);
    const bool miscChanged = !SameMisc(misc, lpdi->storedMisc);
    const bool changes = miscChanged || EntryChangesStored(kStartCommandBox, start, lpdi) ||
                         EntryChangesStored(kEndCommandBox, end, lpdi);
    // Defaults shown in place of a "MISC" that could not be read are not the user's choice
    // until the user changes them.
    const BYTE* storedMisc = lpdi->miscUnread && !miscChanged ? nullptr : lpdi->settings;
    LONG status = ERROR_SUCCESS;
    bool partlySaved = false;
    if (OpenSettingsForSave(lpdi)) {
        status = WriteSettingsValues(lpdi->key, storedMisc, start, end, &partlySaved);
        CloseSettings(lpdi);
    } else {
        status = lpdi->registryStatus;
    }
    if (status != ERROR_SUCCESS) {
        if (!changes && !partlySaved) return PSNRET_NOERROR;
        BringPageToFront(sheet, page);
        ShowSaveFailure(sheet, status, partlySaved);
        return RefuseApply(page, 0);
    }
    lpdi->storedMisc = misc;
    if (storedMisc != nullptr) lpdi->miscUnread = FALSE;
    RememberStoredCommand(kStartCommandBox, start, lpdi);
    RememberStoredCommand(kEndCommandBox, end, lpdi);
    ShowUnreadNote(page, lpdi);
    return PSNRET_NOERROR;
}

}  // namespace

void EnableDrawerGroup(HWND page, int row, BOOL enable) {
    if (row < 0 || row >= kRowCount) return;
    EnableWindow(GetDlgItem(page, kRows[row].edit), enable);
    EnableWindow(GetDlgItem(page, kRows[row].scrollBar), enable);
    EnableWindow(GetDlgItem(page, kRows[row].label), enable);
}

const char* ReadControlText(HWND page, int controlId, DLGINFO* lpdi) {
    lpdi->narrowText[0] = '\0';
    if (GetDlgItemTextW(page, controlId, lpdi->wideText,
                        sizeof lpdi->wideText / sizeof lpdi->wideText[0]) == 0) {
        return lpdi->narrowText;
    }
    if (WideCharToMultiByte(CP_ACP, 0, lpdi->wideText, -1, lpdi->narrowText,
                            sizeof lpdi->narrowText, nullptr, nullptr) == 0) {
        lpdi->narrowText[0] = '\0';
    }
    return lpdi->narrowText;
}

BYTE ReadControlByte(HWND page, int controlId, DLGINFO* lpdi) {
    return ParseDecimalByte(ReadControlText(page, controlId, lpdi));
}

INT_PTR CALLBACK CommandsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(page, reinterpret_cast<const PROPSHEETPAGEW*>(lParam));
        case WM_COMMAND:
            return OnCommand(page, wParam);
        case WM_VSCROLL:
            return OnVScroll(page, wParam, reinterpret_cast<HWND>(lParam), StateOf(page));
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header != nullptr && header->code == static_cast<UINT>(PSN_APPLY)) {
                DLGINFO* lpdi = StateOf(page);
                const LONG answer = lpdi != nullptr ? OnApply(page, lpdi) : PSNRET_NOERROR;
                SetWindowLongPtrW(page, DWLP_MSGRESULT, answer);
            }
            return TRUE;
        }
        case WM_CLOSE:
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK AboutPageProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_CLOSE ? TRUE : FALSE;
}

UINT CALLBACK CommandsPageCallback(HWND, UINT message, LPPROPSHEETPAGEW page) {
    if (message == PSPCB_RELEASE && page != nullptr) {
        FreePageState(reinterpret_cast<DLGINFO*>(page->lParam));
    }
    return 1;
}

}  // namespace kyr

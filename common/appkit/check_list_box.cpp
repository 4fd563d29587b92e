#include "common/appkit/check_list_box.h"

#include <vector>

namespace appkit {

namespace {
const char kSelfProperty[] = "appkit.CheckListBox";
// Room left of and right of the box, in pixels.
constexpr int kMargin = 2;
}  // namespace

void CheckListBox::Attach(HWND list) {
    Detach();
    if (!list || !IsWindow(list)) return;
    list_ = list;
    SetPropA(list_, kSelfProperty, reinterpret_cast<HANDLE>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CheckListBox::ListProc)));
    // A fixed owner-drawn list asks its height while the dialog is still being built, before
    // anyone could answer; it is set here once for all items instead.
    HDC dc = GetDC(list_);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(list_, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    if (old) SelectObject(dc, old);
    ReleaseDC(list_, dc);
    int height = tm.tmHeight + 2;
    if (height < BoxSize() + 2) height = BoxSize() + 2;
    SendMessageA(list_, LB_SETITEMHEIGHT, 0, MAKELPARAM(height, 0));
}

void CheckListBox::Detach() {
    if (list_ && IsWindow(list_) && previous_) {
        SetWindowLongPtrA(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        RemovePropA(list_, kSelfProperty);
    }
    list_ = nullptr;
    previous_ = nullptr;
}

int CheckListBox::AddString(const char* text) {
    if (!list_) return LB_ERR;
    LRESULT index = SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (index >= 0) SendMessageA(list_, LB_SETITEMDATA, static_cast<WPARAM>(index), 0);
    return static_cast<int>(index);
}

int CheckListBox::Count() const {
    if (!list_) return 0;
    LRESULT count = SendMessageA(list_, LB_GETCOUNT, 0, 0);
    return count < 0 ? 0 : static_cast<int>(count);
}

std::string CheckListBox::Text(int index) const {
    if (!list_) return std::string();
    LRESULT length = SendMessageA(list_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return std::string();
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied = SendMessageA(list_, LB_GETTEXT, static_cast<WPARAM>(index),
                                  reinterpret_cast<LPARAM>(text.data()));
    if (copied < 0) return std::string();
    return std::string(text.data());
}

bool CheckListBox::IsChecked(int index) const {
    if (!list_) return false;
    LRESULT data = SendMessageA(list_, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    return data != LB_ERR && data != 0;
}

void CheckListBox::SetChecked(int index, bool checked) {
    if (!list_ || index < 0 || index >= Count()) return;
    SendMessageA(list_, LB_SETITEMDATA, static_cast<WPARAM>(index), checked ? 1 : 0);
    RECT item;
    if (SendMessageA(list_, LB_GETITEMRECT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&item)) != LB_ERR)
        InvalidateRect(list_, &item, FALSE);
}

void CheckListBox::Toggle(int index) {
    if (index < 0 || index >= Count()) return;
    SetChecked(index, !IsChecked(index));
    SendMessageA(GetParent(list_), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(list_), CLBN_CHKCHANGE), reinterpret_cast<LPARAM>(list_));
}

int CheckListBox::BoxSize() const { return 13; }

RECT CheckListBox::CheckArea(int index) const {
    RECT item = {0, 0, 0, 0};
    if (list_)
        SendMessageA(list_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    item.right = item.left + kMargin + BoxSize() + kMargin;
    return item;
}

int CheckListBox::ItemAt(LPARAM point) const {
    LRESULT hit = SendMessageA(list_, LB_ITEMFROMPOINT, 0, point);
    // The high word says the point lies outside every item.
    if (HIWORD(hit) != 0) return -1;
    int index = LOWORD(hit);
    return index < Count() ? index : -1;
}

bool CheckListBox::DrawItem(const DRAWITEMSTRUCT* item) {
    if (!list_ || !item || item->hwndItem != list_) return false;
    HDC dc = item->hDC;
    RECT text = item->rcItem;
    text.left += kMargin + BoxSize() + kMargin;
    if (static_cast<int>(item->itemID) < 0) {
        // An empty list with the focus shows only its focus frame.
        if (item->itemState & ODS_FOCUS) DrawFocusRect(dc, &item->rcItem);
        return true;
    }
    if (item->itemAction == ODA_FOCUS) {
        DrawFocusRect(dc, &text);
        return true;
    }
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    const bool enabled = IsWindowEnabled(list_) != FALSE;
    FillRect(dc, &item->rcItem, GetSysColorBrush(COLOR_WINDOW));

    RECT box = item->rcItem;
    box.left += kMargin;
    box.right = box.left + BoxSize();
    box.top += (item->rcItem.bottom - item->rcItem.top - BoxSize()) / 2;
    box.bottom = box.top + BoxSize();
    UINT boxState = DFCS_BUTTONCHECK;
    if (IsChecked(static_cast<int>(item->itemID))) boxState |= DFCS_CHECKED;
    if (!enabled) boxState |= DFCS_INACTIVE;
    DrawFrameControl(dc, &box, DFC_BUTTON, boxState);

    FillRect(dc, &text, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    COLORREF oldText = SetTextColor(
        dc, GetSysColor(!enabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    std::string label = Text(static_cast<int>(item->itemID));
    RECT textArea = text;
    textArea.left += kMargin;
    DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &textArea,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldText);
    if (item->itemState & ODS_FOCUS) DrawFocusRect(dc, &text);
    return true;
}

LRESULT CALLBACK CheckListBox::ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CheckListBox* self = reinterpret_cast<CheckListBox*>(GetPropA(window, kSelfProperty));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        WNDPROC previous = self->previous_;
        self->Detach();
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
    return self->OnListMessage(message, wParam, lParam);
}

LRESULT CheckListBox::OnListMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = previous_;
    HWND list = list_;
    switch (message) {
        case WM_LBUTTONDOWN: {
            // The list selects the item first, as for any click; a click on the box also
            // ticks it.
            int index = ItemAt(lParam);
            LRESULT result = CallWindowProcA(previous, list, message, wParam, lParam);
            if (index >= 0) {
                RECT area = CheckArea(index);
                POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
                if (PtInRect(&area, at)) Toggle(index);
            }
            return result;
        }
        case WM_LBUTTONDBLCLK: {
            int index = ItemAt(lParam);
            LRESULT result = CallWindowProcA(previous, list, message, wParam, lParam);
            // The first click of the pair already ticked it when it hit the box.
            if (index >= 0) {
                RECT area = CheckArea(index);
                POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
                if (!PtInRect(&area, at)) Toggle(index);
            }
            return result;
        }
        case WM_KEYDOWN:
            if (wParam == VK_SPACE) {
                LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
                if (selected >= 0) Toggle(static_cast<int>(selected));
                return 0;
            }
            break;
        case WM_CHAR:
            // Space ticks; it must not also start a search for items beginning with a blank.
            if (wParam == ' ') return 0;
            break;
        case WM_ENABLE:
            InvalidateRect(list, nullptr, FALSE);
            break;
        default:
            break;
    }
    return CallWindowProcA(previous, list, message, wParam, lParam);
}

}  // namespace appkit

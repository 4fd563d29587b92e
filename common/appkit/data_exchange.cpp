#include "common/appkit/data_exchange.h"

#include <vector>

namespace appkit {

namespace {

bool IsComboBox(HWND control) {
    char cls[32] = {0};
    GetClassNameA(control, cls, sizeof(cls));
    return lstrcmpiA(cls, "ComboBox") == 0;
}

bool IsRadioButton(HWND control) {
    LONG style = GetWindowLongA(control, GWL_STYLE);
    char cls[32] = {0};
    GetClassNameA(control, cls, sizeof(cls));
    if (lstrcmpiA(cls, "Button") != 0) return false;
    LONG type = style & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

}  // namespace

void DataExchange::Control(int id, HWND& control) { control = GetDlgItem(dialog_, id); }

void DataExchange::RadioGroup(int firstId, int& index) {
    HWND button = GetDlgItem(dialog_, firstId);
    if (!button) return;
    if (!saving_) {
        // A radio group runs from its first button up to the next control that starts
        // a group of its own.
        int position = 0;
        do {
            if (IsRadioButton(button)) {
                SendMessageA(button, BM_SETCHECK, position == index ? BST_CHECKED : BST_UNCHECKED, 0);
                ++position;
            }
            button = GetWindow(button, GW_HWNDNEXT);
        } while (button && !(GetWindowLongA(button, GWL_STYLE) & WS_GROUP));
        return;
    }
    index = -1;
    int position = 0;
    do {
        if (IsRadioButton(button)) {
            if (SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                index = position;
                return;
            }
            ++position;
        }
        button = GetWindow(button, GW_HWNDNEXT);
    } while (button && !(GetWindowLongA(button, GWL_STYLE) & WS_GROUP));
}

void DataExchange::ListIndex(int id, int& index) {
    HWND control = GetDlgItem(dialog_, id);
    if (!control) return;
    bool combo = IsComboBox(control);
    if (saving_) {
        LRESULT sel = SendMessageA(control, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
        index = sel < 0 ? -1 : static_cast<int>(sel);
    } else {
        SendMessageA(control, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

void DataExchange::Text(int id, std::string& text) {
    HWND control = GetDlgItem(dialog_, id);
    if (!control) return;
    if (saving_) {
        int length = GetWindowTextLengthA(control);
        std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
        GetWindowTextA(control, buffer.data(), length + 1);
        text.assign(buffer.data());
    } else {
        SetWindowTextA(control, text.c_str());
    }
}

}  // namespace appkit

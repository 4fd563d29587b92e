#include "common/appkit/dialog.h"

#include "common/appkit/application.h"

namespace appkit {

INT_PTR Dialog::DoModal(HWND parent) {
    if (!parent) {
        Application* app = Application::Current();
        Dialog* main = app ? app->MainDialog() : nullptr;
        if (main && main != this && main->Window() && IsWindow(main->Window())) parent = main->Window();
    }
    HINSTANCE instance = Application::Current() ? Application::Current()->Instance()
                                                : GetModuleHandleA(nullptr);
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId_), parent, &Dialog::DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void Dialog::UpdateData(bool saving) {
    if (!window_) return;
    DataExchange dx(window_, saving);
    DoDataExchange(dx);
}

void Dialog::End(INT_PTR result) {
    if (window_) EndDialog(window_, result);
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::OnOK() {
    UpdateData(true);
    End(IDOK);
}

void Dialog::OnCancel() { End(IDCANCEL); }

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR result = self->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) self->window_ = nullptr;
    return result;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog() ? TRUE : FALSE;
        case WM_COMMAND: {
            int id = LOWORD(wParam);
            int code = HIWORD(wParam);
            if (OnCommand(id, code, reinterpret_cast<HWND>(lParam))) return TRUE;
            if (id == IDOK && code == BN_CLICKED) {
                OnOK();
                return TRUE;
            }
            if (id == IDCANCEL) {
                OnCancel();
                return TRUE;
            }
            return FALSE;
        }
        case WM_TIMER:
            return OnTimer(wParam) ? TRUE : FALSE;
        case WM_PAINT:
            return OnPaint() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            // One of the few messages whose answer a dialog procedure returns directly.
            return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        default: {
            INT_PTR result = 0;
            if (OnMessage(message, wParam, lParam, result)) {
                SetWindowLongPtrA(window_, DWLP_MSGRESULT, result);
                return TRUE;
            }
            return FALSE;
        }
    }
}

}  // namespace appkit

// A modal dialog bound to a dialog template. Subclasses override the typed handlers they
// need; everything else gets the default dialog handling.
#pragma once
#include <windows.h>

#include "common/appkit/data_exchange.h"

namespace appkit {

class Dialog {
public:
    explicit Dialog(int templateId) : templateId_(templateId) {}
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally. With no parent the application's main dialog (if there is
    // one and its window is up) becomes the owner. Returns IDOK, IDCANCEL or the code
    // given to End; -1 when the template cannot be loaded.
    INT_PTR DoModal(HWND parent = nullptr);

    // Fills the controls from the members (false) or reads them back (true).
    void UpdateData(bool saving);

    HWND Window() const { return window_; }
    int TemplateId() const { return templateId_; }
    void End(INT_PTR result);

protected:
    virtual void DoDataExchange(DataExchange& dx) {}
    // Framework initialisation: fills the controls. Return true to let the system give
    // the default control the focus.
    virtual bool OnInitDialog();
    // Default: OK reads the controls back and closes with IDOK, Cancel closes with IDCANCEL.
    virtual void OnOK();
    virtual void OnCancel();
    virtual bool OnCommand(int id, int notifyCode, HWND control) { return false; }
    virtual bool OnTimer(UINT_PTR id) { return false; }
    virtual bool OnPaint() { return false; }
    // Returns the icon for WM_QUERYDRAGICON, or nullptr for the default.
    virtual HICON OnQueryDragIcon() { return nullptr; }
    // Anything else: return true and set result when handled.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
        return false;
    }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
    HWND window_ = nullptr;
};

}  // namespace appkit

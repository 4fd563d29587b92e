// A list box with a check box in front of every item, on a dialog's owner-drawn list
// (LBS_OWNERDRAWFIXED | LBS_HASSTRINGS). The tick of an item lives in its item data.
//
// The user ticks an item by clicking its check box, double-clicking the item, or pressing
// Space on the selected item; each change made that way reaches the dialog as WM_COMMAND
// with the notification code CLBN_CHKCHANGE. Ticks set by the program notify nobody.
#pragma once
#include <windows.h>

#include <string>

namespace appkit {

// The code the framework this replaces used for the same notification.
constexpr WORD CLBN_CHKCHANGE = 40;

class CheckListBox {
public:
    CheckListBox() = default;
    ~CheckListBox() { Detach(); }
    CheckListBox(const CheckListBox&) = delete;
    CheckListBox& operator=(const CheckListBox&) = delete;

    // Takes over the list: sets its item height and watches its mouse and keyboard input.
    // The owner-draw messages go to the dialog, which hands them to DrawItem.
    void Attach(HWND list);
    void Detach();
    HWND Window() const { return list_; }

    // LB_ADDSTRING (a sorted list places the text itself); the index or LB_ERR. The new
    // item is unticked.
    int AddString(const char* text);
    int Count() const;
    std::string Text(int index) const;
    bool IsChecked(int index) const;
    void SetChecked(int index, bool checked);

    // WM_DRAWITEM for this list (true), or for another control (false, untouched).
    bool DrawItem(const DRAWITEMSTRUCT* item);

    // The area of an item that a click ticks: its check box and the margin around it.
    RECT CheckArea(int index) const;

private:
    static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnListMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // A user's tick: flips the item, repaints it and tells the dialog.
    void Toggle(int index);
    int ItemAt(LPARAM point) const;
    int BoxSize() const;

    HWND list_ = nullptr;
    WNDPROC previous_ = nullptr;
};

}  // namespace appkit

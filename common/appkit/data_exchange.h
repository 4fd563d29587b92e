// Moves values between dialog controls and dialog members, in one direction per pass:
// Dialog::UpdateData(false) fills the controls, UpdateData(true) reads them back.
#pragma once
#include <windows.h>

#include <string>

namespace appkit {

class DataExchange {
public:
    DataExchange(HWND dialog, bool saving) : dialog_(dialog), saving_(saving) {}

    bool Saving() const { return saving_; }
    HWND DialogWindow() const { return dialog_; }

    // Binds a member to the control's window (progress bars and lists are then driven
    // through the handle).
    void Control(int id, HWND& control);
    // Index of the checked button in the radio group that starts at firstId; -1 when
    // none is checked.
    void RadioGroup(int firstId, int& index);
    // Selection index of a combo box (drop-down list) or list box; -1 for none.
    void ListIndex(int id, int& index);
    void Text(int id, std::string& text);

private:
    HWND dialog_;
    bool saving_;
};

}  // namespace appkit

#include "installer/app/port_dialog.h"

#include "installer/res/resource.h"

namespace kyr {

namespace {
// In the order of the policy codes 0..3; the list is not sorted.
const char* const kOverwriteEntries[] = {
    "Overwrite files by version",
    "Overwrite files by date",
    "Always overwrite",
    "Never overwrite",
};
}  // namespace

PortDialog::PortDialog() : appkit::Dialog(IDD_PORT) {}

void PortDialog::DoDataExchange(appkit::DataExchange& dx) {
    dx.Control(IDC_OVERWRITE_LIST, list);
    dx.RadioGroup(IDC_PORT_COM1, portIndex);
    dx.ListIndex(IDC_OVERWRITE_LIST, overwriteIndex);
}

bool PortDialog::OnInitDialog() {
    HWND combo = GetDlgItem(Window(), IDC_OVERWRITE_LIST);
    for (const char* entry : kOverwriteEntries) {
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    appkit::Dialog::OnInitDialog();
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    return true;
}

}  // namespace kyr

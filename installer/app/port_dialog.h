// The setup dialog: port and universal-driver overwrite policy.
#pragma once
#include "common/appkit/dialog.h"

namespace kyr {

class PortDialog : public appkit::Dialog {
public:
    PortDialog();

    HWND list = nullptr;
    int portIndex = 4;        // "LPT1" is checked when the dialog opens
    int overwriteIndex = -1;  // the list starts without a selection; initialisation picks the first

protected:
    void DoDataExchange(appkit::DataExchange& dx) override;
    bool OnInitDialog() override;
};

}  // namespace kyr

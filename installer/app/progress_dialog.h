// The installer's main window: product name, driver version, status line and bar. Its
// first timer tick runs the whole installation.
#pragma once
#include <string>

#include "common/appkit/dialog.h"
#include "installer/app/port_dialog.h"
#include "installer/context/install_context.h"

namespace kyr {

class ProgressDialog : public appkit::Dialog {
public:
    ProgressDialog();

    InstallContext context;
    PortDialog portDialog;
    HWND progressBar = nullptr;
    std::string statusText;
    std::string versionText;
    HICON icon = nullptr;

    // Detection, setup dialog and the sequence of the running family; ends the process
    // with status 0 and never returns.
    [[noreturn]] void RunInstall();

protected:
    void DoDataExchange(appkit::DataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnTimer(UINT_PTR id) override;
    bool OnPaint() override;
    HICON OnQueryDragIcon() override { return icon; }
};

}  // namespace kyr

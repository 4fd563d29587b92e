// KYRPOS730_Uninstaller: started from the list of installed software; it lives in the
// product folder beside the two removal modules it loads.
#include <windows.h>

#include "common/appkit/application.h"
#include "common/appkit/run_lock.h"
#include "uninstaller/app/uninstall_dialog.h"

namespace kyr {

class UninstallerApp : public appkit::Application {
public:
    bool InitInstance() override {
        // Before anything else: a removal beside a running installation (or another
        // removal) must change nothing at all.
        if (appkit::TakeRunLock() == appkit::RunLockResult::HeldElsewhere) {
            appkit::ShowRunInProgress("KYR POS 730 uninstaller");
            return false;
        }
        EnableCommonControls();
        UninstallDialog dialog;
        SetMainDialog(&dialog);
        dialog.DoModal(nullptr);
        SetMainDialog(nullptr);
        // The work is done once the dialog closes; no message loop follows.
        return false;
    }
};

}  // namespace kyr

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    kyr::UninstallerApp app;
    app.Run(instance);
    return 0;
}

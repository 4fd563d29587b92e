// KYRPOS730_Installer: started by the user from the installation media root.
#include <windows.h>

#include "common/appkit/application.h"
#include "common/appkit/run_lock.h"
#include "installer/app/progress_dialog.h"
#include "installer/app/x64_front.h"
#include "installer/context/install_context.h"

namespace kyr {

class InstallerApp : public appkit::Application {
public:
    bool InitInstance() override {
        // Before anything else: a second run must change nothing at all.
        if (appkit::TakeRunLock() == appkit::RunLockResult::HeldElsewhere) {
            appkit::ShowRunInProgress(kInstallerCaption);
            return false;
        }
        // On x64 Windows the medium's 64-bit installer does the installation; the user sees
        // its windows only, as on a 32-bit Windows.
        if (RanThe64BitInstaller()) return false;
        EnableCommonControls();
        ProgressDialog dialog;
        SetMainDialog(&dialog);
        dialog.DoModal(nullptr);
        SetMainDialog(nullptr);
        return false;
    }
};

}  // namespace kyr

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    kyr::InstallerApp app;
    app.Run(instance);
    return 0;
}

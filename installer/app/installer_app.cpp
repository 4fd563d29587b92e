// KYRPOS730_Installer: started by the user from the installation media root.
#include <windows.h>

#include "common/appkit/application.h"
#include "installer/app/progress_dialog.h"

namespace kyr {

class InstallerApp : public appkit::Application {
public:
    bool InitInstance() override {
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

#include "installer/context/install_context.h"

#include <commctrl.h>

#include "common/appkit/application.h"
#include "common/appkit/dialog.h"
#include "installer/context/product_names.h"
#include "installer/medium/medium.h"
#include "installer/system/detect_os.h"

namespace kyr {

const char kInstallerCaption[] = "KYR POS 730 installer";

void InstallContext::FinishNames(const char* model, char suffixLetter, bool flag) {
    installProcessor = flag;
    CompleteNames(*this, model, suffixLetter, installProcessor, DetectOs());
}

std::string InstallContext::MediumFile(const std::string& relative) const { return MediumPath(medium, relative); }

void InstallContext::RefreshMainWindow() {
    appkit::Application* app = appkit::Application::Current();
    appkit::Dialog* main = app ? app->MainDialog() : nullptr;
    if (!main) return;
    main->UpdateData(false);
    // The sequence sleeps without pumping messages; paint now so that the user sees the
    // line and the bar that belong together.
    if (main->Window()) {
        RedrawWindow(main->Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

void InstallContext::ProgressStep(const char* text) {
    if (statusText) *statusText = text;
    if (progressBar) SendMessageA(progressBar, PBM_STEPIT, 0, 0);
    RefreshMainWindow();
    Sleep(500);
}

void InstallContext::ProgressDone(const char* text) {
    if (statusText) *statusText = text;
    if (progressBar) SendMessageA(progressBar, PBM_SETPOS, 100, 0);
    RefreshMainWindow();
}

}  // namespace kyr

#include "common/appkit/application.h"

#include <commctrl.h>

#include "common/maintenance/late_bound.h"

namespace appkit {

Application* Application::current_ = nullptr;

Application::Application() { current_ = this; }

Application::~Application() {
    if (current_ == this) current_ = nullptr;
}

int Application::Run(HINSTANCE instance) {
    instance_ = instance;
    InitInstance();
    return 0;
}

void Application::EnableCommonControls() {
    // InitCommonControlsEx is missing from the comctl32 of a plain Windows 95, so the
    // progress bar class is registered through the older entry point there.
    typedef BOOL(WINAPI * InitEx)(const INITCOMMONCONTROLSEX*);
    HMODULE comctl = kyr::LoadSystemLibrary("comctl32.dll");
    InitEx initEx = comctl ? reinterpret_cast<InitEx>(
                                 reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")))
                           : nullptr;
    if (initEx) {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
        initEx(&icc);
    } else {
        InitCommonControls();
    }
}

}  // namespace appkit

#include "installer/app/progress_dialog.h"

#include <commctrl.h>

#include "common/appkit/application.h"
#include "common/oscode/os_code.h"
#include "installer/context/port_table.h"
#include "installer/medium/medium.h"
#include "installer/medium/medium_check.h"
#include "installer/res/resource.h"
#include "installer/system/detect_os.h"
#include "installer/system/wow64_check.h"

namespace kyr {

namespace {
constexpr UINT_PTR kStartTimer = 1;
}

ProgressDialog::ProgressDialog() : appkit::Dialog(IDD_PROGRESS) {
    HINSTANCE instance = appkit::Application::Current() ? appkit::Application::Current()->Instance()
                                                         : GetModuleHandleA(nullptr);
    icon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
}

void ProgressDialog::DoDataExchange(appkit::DataExchange& dx) {
    dx.Control(IDC_PROGRESS_BAR, progressBar);
    dx.Text(IDC_STATUS_TEXT, statusText);
    dx.Text(IDC_VERSION_TEXT, versionText);
}

bool ProgressDialog::OnInitDialog() {
    appkit::Dialog::OnInitDialog();
    SendMessageA(Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(Window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    versionText = "Driver Version: V1.0.0E";
    UpdateData(false);
    SendMessageA(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(progressBar, PBM_SETSTEP, 11, 0);
    SetTimer(Window(), kStartTimer, 1, nullptr);
    return true;
}

bool ProgressDialog::OnTimer(UINT_PTR) {
    // The timer only starts the installation once the window is on screen.
    KillTimer(Window(), kStartTimer);
    // A modal dialog is shown once its queue first runs empty; a short timer can fire
    // before that happens, and the whole installation would then run unseen.
    if (!IsWindowVisible(Window())) ShowWindow(Window(), SW_SHOWNORMAL);
    UpdateWindow(Window());
    context.statusText = &statusText;
    context.progressBar = progressBar;
    RunInstall();
}

bool ProgressDialog::OnPaint() {
    if (!IsIconic(Window())) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Window(), &ps);
    SendMessageA(Window(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    int iconWidth = GetSystemMetrics(SM_CXICON);
    int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(Window(), &client);
    int x = (client.right - client.left - iconWidth + 1) / 2;
    int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc, x, y, icon);
    EndPaint(Window(), &ps);
    return true;
}

void ProgressDialog::RunInstall() {
    int code = DetectOs();
    if (code == kOsNt4OrOlder) {
        MessageBoxA(Window(), "This driver is not supported by Windows NT4.0!!", kInstallerCaption,
                    MB_ICONINFORMATION | MB_OK);
        ExitProcess(0);
    }
    if (RunsOn64BitWindows()) {
        MessageBoxA(Window(),
                    "This driver is for 32-bit Windows only.\n"
                    "It is not supported by 64-bit Windows!!",
                    kInstallerCaption, MB_ICONINFORMATION | MB_OK);
        ExitProcess(0);
    }
    context.FinishNames("730", 'E', true);
    context.medium = MediumFolder();
    CheckMediumOrEnd(context, IsWin9xCode(code));
    if (portDialog.DoModal() != IDOK) {
        MessageBoxA(Window(), "Install Cancled.", kInstallerCaption, MB_ICONINFORMATION | MB_OK);
        ExitProcess(0);
    }
    if (IsWin9xCode(code)) context.overwritePolicy = portDialog.overwriteIndex;
    InstallDispatch dispatch = DispatchFor(code, portDialog.portIndex);
    switch (dispatch.route) {
        case InstallRoute::Win9x:
            context.InstallWin9x(dispatch.portCode);
            break;
        case InstallRoute::Nt:
            context.InstallNt(dispatch.portCode);
            break;
        case InstallRoute::Nothing:
            break;
    }
    ExitProcess(0);
}

}  // namespace kyr

// The record both installation sequences work on, alive for the whole run.
#pragma once
#include <windows.h>

#include <string>

#include "installer/product_names.h"

namespace kyr {

// Every message box of the installer carries this caption.
extern const char kInstallerCaption[];

// The component and file names (monitorFile ... uiFile) come from ProductNames, so that the
// context and the platform-free completion share one definition of them.
class InstallContext : public ProductNames {
public:
    int overwritePolicy = 0;
    std::string infFile;
    bool installProcessor = true;
    // Non-owning links into the progress window, which outlives every use of them.
    std::string* statusText = nullptr;
    HWND progressBar = nullptr;

    void FinishNames(const char* model, char suffixLetter, bool installProcessor);

    // One numbered status line: text, bar one step on, window refreshed, 500 ms pause.
    void ProgressStep(const char* text);
    // The final status line: text, bar at 100, window refreshed; no pause.
    void ProgressDone(const char* text);

    void InstallNt(int portCode);
    void InstallWin9x(int portCode);
    void RegisterUninstall();

private:
    void RefreshMainWindow();
};

}  // namespace kyr

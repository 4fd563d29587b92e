// The record both installation sequences work on, alive for the whole run.
#pragma once
#include <windows.h>

#include <string>

#include "installer/context/product_names.h"
#include "installer/copies/copy_ledger.h"
#include "installer/system/system_folders.h"

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
    // The folder the installer's own file lies in; every medium file is found from it.
    Folder medium;
    // The copies of this run that could not place their file.
    CopyLedger copies;
    // A registration a repair run made again was refused (and reported): not done.
    bool repairFailed = false;
    // A monitor or print processor this run registers was refused (one registered already
    // is none): no printer of the driver prints, so the run is not completed.
    bool registrationFailed = false;
    // A USB installation whose INF did not reach the system's store: Plug and Play cannot
    // install the printer, so the run is not done.
    bool usbInfMissing = false;

    void FinishNames(const char* model, char suffixLetter, bool installProcessor);

    // One numbered status line: text, bar one step on, window refreshed, 500 ms pause.
    void ProgressStep(const char* text);
    // The final status line: text, bar at 100, window refreshed; no pause.
    void ProgressDone(const char* text);

    void InstallNt(int portCode);
    void InstallWin9x(int portCode);
    void RegisterUninstall();
    // The uninstaller and both removal modules into the product folder, the entry untouched.
    void DeployUninstaller();

    // medium\relative (empty when it does not fit).
    std::string MediumFile(const std::string& relative) const;

private:
    void RefreshMainWindow();
    // The NT sequence's copies in the printer-driver folder, once the spooler holds its own.
    // From the spooler's driver folder; from the one this run copied into (known) when the
    // spooler no longer answers.
    void DeleteStagingCopies(const Folder& known = Folder());
    // A run with the driver present: the language monitor and the print processor the
    // driver needs, registered again when the spooler does not list them (a run whose
    // registration failed, another vendor's clean-up tool) or cannot say.
    void RepairRegistrations(const char* environment, const char* mediaFolder);
    void RestoreStagingCopies();
    // The Windows 9x sequence's driver INF and USB printing files with their appended lines.
    bool DriverInfPresent() const;
    void PlaceInfFiles();
};

}  // namespace kyr

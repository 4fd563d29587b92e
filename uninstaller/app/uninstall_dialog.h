// The uninstaller's only window: the printers that use the driver, each with a check box,
// the Uninstall and Cancel buttons, a status line and a bar. The removal runs inside its
// message handlers.
#pragma once
#include <list>
#include <string>

#include "common/appkit/check_list_box.h"
#include "common/appkit/dialog.h"
#include "uninstaller/app/removal_reports.h"
#include "uninstaller/removal_plan.h"
#include "uninstaller/undeleted.h"

namespace kyr {

class UninstallDialog : public appkit::Dialog {
public:
    UninstallDialog();

    // Names found by discovery, then the names ticked when the removal starts.
    std::list<std::string> selectedPrinters;
    int foundPrinterCount = 0;
    std::list<std::string> classInfNames;
    HWND progressBar = nullptr;
    HWND uninstallButton = nullptr;
    appkit::CheckListBox printerList;
    std::string statusMessage;
    HICON icon = nullptr;

    // Lists the printers that use the driver. With none, starts the removal at once when
    // the driver is installed, or says there is nothing to remove and ends the program.
    void DiscoverPrinters();
    // The Uninstall button is usable exactly while some printer is ticked.
    void OnCheckChange();
    // Deletes the ticked printers and, when that leaves none using the driver, the driver
    // with everything that came with it; ends with the dialog closed or a restart.
    void RunUninstall();
    // Shows text, moves the bar on by one step and gives the user time to read it.
    void AdvanceStep(const char* text);

protected:
    void DoDataExchange(appkit::DataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnCommand(int id, int notifyCode, HWND control) override;
    bool OnPaint() override;
    HICON OnQueryDragIcon() override { return icon; }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void PushStatus();
    // Reports a missing module or entry point and ends the program before anything has
    // been deleted.
    [[noreturn]] void FailBinding(const char* message);
    // The removal module's code for this Windows. One that no branch serves, or a module
    // that cannot be bound, is reported and ends the program before anything is deleted.
    int AskOsCode();
    // False when a ticked printer stayed: the driver stays too, and nothing is said done.
    bool RemoveOnWin9x(const RemovalPlan& plan);
    bool RemoveOnNt(const RemovalPlan& plan, int osCode);
    // The driver's part of the removal, after the printers: module, then, once the driver is
    // known to be gone, devices and INF files. Files that stay are added to undeleted when
    // given.
    DriverRemoval RemoveDriverOnWin9x(LONG(__cdecl* removeFromWin9x)(const char*, const char*),
                                      UndeletedList* undeleted);
    DriverRemoval RemoveDriverOnNt(LONG(__cdecl* removeFromWin2k)(const char*, const char*), int osCode,
                                   UndeletedList* undeleted);
    void DeleteEarlierDriverFolders();
    // Completes a removal that was ended after the driver had gone but before the entry;
    // adds the files that stay to undeleted. A driver whose removal cannot be confirmed, or
    // files that may stay unseen, are told there and end the program, the entry kept.
    void FinishInterruptedRemoval(UndeletedList& undeleted);
    void Complete();
};

}  // namespace kyr

#include "uninstaller/app/uninstall_dialog.h"

#include <commctrl.h>
#include <string.h>

#include <vector>

#include "common/appkit/application.h"
#include "common/appkit/error_report.h"
#include "common/maintenance/delete_folder_tree.h"
#include "common/maintenance/delete_key_tree.h"
#include "common/maintenance/remove_devices_by_hardware_id.h"
#include "common/maintenance/remove_key_tree.h"
#include "common/maintenance/restart_system.h"
#include "common/text/system_lead_byte.h"
#include "uninstaller/inf_cleanup.h"
#include "uninstaller/key_names.h"
#include "uninstaller/module_leftovers.h"
#include "uninstaller/printer_cleanup.h"
#include "uninstaller/removal_plan.h"
#include "uninstaller/res/resource.h"
#include "uninstaller/uninstall_entry_copy.h"

namespace kyr {

namespace {

const char kCaption[] = "KYR POS 730 uninstaller";
const char kDriverName[] = "KYR POS 730";
const char kModel[] = "730";
const char kSuffix[] = "E";
const char kHardwareId[] = "USB\\Vid_7a31&Pid_5e20";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730";
const char* const kWin9xEnumKeys[] = {
    "Enum\\USBPRINT\\VOSKRELZPD-815",
    "Enum\\USBPRINT\\VOSKREL_ZPD-815",
    "Enum\\LPTENUM\\VOSKRELZPD-815A384",
};
const char* const kNtEnumKeys[] = {
    "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VOSKREL_ZPD-815",
    "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VOSKRELZPD-815",
    "SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\VOSKRELZPD-815",
};
const char* const kEarlierDriverFolders[] = {
    "voskrel_zpd_8156efc",
    "voskrelzpd_8156efc",
    "voskrelzpd_815a384",
};
constexpr DWORD kStepPause = 1000;

// The modules' entry points; the caller removes the arguments.
typedef int(__cdecl* CheckOsEntry)();
typedef LONG(__cdecl* RemoveEntry)(const char* model, const char* suffix);

template <typename Fn>
Fn Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The module of that name beside this program, and nowhere else: loaded by bare name, a
// missing module would be looked for in the current folder and along the path.
HMODULE LoadModuleBeside(const char* name) {
    char program[kNameBufferSize];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof(program));
    if (length == 0 || length >= sizeof(program)) return nullptr;
    char path[kNameBufferSize];
    if (!ModulePathBeside(program, name, path, sizeof(path), SystemLeadByte)) return nullptr;
    return LoadLibraryA(path);
}

// A listing that fails says nothing about the driver: it may well be installed.
enum class DriverListing { Present, Absent, Failed };

// error: the listing's code when it failed, read before anything else can change it.
DriverListing ListDriver(DWORD* error = nullptr) {
    DWORD needed = 0;
    DWORD returned = 0;
    EnumPrinterDriversA(nullptr, nullptr, 3, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed ? needed : 1);
    BOOL listed = EnumPrinterDriversA(nullptr, nullptr, 3, buffer.data(), needed, &needed, &returned);
    DWORD code = listed ? ERROR_SUCCESS : GetLastError();
    // A driver added between the two calls makes the list larger than the size asked for.
    if (!listed && code == ERROR_INSUFFICIENT_BUFFER) {
        buffer.assign(needed ? needed : 1, 0);
        listed = EnumPrinterDriversA(nullptr, nullptr, 3, buffer.data(), needed, &needed, &returned);
        code = listed ? ERROR_SUCCESS : GetLastError();
    }
    if (error) *error = code;
    if (!listed) return DriverListing::Failed;
    const DRIVER_INFO_3A* drivers = reinterpret_cast<const DRIVER_INFO_3A*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        if (drivers[i].pName && strcmp(drivers[i].pName, kDriverName) == 0) return DriverListing::Present;
    return DriverListing::Absent;
}

// The modules delete the uninstall entry whatever became of the driver. A driver the
// spooler kept gets its entry back, as it was, so that a later run can finish; its INF
// files, devices and the module's leftovers then stay with it for that run.
DriverRemoval CheckDriverRemoved(const UninstallEntryCopy& entry) {
    DriverRemoval removal;
    DWORD error = 0;
    const DriverListing listing = ListDriver(&error);
    if (listing == DriverListing::Absent) return removal;
    removal.driverGone = false;
    if (listing == DriverListing::Failed) removal.listingError = error ? error : ERROR_GEN_FAILURE;
    removal.entryRestored = entry.Restore();
    removal.entryExisted = entry.present();
    return removal;
}

// The driver went, but some file may stay unseen (its folder could not be found, or the
// search for it stopped): the entry the module deleted is written again, and the next run
// finishes what is left.
DriverRemoval KeepEntryForUnchecked(DriverRemoval removal, const UninstallEntryCopy& entry,
                                    const UndeletedList& files) {
    if (!AnyUnchecked(files) || !entry.present()) return removal;
    removal.entryKeptForLeftovers = true;
    removal.entryRestored = entry.Restore();
    return removal;
}

// An entry that outlived a removal of its driver would send a later run only to "already
// completed"; it goes now, and is told when it cannot.
bool EntryStays(LONG* error) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    *error = DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    return *error != ERROR_SUCCESS;
}

}  // namespace

UninstallDialog::UninstallDialog() : appkit::Dialog(IDD_UNINSTALL) {
    HINSTANCE instance = appkit::Application::Current() ? appkit::Application::Current()->Instance()
                                                         : GetModuleHandleA(nullptr);
    icon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
}

void UninstallDialog::DoDataExchange(appkit::DataExchange& dx) {
    dx.Control(IDC_PROGRESS_BAR, progressBar);
    dx.Control(IDC_UNINSTALL, uninstallButton);
    dx.Text(IDC_STATUS_TEXT, statusMessage);
}

bool UninstallDialog::OnInitDialog() {
    appkit::Dialog::OnInitDialog();
    printerList.Attach(GetDlgItem(Window(), IDC_PRINTER_LIST));
    SendMessageA(Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(Window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SendMessageA(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(progressBar, PBM_SETSTEP, 30, 0);
    foundPrinterCount = 0;
    DiscoverPrinters();
    return true;
}

bool UninstallDialog::OnCommand(int id, int notifyCode, HWND) {
    if (id == IDC_PRINTER_LIST && notifyCode == appkit::CLBN_CHKCHANGE) {
        OnCheckChange();
        return true;
    }
    if (id == IDC_UNINSTALL && notifyCode == BN_CLICKED) {
        RunUninstall();
        return true;
    }
    return false;
}

bool UninstallDialog::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) {
    if (message == WM_DRAWITEM &&
        printerList.DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) {
        result = TRUE;
        return true;
    }
    return false;
}

bool UninstallDialog::OnPaint() {
    if (!IsIconic(Window())) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Window(), &ps);
    SendMessageA(Window(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(Window(), &client);
    int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon);
    EndPaint(Window(), &ps);
    return true;
}

void UninstallDialog::PushStatus() {
    SetDlgItemTextA(Window(), IDC_STATUS_TEXT, statusMessage.c_str());
    // The steps sleep without pumping messages; paint now so that the line and the bar
    // the user sees belong together.
    RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void UninstallDialog::AdvanceStep(const char* text) {
    statusMessage = text;
    SendMessageA(progressBar, PBM_STEPIT, 0, 0);
    PushStatus();
    Sleep(kStepPause);
}

void UninstallDialog::DiscoverPrinters() {
    selectedPrinters.clear();
    DWORD needed = 0;
    DWORD returned = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &returned)) {
        appkit::ShowErrorReport("EnumPrinters Error Code: %d\n\n", kCaption);
        ExitProcess(0);
    }
    const PRINTER_INFO_2A* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) {
        if (printers[i].pDriverName && printers[i].pPrinterName &&
            strcmp(printers[i].pDriverName, kDriverName) == 0)
            selectedPrinters.push_front(printers[i].pPrinterName);
    }
    foundPrinterCount = static_cast<int>(selectedPrinters.size());

    if (foundPrinterCount == 0) {
        const DriverListing driver = ListDriver();
        if (driver == DriverListing::Present) {
            RunUninstall();
            return;
        }
        if (driver == DriverListing::Failed) {
            // A listing that fails tells nothing about the driver: "already completed" would
            // be a guess. Reported like the printers' listing; the entry stays.
            appkit::ShowErrorReport("EnumPrinterDrivers Error Code: %d\n\n", kCaption);
            ExitProcess(0);
        }
        // An entry without its driver is what an interrupted removal leaves, and so are the
        // driver's or monitor's files without the driver where the entry could not be
        // written back:
        // finished first, so that the box says "already completed" only when it is. What
        // stays (files, or the entry itself) is told in its place. An entry that cannot be
        // opened for want of rights is there all the same.
        HKEY key = nullptr;
        const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WRITE, &key);
        if (opened == ERROR_SUCCESS) RegCloseKey(key);
        if (opened != ERROR_FILE_NOT_FOUND || PackageFileLeft()) {
            UndeletedList undeleted;
            FinishInterruptedRemoval(undeleted);
            LONG entryError = DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
            const bool entryStayed = entryError != ERROR_SUCCESS && entryError != ERROR_FILE_NOT_FOUND;
            if (entryStayed || !undeleted.empty()) {
                ReportLeftovers(Window(), entryStayed, entryError, undeleted);
                ExitProcess(0);
            }
        }
        MessageBoxA(Window(), "KYR POS 730 Driver is not exist.\nUnistall aleady completed.", kCaption,
                    MB_ICONINFORMATION | MB_OK);
        ExitProcess(0);
    }

    EnableWindow(uninstallButton, FALSE);
    for (const std::string& name : selectedPrinters) printerList.AddString(name.c_str());
}

void UninstallDialog::OnCheckChange() {
    const int count = printerList.Count();
    for (int i = 0; i < count; ++i) {
        if (printerList.IsChecked(i)) {
            EnableWindow(uninstallButton, TRUE);
            return;
        }
    }
    EnableWindow(uninstallButton, FALSE);
}

void UninstallDialog::FailBinding(const char* message) {
    MessageBoxA(Window(), message, kCaption, MB_ICONEXCLAMATION | MB_OK);
    ExitProcess(0);
}

void UninstallDialog::RunUninstall() {
    selectedPrinters.clear();
    const int count = printerList.Count();
    for (int i = 0; i < count; ++i)
        if (printerList.IsChecked(i)) selectedPrinters.push_front(printerList.Text(i));
    const int ticked = static_cast<int>(selectedPrinters.size());

    AdvanceStep("Checking OS...");
    const int osCode = AskOsCode();
    const RemovalPlan plan = PlanRemoval(osCode, foundPrinterCount, ticked);
    bool done = true;
    if (plan.branch == RemovalBranch::Win9x) done = RemoveOnWin9x(plan);
    if (plan.branch == RemovalBranch::Nt) done = RemoveOnNt(plan, osCode);
    // What the user asked for is not there: the run ends without saying it is done.
    if (!done) {
        End(IDCANCEL);
        return;
    }
    Complete();
}

int UninstallDialog::AskOsCode() {
    HMODULE moduleA = LoadModuleBeside("Unhook_A.DLL");
    if (!moduleA) FailBinding("Fail to load Unhook_A.DLL");
    CheckOsEntry checkOs = Resolve<CheckOsEntry>(moduleA, "CheckOS");
    if (!checkOs) FailBinding("Fail to load CheckOS function");
    SetLastError(ERROR_SUCCESS);
    const int osCode = checkOs();
    // Read before anything else can change it: a failed version query leaves its code.
    const DWORD queryError = GetLastError();
    FreeLibrary(moduleA);
    // Neither branch: "Uninstall completed!" over a removal that never ran would send the
    // user away with everything still installed. Told, and the entry stays for a next run.
    if (PlanRemoval(osCode, 0, 0).branch == RemovalBranch::Nothing) {
        ReportUnknownWindows(Window(), queryError);
        ExitProcess(0);
    }
    return osCode;
}

bool UninstallDialog::RemoveOnWin9x(const RemovalPlan& plan) {
    const bool removeDriver = plan.removeDriver;
    HMODULE module = LoadModuleBeside("Unhook_A.DLL");
    if (!module) FailBinding("Fail to load Unhook_A.DLL");
    RemoveEntry removeFromWin9x = Resolve<RemoveEntry>(module, "RemoveFromWin9x");
    if (!removeFromWin9x) FailBinding("Fail to load RemoveFromWin9x function");

    UndeletedList undeleted;
    if (plan.deletePrinters) {
        AdvanceStep("Delete printers...");
        undeleted = DeletePrinters(selectedPrinters, true);
    }
    if (!undeleted.empty()) {
        ReportUndeleted(Window(), "These printers could not be deleted:\n", undeleted,
                        removeDriver ? "\nThe printer driver was not removed.\n" : "");
        FreeLibrary(module);
        return false;
    }
    DriverRemoval removal;
    if (removeDriver) {
        AdvanceStep("Delete printer driver...");
        removal = RemoveDriverOnWin9x(removeFromWin9x, &undeleted);
    }
    FreeLibrary(module);
    if (!removeDriver) return true;
    if (!removal.driverGone) {
        ReportDriverKept(Window(), removal);
        return false;
    }
    // The driver is gone: what stayed besides is told in one box, and the restart follows.
    // (The entry's code is read once its deletion was tried, not in the same argument list.)
    LONG entryError = ERROR_SUCCESS;
    const bool entryStayed = !removal.entryKeptForLeftovers && EntryStays(&entryError);
    ReportLeftovers(Window(), entryStayed, entryError, undeleted, removal);

    // An entry that stayed is not removed: the restart still follows, but nothing says done.
    MessageBoxA(Window(),
                "Restart the computer can take effect.\nPlease finish the program in process "
                "before it restarts the computer.",
                kCaption, MB_ICONINFORMATION | MB_OK);
    // Windows 9x has no shutdown privilege to enable.
    ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0);
    return !entryStayed && !removal.entryKeptForLeftovers;
}

bool UninstallDialog::RemoveOnNt(const RemovalPlan& plan, int osCode) {
    const bool removeDriver = plan.removeDriver;
    HMODULE module = LoadModuleBeside("Unhook_B.DLL");
    if (!module) FailBinding("Fail to load Unhook_B.DLL");
    RemoveEntry removeFromWin2k = Resolve<RemoveEntry>(module, "RemoveFromWin2k");
    if (!removeFromWin2k) FailBinding("Fail to load RemoveFromWin2k function");

    UndeletedList undeleted;
    if (plan.deletePrinters) {
        AdvanceStep("Delete printers...");
        undeleted = DeletePrinters(selectedPrinters, false);
    }
    if (!undeleted.empty()) {
        ReportUndeleted(Window(), "These printers could not be deleted:\n", undeleted,
                        removeDriver ? "\nThe printer driver was not removed.\n" : "");
        FreeLibrary(module);
        return false;
    }
    DriverRemoval removal;
    if (removeDriver) {
        AdvanceStep("Delete printer driver...");
        removal = RemoveDriverOnNt(removeFromWin2k, osCode, &undeleted);
    }
    FreeLibrary(module);
    if (!removeDriver) return true;
    if (!removal.driverGone) {
        ReportDriverKept(Window(), removal);
        return false;
    }

    DeleteEarlierDriverFolders();
    // The driver is gone: the entry or INF files that stay are told in one box, as the
    // installer tells its files, and the restart question follows.
    LONG entryError = ERROR_SUCCESS;
    const bool entryStayed = !removal.entryKeptForLeftovers && EntryStays(&entryError);
    ReportLeftovers(Window(), entryStayed, entryError, undeleted, removal);
    const bool unfinished = entryStayed || removal.entryKeptForLeftovers;

    if (MessageBoxA(Window(),
                    "Restart the computer can take effect.\nPlease restart the computer."
                    "\n\n[Yes] I want to restart my computer now.\n[No] I will restart my computer later.",
                    kCaption, MB_ICONQUESTION | MB_YESNO) == IDYES) {
        // What stayed was told; the run is only said done when nothing did.
        if (!unfinished) {
            statusMessage = "Uninstall completed!";
            PushStatus();
            Sleep(kStepPause);
        }
        RestartSystem();
        ExitProcess(0);
    }
    return !unfinished;
}

DriverRemoval UninstallDialog::RemoveDriverOnWin9x(RemoveEntry removeFromWin9x, UndeletedList* undeleted) {
    const UninstallEntryCopy entry = UninstallEntryCopy::Read();
    removeFromWin9x(kModel, kSuffix);
    const DriverRemoval removal = CheckDriverRemoved(entry);
    if (!removal.driverGone) return removal;
    UndeletedList moduleFiles;
    DeleteWin9xModuleLeftovers(moduleFiles);
    if (undeleted) undeleted->insert(undeleted->end(), moduleFiles.begin(), moduleFiles.end());
    RemoveDevicesByHardwareId(kHardwareId);
    for (const char* key : kWin9xEnumKeys) DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
    return KeepEntryForUnchecked(removal, entry, undeleted ? *undeleted : moduleFiles);
}

DriverRemoval UninstallDialog::RemoveDriverOnNt(RemoveEntry removeFromWin2k, int osCode, UndeletedList* undeleted) {
    // The module deletes the uninstall entry, which names the INF; read it first.
    const UninstallEntryCopy entry = UninstallEntryCopy::Read();
    removeFromWin2k(kModel, kSuffix);
    DriverRemoval removal = CheckDriverRemoved(entry);
    if (!removal.driverGone) return removal;
    DeleteRecordedInfAt(entry.infFile(), osCode, undeleted);
    UndeletedList moduleFiles;
    DeleteNtModuleLeftovers(moduleFiles);
    if (undeleted) undeleted->insert(undeleted->end(), moduleFiles.begin(), moduleFiles.end());
    const LONG classesUnread = CollectClassInfNames(classInfNames);
    DeleteClassInfFiles(classInfNames, osCode, undeleted);
    if (entry.infFileError() != ERROR_SUCCESS || classesUnread != ERROR_SUCCESS)
        DeleteInfsNamingDriver(osCode, undeleted);
    RemoveDevicesByHardwareId(kHardwareId);
    for (const char* key : kNtEnumKeys) RemoveKeyTree(key);
    return KeepEntryForUnchecked(removal, entry, undeleted ? *undeleted : moduleFiles);
}

void UninstallDialog::DeleteEarlierDriverFolders() {
    char driverFolder[kNameBufferSize] = {0};
    DWORD needed = 0;
    if (GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(driverFolder),
                                   sizeof(driverFolder), &needed)) {
        for (const char* name : kEarlierDriverFolders) {
            char folder[kNameBufferSize];
            char base[kNameBufferSize];
            // A folder path that does not fit whole is not deleted rather than cut into
            // the path of some other folder.
            if (JoinText(base, sizeof(base), driverFolder, "\\") &&
                JoinText(folder, sizeof(folder), base, name))
                DeleteFolderTree(folder);
        }
    }

}

// The removal modules delete the uninstall entry last, after the driver. An entry without
// a driver is therefore what a removal ended between the two leaves (power cut, task
// manager): the monitor, the print processor, their files, the INF files and the device
// entries may still be there. The steps the removal takes after the driver are done again
// now, without steps shown; each of them ignores what is already gone. A module that cannot
// be bound, or a Windows that cannot be told, ends the program with its box as a removal
// does, before anything is deleted: the entry stays for the run that can finish.
void UninstallDialog::FinishInterruptedRemoval(UndeletedList& undeleted) {
    const int osCode = AskOsCode();
    const RemovalPlan plan = PlanRemoval(osCode, 0, 0);
    const bool win9x = plan.branch == RemovalBranch::Win9x;
    HMODULE module = LoadModuleBeside(win9x ? "Unhook_A.DLL" : "Unhook_B.DLL");
    if (!module) FailBinding(win9x ? "Fail to load Unhook_A.DLL" : "Fail to load Unhook_B.DLL");
    RemoveEntry remove = Resolve<RemoveEntry>(module, win9x ? "RemoveFromWin9x" : "RemoveFromWin2k");
    if (!remove) FailBinding(win9x ? "Fail to load RemoveFromWin9x function" : "Fail to load RemoveFromWin2k function");
    const DriverRemoval removal =
        win9x ? RemoveDriverOnWin9x(remove, &undeleted) : RemoveDriverOnNt(remove, osCode, &undeleted);
    FreeLibrary(module);
    // A driver list that could not be read afterwards (the spooler stopped on the way)
    // leaves the driver's files and INF copies untouched: told as a removal tells it, with
    // the entry written back, not "already completed".
    if (!removal.driverGone) {
        ReportDriverKept(Window(), removal);
        ExitProcess(0);
    }
    if (!win9x) DeleteEarlierDriverFolders();
    // Files that may stay unseen (no folder, a search that stopped) are not "already
    // completed": told, with the entry kept for the run after.
    if (removal.entryKeptForLeftovers) {
        ReportLeftovers(Window(), false, ERROR_SUCCESS, undeleted, removal);
        ExitProcess(0);
    }
}

void UninstallDialog::Complete() {
    statusMessage = "Uninstall completed!";
    SendMessageA(progressBar, PBM_SETPOS, 100, 0);
    selectedPrinters.clear();
    PushStatus();
    Sleep(kStepPause);
    End(IDOK);
}

}  // namespace kyr

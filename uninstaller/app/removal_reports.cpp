#include "uninstaller/app/removal_reports.h"

#include <string>
#include <vector>

#include "common/appkit/error_report.h"
#include "common/text/failure_list.h"

namespace kyr {

namespace {

const char kCaption[] = "KYR POS 730 uninstaller";
const char kEntryShown[] = "Uninstall entry HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                           "Uninstall\\KYRPOS_730";
// A message box shows no more on a small screen anyway.
constexpr size_t kTextLimit = 2500;

std::string Reason(DWORD error) {
    char text[512];
    appkit::FormatErrorReport("Error Code: %d\n", error, text, sizeof(text));
    std::string reason = text;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason;
}

std::vector<FailedCopy> WithReasons(const UndeletedList& undeleted) {
    std::vector<FailedCopy> items;
    for (const Undeleted& item : undeleted) {
        std::string reason = item.error != ERROR_SUCCESS ? Reason(item.error) : std::string();
        if (!item.advice.empty()) reason += (reason.empty() ? "" : "\n") + item.advice;
        items.push_back({item.name, reason});
    }
    return items;
}

void Show(HWND owner, const std::string& text) {
    MessageBoxA(owner, text.c_str(), kCaption, MB_ICONEXCLAMATION | MB_OK);
}

}  // namespace

void ReportUndeleted(HWND owner, const char* heading, const UndeletedList& undeleted, const char* closing) {
    const std::string closingText = closing;
    Show(owner, FailedListText(heading, WithReasons(undeleted), kTextLimit - closingText.size()) + closingText);
}

void ReportDriverKept(HWND owner, const DriverRemoval& removal) {
    std::string text = "These could not be removed:\n\nPrinter driver \"KYR POS 730\"\n";
    if (removal.listingError != 0)
        text += "Whether it went cannot be told: the list of printer drivers could not be read.\n" +
                Reason(removal.listingError) + "\n";
    else
        text += "The print spooler kept it.\n";
    if (!removal.entryExisted) {
        text += "\nPlease run the installer again, which makes the driver removable, then the uninstaller.\n";
    } else if (removal.entryRestored == ERROR_SUCCESS) {
        text += "\nIts uninstall entry was kept. Please run the uninstaller again to finish the removal.\n";
    } else {
        text += "\n" + std::string(kEntryShown) + "\nIt could not be written again.\n" +
                Reason(static_cast<DWORD>(removal.entryRestored)) +
                "\n\nPlease run the installer again, which makes the driver removable, then the uninstaller.\n";
    }
    Show(owner, text);
}

void ReportLeftovers(HWND owner, bool entryStayed, LONG entryError, const UndeletedList& files,
                     const DriverRemoval& removal) {
    if (!entryStayed && files.empty()) return;
    std::string text;
    if (entryStayed)
        text = "These could not be removed:\n\n" + std::string(kEntryShown) + "\n" +
               Reason(static_cast<DWORD>(entryError)) + "\n";
    if (!files.empty()) {
        if (!text.empty()) text += "\n";
        text += FailedListText("These files could not be deleted:\n", WithReasons(files), kTextLimit - text.size());
    }
    if (removal.entryKeptForLeftovers) {
        if (removal.entryRestored == ERROR_SUCCESS)
            text += "\nIts uninstall entry was kept. Please run the uninstaller again to finish the removal.\n";
        else
            text += "\n" + std::string(kEntryShown) + "\nIt could not be written again.\n" +
                    Reason(static_cast<DWORD>(removal.entryRestored)) +
                    "\n\nPlease run the uninstaller again from its folder to finish the removal.\n";
    }
    Show(owner, text);
}

void ReportUnknownWindows(HWND owner, DWORD queryError) {
    if (queryError == ERROR_SUCCESS) {
        Show(owner, "This version of Windows is not one the printer driver serves.\n\nNothing was removed.\n");
        return;
    }
    char text[512];
    appkit::FormatErrorReport("GetVersionEx Error Code: %d\n\n", queryError, text, sizeof(text));
    std::string report = text;
    while (!report.empty() && (report.back() == '\n' || report.back() == '\r' || report.back() == ' '))
        report.pop_back();
    Show(owner, report + "\n\nNothing was removed. Please run the uninstaller again.\n");
}

}  // namespace kyr

#include "installer/copy_ledger.h"

#include "common/appkit/error_report.h"
#include "installer/copy_failure_text.h"
#include "installer/install_context.h"

namespace kyr {

void CopyLedger::Copy(const std::string& source, const char* target, bool overwrite) {
    if (!target || !*target) {
        Note(source, ERROR_PATH_NOT_FOUND);
        return;
    }
    if (CopyFileA(source.c_str(), target, overwrite ? FALSE : TRUE)) return;
    const DWORD error = GetLastError();
    // The overwrite policy asked to keep what is there.
    if (!overwrite && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)) return;
    Note(target, error);
}

void CopyLedger::CopyInto(const std::string& source, const Folder& folder, const char* name, bool overwrite) {
    char target[kPathBufferSize];
    if (!folder.valid() || !JoinPath(target, sizeof(target), folder.path, name)) {
        Note(name, ERROR_PATH_NOT_FOUND);
        return;
    }
    Copy(source, target, overwrite);
}

void CopyLedger::Note(const std::string& target, DWORD error) { failures_.push_back({target, error}); }

void CopyLedger::ShowFailures() const {
    if (failures_.empty()) return;
    // A fatal report may follow that reads the code of the call that failed.
    const DWORD lastError = GetLastError();
    std::vector<FailedCopy> texts;
    for (const Failure& failure : failures_) {
        char reason[512];
        appkit::FormatErrorReport("Error Code: %d\n", failure.error, reason, sizeof(reason));
        texts.push_back({failure.target, reason});
    }
    MessageBoxA(nullptr, FailedCopiesText(texts).c_str(), kInstallerCaption, MB_ICONEXCLAMATION | MB_OK);
    SetLastError(lastError);
}

}  // namespace kyr

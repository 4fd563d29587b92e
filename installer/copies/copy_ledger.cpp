#include "installer/copies/copy_ledger.h"

#include "common/appkit/error_report.h"
#include "common/files/clear_read_only.h"
#include "common/files/copy_over_read_only.h"
#include "common/files/delete_even_read_only.h"
#include "installer/context/install_context.h"
#include "common/text/failure_list.h"

namespace kyr {

bool CopyLedger::Copy(const std::string& source, const char* target, bool overwrite, DWORD whyNoTarget) {
    if (!target || !*target) {
        Note(source, whyNoTarget);
        return false;
    }
    // A copy meant to overwrite also replaces a read-only file an earlier package left; one
    // the overwrite policy keeps is never touched.
    const BOOL copied = overwrite ? CopyOverReadOnly(source.c_str(), target) : CopyFileA(source.c_str(), target, TRUE);
    if (copied) {
        // The copy takes the source's attributes, and every file on a pressed disc is
        // read-only; only the file this copy placed is changed.
        ClearReadOnly(target);
        return true;
    }
    const DWORD error = GetLastError();
    // The overwrite policy asked to keep what is there.
    if (!overwrite && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)) return true;
    Note(target, error);
    return false;
}

bool CopyLedger::CopyInto(const std::string& source, const Folder& folder, const char* name, bool overwrite) {
    char target[kPathBufferSize];
    if (!folder.valid() || !JoinPath(target, sizeof(target), folder.path, name)) {
        // Named in full where the folder is known, although the path does not fit; else
        // with the reason its query gave (the spooler that did not answer, say).
        Note(folder.valid() ? std::string(folder.path) + "\\" + name : std::string(name),
             folder.valid() ? ERROR_PATH_NOT_FOUND : folder.error);
        return false;
    }
    return Copy(source, target, overwrite);
}

void CopyLedger::Note(const std::string& target, DWORD error) { failures_.push_back({target, error}); }

void CopyLedger::DeleteFrom(const Folder& folder, const char* name) {
    char target[kPathBufferSize];
    if (!folder.valid() || !JoinPath(target, sizeof(target), folder.path, name)) return;
    if (DeleteEvenReadOnly(target)) return;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    undeleted_.push_back({target, error});
}

namespace {
std::vector<FailedCopy> WithSystemTexts(const std::vector<CopyLedger::Failure>& failures) {
    std::vector<FailedCopy> texts;
    for (const CopyLedger::Failure& failure : failures) {
        char reason[512];
        appkit::FormatErrorReport("Error Code: %d\n", failure.error, reason, sizeof(reason));
        texts.push_back({failure.target, reason});
    }
    return texts;
}
}  // namespace

void CopyLedger::ShowFailures() const {
    if (empty()) return;
    // A fatal report may follow that reads the code of the call that failed.
    const DWORD lastError = GetLastError();
    const std::string text = FailedItemsText(WithSystemTexts(failures_), WithSystemTexts(undeleted_), WithSystemTexts(unwritten_));
    MessageBoxA(nullptr, text.c_str(), kInstallerCaption, MB_ICONEXCLAMATION | MB_OK);
    SetLastError(lastError);
}

}  // namespace kyr

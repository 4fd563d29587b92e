// The copies of one installation run that could not place their file. A sequence copies
// on whatever happens, as it always has; the ledger remembers what did not arrive so that
// the user is told before the run says it is done.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "installer/system/system_folders.h"

namespace kyr {

class CopyLedger {
public:
    // Copies source to target, replacing an existing target only when overwrite is set,
    // and notes a failure. A copy that keeps an existing target on purpose is none. False
    // when a failure was noted. An empty target is a failure with whyNoTarget: the code
    // of the query its folder could not be had from.
    bool Copy(const std::string& source, const char* target, bool overwrite = true,
              DWORD whyNoTarget = ERROR_PATH_NOT_FOUND);
    // The same into folder\name; a folder that could not be queried or a name that does
    // not fit is a failure to place the file too. False when a failure was noted.
    bool CopyInto(const std::string& source, const Folder& folder, const char* name, bool overwrite = true);
    // A copy made by another call (the INF into the system's store).
    void Note(const std::string& target, DWORD error);
    // Deletes folder\name, also when it is read-only, and notes a failure; a file that is
    // not there is none.
    void DeleteFrom(const Folder& folder, const char* name);

    // A registry value (or key) of the product's that could not be written, named in full.
    void NoteEntry(const std::string& entry, DWORD error) { unwritten_.push_back({entry, error}); }

    bool empty() const { return failures_.empty() && undeleted_.empty() && unwritten_.empty(); }
    // The entry's uninstaller or a removal module did not arrive: the entry starts nothing.
    void NoteUnusableEntry() { entryUnusable_ = true; }
    // The uninstall entry is not whole or not usable: the run must not say it is done.
    bool EntryFailed() const { return !unwritten_.empty() || entryUnusable_; }
    // One box with every file that could not be placed, every one that could not be
    // deleted and every registry entry that could not be written, each with the system's
    // text; the installer's caption, exclamation icon, OK, no owner. Nothing when all went well. The thread's last error is kept.
    void ShowFailures() const;

    struct Failure {
        std::string target;
        DWORD error;
    };

private:
    std::vector<Failure> failures_;
    std::vector<Failure> undeleted_;
    std::vector<Failure> unwritten_;
    bool entryUnusable_ = false;
};

}  // namespace kyr

// The uninstall entry as it was before a removal module ran. The modules delete the entry
// whatever became of the driver; a driver the spooler kept would then be left with nothing
// in the list of installed software to start its removal again.
#pragma once
#include <windows.h>

#include <string>

#include "uninstaller/key_names.h"

namespace kyr {

class UninstallEntryCopy {
public:
    // Reads the entry's values; an entry that is not there is remembered as such.
    static UninstallEntryCopy Read();

    bool present() const { return present_; }
    // The recorded INF copy's path, empty when none was recorded or it could not be read.
    const char* infFile() const { return values_[3].data; }
    // Why the entry, or its "InfFile", could not be read (ERROR_FILE_NOT_FOUND when there is
    // none): which INF the installation recorded is then unknown.
    LONG infFileError() const { return infFileError_; }
    // Writes the entry again with the values it had, in the order an installation writes
    // them; ERROR_SUCCESS when it is whole again (or there was none to bring back).
    LONG Restore() const;

private:
    LONG WriteKnownValues() const;

    struct Value {
        bool present = false;
        DWORD type = REG_SZ;
        DWORD size = 0;
        // Room for a value of the installer's longest path with its end, and one byte more.
        char data[2 * kNameBufferSize] = {0};
    };
    bool present_ = false;
    // There, but it could not be opened: none of its values are known.
    bool unread_ = false;
    // A value that was there but could not be read: the entry cannot be brought back whole.
    LONG readError_ = ERROR_SUCCESS;
    LONG infFileError_ = ERROR_SUCCESS;
    Value values_[4];
};

}  // namespace kyr

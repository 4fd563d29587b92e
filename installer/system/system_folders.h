// The folders the installation sequences copy into, each queried into a buffer of 256
// characters. A query that fails or does not fit leaves the folder invalid (empty), and
// every step that would use it is skipped.
#pragma once
#include <windows.h>

#include "installer/system/path_join.h"

namespace kyr {

struct Folder {
    char path[kPathBufferSize] = {0};
    // Why the query left it invalid: what a copy into it reports.
    DWORD error = ERROR_PATH_NOT_FOUND;
    bool valid() const { return path[0] != '\0'; }
};

Folder QueryWindowsFolder();
Folder QuerySystemFolder();
// Printer-driver and print-processor folders of the local spooler, current environment.
Folder QueryDriverFolder();
Folder QueryProcessorFolder();

// Reports a failed spooler call the way every sequence does (call text + last error +
// system text, exclamation box without owner, the installer's caption).
void ReportFailure(const char* callFormat);

}  // namespace kyr

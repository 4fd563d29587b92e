#include "installer/medium/medium_check.h"

#include <string>

#include "common/appkit/error_report.h"
#include "installer/medium/medium.h"
#include "installer/medium/medium_files.h"

namespace kyr {

namespace {

// The system's reason when the file cannot be read, 0 when it can.
DWORD ReadProblem(const std::string& path) {
    if (path.empty()) return ERROR_FILENAME_EXCED_RANGE;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(file);
    return 0;
}

}  // namespace

void CheckMediumOrEnd(const InstallContext& context, bool win9x) {
    for (const std::string& relative : MediumFiles(context, win9x, context.installProcessor)) {
        const std::string path = MediumPath(context.medium, relative);
        const DWORD problem = ReadProblem(path);
        if (problem == 0) continue;
        std::string text = "The installation medium is incomplete. This file is missing or cannot be read:\n\n";
        text += path.empty() ? relative : path;
        text += "\n\n";
        char reason[512];
        appkit::FormatErrorReport("", problem, reason, sizeof(reason));
        text += reason;
        MessageBoxA(nullptr, text.c_str(), kInstallerCaption, MB_ICONEXCLAMATION | MB_OK);
        ExitProcess(0);
    }
}

bool MediumHolds(const InstallContext& context, MediumSet set) {
    for (const std::string& relative : MediumFiles(context, set, context.installProcessor))
        if (ReadProblem(MediumPath(context.medium, relative)) != 0) return false;
    return true;
}

}  // namespace kyr

#include "installer/app/x64_front.h"

#include <windows.h>

#include "common/appkit/run_lock.h"
#include "installer/context/install_context.h"
#include "installer/medium/medium.h"
#include "installer/medium/medium_check.h"
#include "installer/system/wow64_check.h"

namespace kyr {

bool RanThe64BitInstaller() {
    if (DetectWindowsMachine() != WindowsMachine::Amd64) return false;
    InstallContext context;
    context.FinishNames("730", 'E', true);
    context.medium = MediumFolder();
    if (context.medium.path[0] == '\0' || !MediumHolds(context, MediumSet::NtX64)) return false;
    std::string program = context.MediumFile(std::string(ProgramFolder(MediumSet::NtX64)) + "KYRPOS730_Installer.exe");
    if (program.empty()) return false;
    // No arguments: the 64-bit program finds its medium and its Windows for itself. It
    // starts in this one's current folder, as a plain start from here would.
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &process))
        return false;
    // Lent before it runs its first instruction, so that it never meets its own front's lock.
    void* loan = appkit::LendRunLockTo(process.dwProcessId);
    ResumeThread(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    if (loan) CloseHandle(loan);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace kyr

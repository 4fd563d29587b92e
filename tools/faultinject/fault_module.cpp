// The fault module: loaded into the program before its first instruction, it reads the
// configuration, wraps the program's imports and notes a crash in the log.
#include <windows.h>

#include "tools/faultinject/call_site.h"
#include "tools/faultinject/fault_state.h"
#include "tools/faultinject/import_patch.h"

namespace {

// An unhandled exception ends the program with the exception's code, as Windows does without
// a debugger, instead of Wine's crash dialog, which would hold the scenario.
LONG WINAPI NoteCrash(EXCEPTION_POINTERS* exception) {
    char module[64];
    DWORD offset = 0;
    const EXCEPTION_RECORD* record = exception->ExceptionRecord;
    faults::NameSite(record->ExceptionAddress, module, sizeof(module), &offset);
    faults::LogNote("crash 0x%08lx at %s+0x%lx", record->ExceptionCode, module[0] ? module : "?", offset);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

// Run by the launcher in a thread of the suspended program. Returns 0, or the line of the
// configuration that could not be used (0xFFFF when the file or the log could not be opened).
extern "C" DWORD WINAPI FaultStart(void* configPath) {
    faults::ConfigError error;
    if (!faults::StartFaults(static_cast<const char*>(configPath), &error))
        return error.line != 0 ? static_cast<DWORD>(error.line) : 0xFFFFu;
    char program[MAX_PATH];
    if (GetModuleFileNameA(nullptr, program, sizeof(program)) == 0) program[0] = '\0';
    faults::LogNote("start %s pid %lu", program, GetCurrentProcessId());
    SetUnhandledExceptionFilter(NoteCrash);
    faults::PatchProgram(GetModuleHandleA(nullptr));
    return 0;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(module);
    return TRUE;
}

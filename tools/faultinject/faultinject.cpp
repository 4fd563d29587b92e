// faultinject --config <file> -- <program> [arguments...]
//
// Starts a program unchanged, in the current folder and with the environment given to this
// one, with the fault module (faultmodule.dll, beside this program) loaded before the
// program's first instruction; the configuration (fault_config.h) says which calls fail and
// where the call log goes. Waits for the program and ends with its exit code; a program that
// crashed is reported as such on standard output and in the log ("# end crashed 0x...").
// The program's command line is passed on exactly as this one received it.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/faultinject/fault_config.h"

namespace {

const int kLaunchFailed = 250;

// One argument of a command line as the C runtime splits it; returns where the next begins.
const char* NextArgument(const char* p, std::string* argument) {
    argument->clear();
    bool quoted = false;
    while (*p != '\0' && (quoted || (*p != ' ' && *p != '\t'))) {
        if (*p == '\\') {
            size_t slashes = 0;
            while (*p == '\\') ++slashes, ++p;
            if (*p == '"') {
                argument->append(slashes / 2, '\\');
                if (slashes % 2 == 1) argument->push_back(*p++);
            } else {
                argument->append(slashes, '\\');
            }
        } else if (*p == '"') {
            quoted = !quoted;
            ++p;
        } else {
            argument->push_back(*p++);
        }
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

int Usage() {
    std::fprintf(stderr, "usage: faultinject --config <file> -- <program> [arguments...]\n");
    return kLaunchFailed;
}

void AppendToLog(const char* path, const char* text) {
    if (path[0] == '\0') return;
    HANDLE log = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return;
    SetFilePointer(log, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(log, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    CloseHandle(log);
}

// Runs `routine` in the program with `argument`; its exit code, or false when it could not run.
bool RunInProgram(HANDLE process, void* routine, void* argument, DWORD* result) {
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(routine),
                                       argument, 0, nullptr);
    if (thread == nullptr) return false;
    const bool ended = WaitForSingleObject(thread, 60000) == WAIT_OBJECT_0;
    const bool known = ended && GetExitCodeThread(thread, result);
    CloseHandle(thread);
    return known;
}

// Loads the fault module into the suspended program and has it read the configuration.
bool Inject(HANDLE process, const char* modulePath, const char* configPath) {
    const size_t moduleSize = std::strlen(modulePath) + 1;
    const size_t configSize = std::strlen(configPath) + 1;
    char* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, moduleSize + configSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (remote == nullptr) {
        std::fprintf(stderr, "faultinject: no memory in the program (error %lu)\n", GetLastError());
        return false;
    }
    SIZE_T written = 0;
    if (!WriteProcessMemory(process, remote, modulePath, moduleSize, &written) ||
        !WriteProcessMemory(process, remote + moduleSize, configPath, configSize, &written)) {
        std::fprintf(stderr, "faultinject: cannot write into the program (error %lu)\n", GetLastError());
        return false;
    }
    // The system's modules lie at the same address in every process of this kind.
    void* loadLibrary = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA"));
    DWORD remoteModule = 0;
    if (!RunInProgram(process, loadLibrary, remote, &remoteModule) || remoteModule == 0) {
        std::fprintf(stderr, "faultinject: the program did not load %s\n", modulePath);
        return false;
    }
    // Where FaultStart lies in the program: at the same distance from the module's start as here.
    HMODULE local = LoadLibraryExA(modulePath, nullptr, DONT_RESOLVE_DLL_REFERENCES);
    FARPROC start = local ? GetProcAddress(local, "FaultStart") : nullptr;
    if (start == nullptr) {
        std::fprintf(stderr, "faultinject: %s has no FaultStart\n", modulePath);
        return false;
    }
    const UINT_PTR remoteStart =
        remoteModule + (reinterpret_cast<UINT_PTR>(start) - reinterpret_cast<UINT_PTR>(local));
    DWORD line = 0;
    if (!RunInProgram(process, reinterpret_cast<void*>(remoteStart), remote + moduleSize, &line)) {
        std::fprintf(stderr, "faultinject: the fault module did not start\n");
        return false;
    }
    if (line != 0) {
        std::fprintf(stderr, "faultinject: the fault module refused the configuration (%s %lu)\n",
                     line == 0xFFFF ? "file or log, code" : "line", line);
        return false;
    }
    return true;
}

}  // namespace

int main() {
    std::string argument;
    const char* p = NextArgument(GetCommandLineA(), &argument);  // this program
    std::string configArgument;
    const char* commandLine = nullptr;
    while (*p != '\0') {
        const char* next = NextArgument(p, &argument);
        if (argument == "--") {
            commandLine = next;
            break;
        }
        if (argument == "--config" && *next != '\0') {
            p = NextArgument(next, &configArgument);
            continue;
        }
        return Usage();
    }
    if (commandLine == nullptr || *commandLine == '\0' || configArgument.empty()) return Usage();
    std::string program;
    NextArgument(commandLine, &program);

    char configPath[MAX_PATH];
    const DWORD length = GetFullPathNameA(configArgument.c_str(), MAX_PATH, configPath, nullptr);
    if (length == 0 || length >= MAX_PATH) return Usage();
    // Checked here first, so that a mistake is told with its text before anything starts.
    static faults::Config config;
    faults::ConfigError error;
    if (!faults::ReadConfig(configPath, &config, &error)) {
        if (error.line != 0) {
            std::fprintf(stderr, "faultinject: %s line %d: %s\n", configPath, error.line, error.why);
        } else {
            std::fprintf(stderr, "faultinject: %s\n", error.why);
        }
        return kLaunchFailed;
    }

    char modulePath[MAX_PATH];
    const DWORD self = GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
    char* slash = self != 0 && self < MAX_PATH ? std::strrchr(modulePath, '\\') : nullptr;
    if (slash == nullptr || static_cast<size_t>(slash - modulePath) + 17 >= MAX_PATH) return Usage();
    std::strcpy(slash + 1, "faultmodule.dll");

    std::string line(commandLine);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "faultinject: cannot start %s (error %lu)\n", program.c_str(), GetLastError());
        return kLaunchFailed;
    }
    if (!Inject(process.hProcess, modulePath, configPath)) {
        TerminateProcess(process.hProcess, kLaunchFailed);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return kLaunchFailed;
    }
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);

    char end[96];
    // An exception's code (0xC0000005 and the like) is no status a program chooses to end with.
    if ((code & 0xF0000000u) == 0xC0000000u) {
        std::snprintf(end, sizeof(end), "# end crashed 0x%08lx\r\n", code);
        std::printf("faultinject: %s crashed (exception 0x%08lX)\n", program.c_str(), code);
    } else {
        std::snprintf(end, sizeof(end), "# end exit %lu\r\n", code);
        std::printf("faultinject: %s exited with %lu\n", program.c_str(), code);
    }
    std::fflush(stdout);
    AppendToLog(config.logPath, end);
    return static_cast<int>(code);
}

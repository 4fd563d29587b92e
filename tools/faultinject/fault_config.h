// The injector's configuration, one instruction a line ('#' starts a comment):
//   log <file>                      every wrapped call, with its call site, to that file
//   nosleep                         Sleep returns at once
//   only <module>                   watch only calls made from that module (may repeat)
//   fail <target> <n> [code]        fail the n-th call of the target
//   fail-from <target> <n> [code]   fail the n-th call of the target and every later one
//   windows-spooler                 the spooler answers as Windows' does where Wine's is gentler
//                                   (spooler_rules.h)
//   jobs <n> paused|printing <printer name>
//                                   documents waiting on that printer, for those rules
// A target is a call's name (AddPrinterA), a family (spooler) or a call site
// (KYRPOS730_Installer.exe+0x1a2b). Without a code, the family's own.
#pragma once
#include <windows.h>

namespace faults {

enum class Target { Call, Family, Site };

struct Rule {
    bool onward;          // fail-from
    Target target;
    int index;            // call or family
    char module[64];      // site
    DWORD offset;
    LONG n;
    bool hasCode;
    DWORD code;
    LONG seen;            // calls of the target so far
};

// Documents the bench says are waiting on a printer: Wine's spooler prints a job at once,
// so none ever waits there.
struct WaitingJobs {
    char printer[128];
    DWORD count;
    bool paused;
};

struct Config {
    char logPath[MAX_PATH];
    bool noSleep;
    bool windowsSpooler;
    WaitingJobs jobs[4];
    int jobsCount;
    char only[8][64];
    int onlyCount;
    Rule rules[64];
    int ruleCount;
};

struct ConfigError {
    int line;             // 0: the file itself could not be read
    char why[160];
};

bool ParseConfig(const char* text, Config* config, ConfigError* error);
bool ReadConfig(const char* path, Config* config, ConfigError* error);

}  // namespace faults

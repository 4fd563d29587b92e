// The fault module's state inside the program: the configuration, the counters, the log.
// Every wrapper brackets the real call with BeginCall and FinishCall.
#pragma once
#include <windows.h>

#include "tools/faultinject/call_table.h"
#include "tools/faultinject/fault_config.h"

namespace faults {

struct CallRecord {
    int call;
    DWORD entryError;     // the caller's last error, given back around our own work
    bool watched;         // made from a module the configuration watches
    bool inject;
    DWORD code;
    LONG ordinal;         // this call's number among the calls of its name
    unsigned families;    // the families it counted in
    LONG familyOrdinals[kFamilyCount];  // its number among each one's calls
    char module[64];
    DWORD offset;
    char detail[400];
    size_t detailLength;
};

bool StartFaults(const char* configPath, ConfigError* error);
const Config& CurrentConfig();
bool SkipSleeps();

// Counts the call and decides whether it fails; `families` are the families it belongs to.
void BeginCall(CallRecord* call, int id, const void* returnAddress, unsigned families);
void Describe(CallRecord* call, const char* text);
void Describe(CallRecord* call, const wchar_t* text);
void DescribeNumber(CallRecord* call, DWORD number, const char* unit);
// Logs the call with its result ("ok", "fail 5", "injected 1722", ...) and gives the caller
// `lastError` as the thread's last error.
void FinishCall(CallRecord* call, const char* result, DWORD lastError);
// A real call: `failureCode` is what it failed with, `lastError` what it left.
void FinishReal(CallRecord* call, bool succeeded, DWORD failureCode, DWORD lastError);
// An injected failure: the error becomes the last error unless the call returns it instead.
void FinishInjected(CallRecord* call);

// A line starting with '#', which readers of the log skip.
void LogNote(const char* format, ...);

}  // namespace faults

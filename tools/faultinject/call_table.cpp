#include "tools/faultinject/call_table.h"

namespace faults {

const CallEntry kCalls[kCallCount] = {
#define KYR_CALL_SPEC(name, family, fails, outputs, strings) \
    {#name, family, Fails::fails, outputs, Strings::strings},
    KYR_WRAPPED_CALLS(KYR_CALL_SPEC)
    KYR_LOADER_CALLS(KYR_CALL_SPEC)
#undef KYR_CALL_SPEC
};

// The codes the system gives for the condition each family stands for: a spooler that
// stopped (RPC server unavailable), a refused key, a full disk, a file another program holds,
// a module that is not there.
const FamilyEntry kFamilies[kFamilyCount] = {
    {"none", ERROR_ACCESS_DENIED},
    {"spooler", RPC_S_SERVER_UNAVAILABLE},
    {"registry", ERROR_ACCESS_DENIED},
    {"registry-open", ERROR_ACCESS_DENIED},
    {"registry-read", ERROR_ACCESS_DENIED},
    {"file-write", ERROR_DISK_FULL},
    {"file-delete", ERROR_SHARING_VIOLATION},
    {"file-query", ERROR_ACCESS_DENIED},
    {"attributes", ERROR_ACCESS_DENIED},
    {"setup", ERROR_ACCESS_DENIED},
    {"security", ERROR_ACCESS_DENIED},
    {"module", ERROR_MOD_NOT_FOUND},
    {"removal-module", ERROR_MOD_NOT_FOUND},
    {"binding", ERROR_PROC_NOT_FOUND},
    {"resource", ERROR_NOT_ENOUGH_MEMORY},
    {"system-query", ERROR_NOT_ENOUGH_MEMORY},
    {"program", ERROR_FILE_NOT_FOUND},
};

DWORD DefaultCode(int call) {
    if (call == kCallFreeLibrary) return ERROR_INVALID_HANDLE;
    return kFamilies[kCalls[call].family].defaultCode;
}

int FindCall(const char* name) {
    for (int i = 0; i < kCallCount; ++i) {
        if (lstrcmpA(kCalls[i].name, name) == 0) return i;
    }
    return -1;
}

int FindFamily(const char* name) {
    for (int i = 1; i < kFamilyCount; ++i) {
        if (lstrcmpiA(kFamilies[i].name, name) == 0) return i;
    }
    return -1;
}

}  // namespace faults

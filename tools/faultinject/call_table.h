// What the fault injector knows about each wrapped call and each family of calls: shared by
// the launcher (to check a configuration before starting anything) and the fault module.
#pragma once
#include <windows.h>

#include "tools/faultinject/call_list.h"

namespace faults {

// How a call tells its caller that it failed.
enum class Fails {
    Bool,           // FALSE, error in the thread's last error
    Null,           // a null handle or pointer, error in the last error
    InvalidHandle,  // INVALID_HANDLE_VALUE, error in the last error
    AllBits,        // 0xFFFFFFFF (INVALID_FILE_ATTRIBUTES), error in the last error
    Status,         // the error code itself is the result; the last error is left alone
    SmallCode,      // a number below 32, the error itself (WinExec); success is above 31
    Never,          // cannot fail (Sleep)
};

enum class Strings { Any, ConstOnly };

enum Family {
    None,
    Spooler,
    Registry,
    RegistryOpen,
    RegistryRead,
    FileWrite,
    FileDelete,
    FileQuery,
    Attributes,
    Setup,
    Security,
    Module,
    RemovalModule,
    Binding,
    Resource,
    SystemQuery,
    Program,
    kFamilyCount
};

enum CallId {
#define KYR_CALL_ID(name, family, fails, outputs, strings) kCall##name,
    KYR_WRAPPED_CALLS(KYR_CALL_ID)
    kGenericCallCount,
    kLoaderCallsStart = kGenericCallCount - 1,
    KYR_LOADER_CALLS(KYR_CALL_ID)
#undef KYR_CALL_ID
    kCallCount
};

struct CallEntry {
    const char* name;
    Family family;
    Fails fails;
    unsigned outputs;
    Strings strings;
};

struct FamilyEntry {
    const char* name;
    DWORD defaultCode;
};

extern const CallEntry kCalls[kCallCount];
extern const FamilyEntry kFamilies[kFamilyCount];

inline unsigned FamilyBit(Family family) { return family == None ? 0u : 1u << family; }

// The error a call of this kind fails with when the configuration names none.
DWORD DefaultCode(int call);

// -1 when unknown; names are compared exactly, families without regard to case.
int FindCall(const char* name);
int FindFamily(const char* name);

}  // namespace faults

// One wrapper per call, made from the call's own declaration, so that it takes and gives
// back exactly what the system's function does (stdcall, same arguments).
#include <windows.h>
#include <aclapi.h>
#include <setupapi.h>
#include <shlwapi.h>
#include <winspool.h>

#include <cstdint>
#include <type_traits>

#include "tools/faultinject/call_table.h"
#include "tools/faultinject/fault_state.h"
#include "tools/faultinject/spooler_rules.h"
#include "tools/faultinject/wrapper_table.h"

namespace faults {

namespace {

void* volatile g_real[kCallCount];

template <int Id>
struct Tag {};

// The families a call belongs to; most calls always belong to their own.
template <int Id, typename... A>
unsigned Families(Tag<Id>, A...) {
    return FamilyBit(kCalls[Id].family);
}

// An open for reading is no write.
unsigned Families(Tag<kCallCreateFileA>, LPCSTR, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition,
                  DWORD, HANDLE) {
    const DWORD writing = GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA;
    return (access & writing) != 0 || disposition != OPEN_EXISTING ? FamilyBit(FileWrite) : 0u;
}

// Windows' spooler rules (spooler_rules.h): a call a rule answers never reaches Wine's.
template <int Id, typename... A>
bool ByWindowsRules(Tag<Id>, bool*, DWORD*, A...) {
    return false;
}
bool ByWindowsRules(Tag<kCallAddPrinterDriverA>, bool* succeeded, DWORD* error, LPSTR, DWORD level, LPBYTE info) {
    return AddPrinterDriverRule(level, info, succeeded, error);
}
bool ByWindowsRules(Tag<kCallAddMonitorA>, bool* succeeded, DWORD* error, LPSTR, DWORD level, LPBYTE info) {
    return AddMonitorRule(level, info, succeeded, error);
}
bool ByWindowsRules(Tag<kCallAddPrintProcessorA>, bool* succeeded, DWORD* error, LPSTR, LPSTR environment, LPSTR file,
                    LPSTR name) {
    return AddPrintProcessorRule(environment, file, name, succeeded, error);
}
bool ByWindowsRules(Tag<kCallDeletePrinter>, bool* succeeded, DWORD* error, HANDLE printer) {
    return DeletePrinterRule(printer, succeeded, error);
}
bool ByWindowsRules(Tag<kCallDeletePrinterDriverA>, bool* succeeded, DWORD* error, LPSTR, LPSTR, LPSTR driver) {
    return DeletePrinterDriverRule(driver, succeeded, error);
}
bool ByWindowsRules(Tag<kCallDeletePrinterDriverExA>, bool* succeeded, DWORD* error, LPSTR, LPSTR, LPSTR driver, DWORD,
                    DWORD) {
    return DeletePrinterDriverRule(driver, succeeded, error);
}
template <int Id, typename... A>
void AfterRealCall(Tag<Id>, bool, A...) {}
void AfterRealCall(Tag<kCallGetPrinterA>, bool ok, HANDLE printer, DWORD level, LPBYTE buffer, DWORD, LPDWORD) {
    if (ok) AfterGetPrinter(printer, level, buffer);
}

template <typename T>
void DescribeArgument(CallRecord*, Strings, T) {}
void DescribeArgument(CallRecord* call, Strings, const char* text) { Describe(call, text); }
void DescribeArgument(CallRecord* call, Strings strings, char* text) {
    if (strings == Strings::Any) Describe(call, text);
}
void DescribeArgument(CallRecord* call, Strings, const wchar_t* text) { Describe(call, text); }
void DescribeArgument(CallRecord* call, Strings strings, wchar_t* text) {
    if (strings == Strings::Any) Describe(call, text);
}
void DescribeArgument(CallRecord* call, Strings, HKEY key) {
    static const char* const kRoots[] = {"HKCR", "HKCU", "HKLM", "HKU", "HKPD", "HKCC", "HKDD"};
    const UINT_PTR value = reinterpret_cast<UINT_PTR>(key);
    if (value >= 0x80000000u && value <= 0x80000006u) Describe(call, kRoots[value - 0x80000000u]);
}

template <typename T>
void ClearOutput(bool clear, T argument) {
    if constexpr (std::is_pointer_v<T>) {
        if (clear && argument != nullptr) *reinterpret_cast<UINT_PTR*>(reinterpret_cast<UINT_PTR>(argument)) = 0;
    }
}

template <typename... A>
void ClearOutputs(unsigned mask, A... arguments) {
    unsigned position = 0;
    (ClearOutput(((mask >> position++) & 1u) != 0, arguments), ...);
}

template <typename R>
UINT_PTR Bits(R value) {
    if constexpr (std::is_pointer_v<R>) {
        return reinterpret_cast<UINT_PTR>(value);
    } else {
        return static_cast<UINT_PTR>(static_cast<DWORD>(value));
    }
}

template <typename R>
R FromBits(UINT_PTR bits) {
    if constexpr (std::is_pointer_v<R>) {
        return reinterpret_cast<R>(bits);
    } else {
        return static_cast<R>(bits);
    }
}

bool Succeeded(Fails fails, UINT_PTR bits) {
    switch (fails) {
        case Fails::Bool:
        case Fails::Null:
            return bits != 0;
        case Fails::InvalidHandle:
        case Fails::AllBits:
            return bits != 0xFFFFFFFFu;
        case Fails::Status:
            return bits == ERROR_SUCCESS;
        case Fails::SmallCode:
            return bits > 31;
        case Fails::Never:
            return true;
    }
    return true;
}

UINT_PTR FailureBits(Fails fails, DWORD code) {
    switch (fails) {
        case Fails::InvalidHandle:
        case Fails::AllBits:
            return 0xFFFFFFFFu;
        case Fails::Status:
            return code;
        case Fails::SmallCode:
            return code < 32 ? code : ERROR_FILE_NOT_FOUND;
        default:
            return 0;
    }
}

template <int Id, typename F>
struct Wrapper;

template <int Id, typename R, typename... A>
struct Wrapper<Id, R(WINAPI*)(A...)> {
    static R WINAPI Call(A... arguments) {
        const CallEntry& entry = kCalls[Id];
        CallRecord call;
        BeginCall(&call, Id, __builtin_return_address(0), Families(Tag<Id>(), arguments...));
        (DescribeArgument(&call, entry.strings, arguments), ...);
        if (call.inject) {
            ClearOutputs(entry.outputs, arguments...);
            FinishInjected(&call);
            return FromBits<R>(FailureBits(entry.fails, call.code));
        }
        bool ruled = false;
        DWORD ruledError = 0;
        if (ByWindowsRules(Tag<Id>(), &ruled, &ruledError, arguments...)) {
            // Answered as Windows would; logged like a real call with that result.
            FinishReal(&call, ruled, ruledError, ruled ? call.entryError : ruledError);
            return FromBits<R>(ruled ? 1u : FailureBits(entry.fails, ruledError));
        }
        SetLastError(call.entryError);
        const R result = reinterpret_cast<R(WINAPI*)(A...)>(g_real[Id])(arguments...);
        const DWORD lastError = GetLastError();
        const UINT_PTR bits = Bits(result);
        const bool ok = Succeeded(entry.fails, bits);
        AfterRealCall(Tag<Id>(), ok, arguments...);
        const bool returnsCode = entry.fails == Fails::Status || entry.fails == Fails::SmallCode;
        FinishReal(&call, ok, returnsCode ? static_cast<DWORD>(bits) : lastError, lastError);
        return result;
    }
};

void* const kWrappers[kCallCount] = {
#define KYR_GENERIC_WRAPPER(name, family, fails, outputs, strings) \
    reinterpret_cast<void*>(&Wrapper<kCall##name, decltype(&::name)>::Call),
    KYR_WRAPPED_CALLS(KYR_GENERIC_WRAPPER)
#undef KYR_GENERIC_WRAPPER
    reinterpret_cast<void*>(&WrapLoadLibraryA),
    reinterpret_cast<void*>(&WrapLoadLibraryExA),
    reinterpret_cast<void*>(&WrapLoadLibraryW),
    reinterpret_cast<void*>(&WrapGetProcAddress),
    reinterpret_cast<void*>(&WrapSleep),
};
static_assert(kCallCount - kGenericCallCount == 5, "every loader call has its wrapper above");

}  // namespace

void* WrapperOf(int call) { return kWrappers[call]; }
void* RealOf(int call) { return g_real[call]; }
void SetReal(int call, void* real) { g_real[call] = real; }

}  // namespace faults

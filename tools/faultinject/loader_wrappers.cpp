// The wrappers that keep the injection going as the program loads its modules and binds
// calls by name, and the one that can skip the program's pauses.
#include <windows.h>

#include "tools/faultinject/call_table.h"
#include "tools/faultinject/fault_state.h"
#include "tools/faultinject/import_patch.h"
#include "tools/faultinject/wrapper_table.h"

namespace faults {

namespace {

// The removal modules, by the start of their file name (Unhook_A.DLL, Unhook_B.DLL).
template <typename Char>
unsigned LoadFamilies(const Char* file) {
    unsigned families = FamilyBit(Module);
    if (file == nullptr) return families;
    const Char* name = file;
    for (const Char* p = file; *p != 0; ++p) {
        if (*p == '\\' || *p == '/') name = p + 1;
    }
    static const char kRemoval[] = "unhook_";
    for (size_t i = 0; kRemoval[i] != '\0'; ++i) {
        Char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<Char>(c - 'A' + 'a');
        if (c != static_cast<Char>(kRemoval[i])) return families;
    }
    return families | FamilyBit(RemovalModule);
}

template <typename Fn>
Fn Real(int call) {
    return reinterpret_cast<Fn>(RealOf(call));
}

HMODULE FinishLoad(CallRecord* call, HMODULE module, bool patch) {
    const DWORD error = GetLastError();
    if (module != nullptr && patch) PatchLoaded(module);
    FinishReal(call, module != nullptr, error, error);
    return module;
}

}  // namespace

HMODULE WINAPI WrapLoadLibraryA(LPCSTR file) {
    CallRecord call;
    BeginCall(&call, kCallLoadLibraryA, __builtin_return_address(0), LoadFamilies(file));
    Describe(&call, file);
    if (call.inject) {
        FinishInjected(&call);
        return nullptr;
    }
    SetLastError(call.entryError);
    return FinishLoad(&call, Real<decltype(&::LoadLibraryA)>(kCallLoadLibraryA)(file), true);
}

HMODULE WINAPI WrapLoadLibraryExA(LPCSTR file, HANDLE reserved, DWORD flags) {
    CallRecord call;
    BeginCall(&call, kCallLoadLibraryExA, __builtin_return_address(0), LoadFamilies(file));
    Describe(&call, file);
    if (call.inject) {
        FinishInjected(&call);
        return nullptr;
    }
    SetLastError(call.entryError);
    // A module mapped as data or without its imports runs no code to watch.
    const bool runs = (flags & (LOAD_LIBRARY_AS_DATAFILE | DONT_RESOLVE_DLL_REFERENCES)) == 0;
    return FinishLoad(&call, Real<decltype(&::LoadLibraryExA)>(kCallLoadLibraryExA)(file, reserved, flags), runs);
}

HMODULE WINAPI WrapLoadLibraryW(LPCWSTR file) {
    CallRecord call;
    BeginCall(&call, kCallLoadLibraryW, __builtin_return_address(0), LoadFamilies(file));
    Describe(&call, file);
    if (call.inject) {
        FinishInjected(&call);
        return nullptr;
    }
    SetLastError(call.entryError);
    return FinishLoad(&call, Real<decltype(&::LoadLibraryW)>(kCallLoadLibraryW)(file), true);
}

// A call bound by name gets its wrapper, as an import of it would.
FARPROC WINAPI WrapGetProcAddress(HMODULE module, LPCSTR name) {
    CallRecord call;
    BeginCall(&call, kCallGetProcAddress, __builtin_return_address(0), FamilyBit(Binding));
    const bool byName = HIWORD(reinterpret_cast<UINT_PTR>(name)) != 0;
    if (byName) {
        Describe(&call, name);
    } else {
        DescribeNumber(&call, LOWORD(reinterpret_cast<UINT_PTR>(name)), " (ordinal)");
    }
    if (call.inject) {
        FinishInjected(&call);
        return nullptr;
    }
    SetLastError(call.entryError);
    FARPROC found = Real<decltype(&::GetProcAddress)>(kCallGetProcAddress)(module, name);
    const DWORD error = GetLastError();
    if (found != nullptr && byName) {
        const int wrapped = FindCall(name);
        if (wrapped >= 0) {
            SetReal(wrapped, reinterpret_cast<void*>(found));
            found = reinterpret_cast<FARPROC>(WrapperOf(wrapped));
        }
    }
    FinishReal(&call, found != nullptr, error, error);
    return found;
}

void WINAPI WrapSleep(DWORD milliseconds) {
    CallRecord call;
    BeginCall(&call, kCallSleep, __builtin_return_address(0), 0);
    DescribeNumber(&call, milliseconds, " ms");
    if (SkipSleeps()) {
        FinishCall(&call, "skipped", call.entryError);
        return;
    }
    SetLastError(call.entryError);
    Real<decltype(&::Sleep)>(kCallSleep)(milliseconds);
    FinishCall(&call, "ok", GetLastError());
}

}  // namespace faults

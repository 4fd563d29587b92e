// Each wrapped call's wrapper, and the system's own function it stands in front of.
#pragma once
#include <windows.h>

namespace faults {

void* WrapperOf(int call);
// Null until a module's import of the call or a GetProcAddress for it was seen.
void* RealOf(int call);
void SetReal(int call, void* real);

HMODULE WINAPI WrapLoadLibraryA(LPCSTR file);
HMODULE WINAPI WrapLoadLibraryExA(LPCSTR file, HANDLE reserved, DWORD flags);
HMODULE WINAPI WrapLoadLibraryW(LPCWSTR file);
FARPROC WINAPI WrapGetProcAddress(HMODULE module, LPCSTR name);
void WINAPI WrapSleep(DWORD milliseconds);

}  // namespace faults

// Where a call came from, as a scenario can name it in every run: the module's file name and
// the offset from the module's start (stable under address-space layout changes).
#pragma once
#include <windows.h>

namespace faults {

// The module holding `address` ("" when none does, the offset then being the address).
void NameSite(const void* address, char* module, size_t size, DWORD* offset);

// The module's file name without its folder.
void ModuleName(HMODULE module, char* name, size_t size);

}  // namespace faults

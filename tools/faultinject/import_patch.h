// Points a module's imports of wrapped calls at their wrappers (its import address table).
#pragma once
#include <windows.h>

namespace faults {

// The program's own modules are patched; Windows' (those in the Windows or system folder)
// and the fault module itself are not, so that the system's calls among themselves stay
// unseen.
bool IsPatchable(HMODULE module);

// Returns how many imports now lead to a wrapper.
int PatchImports(HMODULE module);

// Patches the module if it is patchable (the program itself always is, wherever it lies),
// and says so in the log.
void PatchLoaded(HMODULE module);
void PatchProgram(HMODULE program);

}  // namespace faults

#include "tools/faultinject/import_patch.h"

#include "tools/faultinject/call_site.h"
#include "tools/faultinject/call_table.h"
#include "tools/faultinject/fault_state.h"
#include "tools/faultinject/wrapper_table.h"

namespace faults {

namespace {

// The folder part of a module's path, without the final backslash.
bool ModuleFolder(HMODULE module, char* folder, size_t size) {
    const DWORD length = GetModuleFileNameA(module, folder, static_cast<DWORD>(size));
    if (length == 0 || length >= size) return false;
    char* last = nullptr;
    for (char* p = folder; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') last = p;
    }
    if (last == nullptr) return false;
    *last = '\0';
    return true;
}

bool IsSystemFolder(const char* folder) {
    char windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 16) return false;
    if (lstrcmpiA(folder, windows) == 0) return true;
    static const char* const kSystemFolders[] = {"\\system32", "\\syswow64", "\\system"};
    for (const char* name : kSystemFolders) {
        char system[MAX_PATH];
        lstrcpynA(system, windows, MAX_PATH);
        lstrcpynA(system + length, name, MAX_PATH - length);
        if (lstrcmpiA(folder, system) == 0) return true;
    }
    return false;
}

HMODULE Self() {
    MEMORY_BASIC_INFORMATION region = {};
    VirtualQuery(reinterpret_cast<const void*>(&Self), &region, sizeof(region));
    return static_cast<HMODULE>(region.AllocationBase);
}

void Point(void** slot, void* target) {
    DWORD old = 0;
    if (!VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &old)) return;
    *slot = target;
    VirtualProtect(slot, sizeof(*slot), old, &old);
}

}  // namespace

bool IsPatchable(HMODULE module) {
    if (module == nullptr || module == Self()) return false;
    char folder[MAX_PATH];
    return ModuleFolder(module, folder, sizeof(folder)) && !IsSystemFolder(folder);
}

int PatchImports(HMODULE module) {
    BYTE* base = reinterpret_cast<BYTE*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return 0;
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return 0;
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0 || imports.Size == 0) return 0;
    int wrapped = 0;
    for (const IMAGE_IMPORT_DESCRIPTOR* dll =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         dll->Name != 0; ++dll) {
        // Without the name table the bound addresses alone do not say which call is which.
        if (dll->OriginalFirstThunk == 0) continue;
        const IMAGE_THUNK_DATA* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        void** slots = reinterpret_cast<void**>(base + dll->FirstThunk);
        for (size_t i = 0; names[i].u1.AddressOfData != 0; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
            const IMAGE_IMPORT_BY_NAME* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
            const int call = FindCall(reinterpret_cast<const char*>(byName->Name));
            if (call < 0) continue;
            void* wrapper = WrapperOf(call);
            if (slots[i] != wrapper) {
                SetReal(call, slots[i]);
                Point(&slots[i], wrapper);
            }
            ++wrapped;
        }
    }
    return wrapped;
}

namespace {

void PatchAndNote(HMODULE module) {
    const int wrapped = PatchImports(module);
    char name[64];
    ModuleName(module, name, sizeof(name));
    LogNote("patched %s (%d imports wrapped)", name, wrapped);
}

}  // namespace

void PatchProgram(HMODULE program) { PatchAndNote(program); }

void PatchLoaded(HMODULE module) {
    if (IsPatchable(module)) PatchAndNote(module);
}

}  // namespace faults

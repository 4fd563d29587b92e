#include "tools/faultinject/call_site.h"

namespace faults {

void ModuleName(HMODULE module, char* name, size_t size) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, sizeof(path));
    name[0] = '\0';
    if (length == 0 || length >= sizeof(path)) return;
    const char* base = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') base = p + 1;
    }
    lstrcpynA(name, base, static_cast<int>(size));
}

void NameSite(const void* address, char* module, size_t size, DWORD* offset) {
    MEMORY_BASIC_INFORMATION region = {};
    module[0] = '\0';
    *offset = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(address));
    if (VirtualQuery(address, &region, sizeof(region)) == 0 || region.AllocationBase == nullptr) return;
    ModuleName(static_cast<HMODULE>(region.AllocationBase), module, size);
    if (module[0] != '\0')
        *offset = static_cast<DWORD>(static_cast<const BYTE*>(address) - static_cast<const BYTE*>(region.AllocationBase));
}

}  // namespace faults

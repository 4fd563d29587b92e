// Calls into system DLLs that Windows 95 lacks (setupapi, shlwapi without Internet
// Explorer) or may lack (the access-list functions), bound at run time: a load-time import
// would stop the programs from starting there at all, although only NT paths use them.
#pragma once
#include <windows.h>

namespace kyr {

class LateBoundModule {
public:
    explicit LateBoundModule(const char* name) : module_(LoadLibraryA(name)) {}
    ~LateBoundModule() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    LateBoundModule(const LateBoundModule&) = delete;
    LateBoundModule& operator=(const LateBoundModule&) = delete;

    // nullptr when the module or the entry point is missing.
    template <typename Fn>
    Fn Get(const char* name) const {
        if (module_ == nullptr) return nullptr;
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

}  // namespace kyr

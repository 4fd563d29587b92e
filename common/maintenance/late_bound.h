// Calls into system DLLs that Windows 95 lacks (setupapi, shlwapi without Internet
// Explorer) or may lack (the access-list functions), bound at run time: a load-time import
// would stop the programs from starting there at all, although only NT paths use them.
//
// A library bound by bare name is looked for in the program's folder and the current
// folder before the system folder, so whoever can put a file there decides what runs with
// the rights of the person removing a driver. Every such library is taken from the system
// folder by its full path.
#pragma once
#include <windows.h>

namespace kyr {

// The system folder's copy of the library, or nullptr when it is missing there (or the
// folder's name leaves no room for it): never one found elsewhere.
inline HMODULE LoadSystemLibrary(const char* name) {
    char path[MAX_PATH];
    const UINT folderLength = GetSystemDirectoryA(path, MAX_PATH);
    const int nameLength = lstrlenA(name);
    if (folderLength == 0 || nameLength == 0 || folderLength + 1 + nameLength >= MAX_PATH)
        return nullptr;
    path[folderLength] = '\\';
    CopyMemory(path + folderLength + 1, name, nameLength + 1);
    return LoadLibraryA(path);
}

class LateBoundModule {
public:
    explicit LateBoundModule(const char* name) : module_(LoadSystemLibrary(name)) {}
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

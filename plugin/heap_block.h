// A block of the process heap for data whose size is known only when asked for, freed when
// its holder goes. Nothing in the plug-in throws, so a failed allocation is a null block that
// the caller checks.
#pragma once

#include <windows.h>

namespace kyr {

class HeapBlock {
public:
    HeapBlock() = default;
    ~HeapBlock() { Release(); }
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;

    // A new block in place of the held one; nullptr when the heap has no room.
    BYTE* Allocate(DWORD bytes) {
        Release();
        data_ = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, bytes));
        return data_;
    }
    BYTE* data() const { return data_; }
    void Release() {
        if (data_ != nullptr) HeapFree(GetProcessHeap(), 0, data_);
        data_ = nullptr;
    }

private:
    BYTE* data_ = nullptr;
};

}  // namespace kyr

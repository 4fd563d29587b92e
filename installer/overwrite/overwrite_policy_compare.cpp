#include "installer/overwrite/overwrite_policy_compare.h"

namespace kyr {

DWORD ReadFileVersion(const char* path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(const_cast<char*>(path), &ignored);
    if (size == 0) return 0;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!memory) return 0;
    DWORD version = 0;
    void* block = GlobalLock(memory);
    if (block && GetFileVersionInfoA(const_cast<char*>(path), 0, size, block)) {
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        // A root block shorter than the fixed record is as good as none.
        if (VerQueryValueA(block, const_cast<char*>("\\"), reinterpret_cast<void**>(&fixed), &length) && fixed &&
            length >= sizeof(VS_FIXEDFILEINFO))
            version = fixed->dwFileVersionMS;
    }
    if (block) GlobalUnlock(memory);
    GlobalFree(memory);
    return version;
}

bool IsOlderByVersion(const char* installedPath, const char* mediaPath) {
    return ReadFileVersion(installedPath) < ReadFileVersion(mediaPath);
}

namespace {
bool LastWriteHigh(const char* path, DWORD* high) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME created, accessed, written;
    const bool read = GetFileTime(file, &created, &accessed, &written) != FALSE;
    CloseHandle(file);
    if (read) *high = written.dwHighDateTime;
    return read;
}
}  // namespace

bool IsOlderByDate(const char* installedPath, const char* mediaPath) {
    DWORD installed = 0, media = 0;
    if (!LastWriteHigh(installedPath, &installed)) return false;
    if (!LastWriteHigh(mediaPath, &media)) return false;
    return media > installed;
}

}  // namespace kyr

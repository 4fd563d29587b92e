// One directory search over FindFirstFileA/FindNextFileA. The search handle is closed on
// every way out, so a walk that returns early cannot leak it.
#pragma once
#include <windows.h>

namespace appkit {

class FileFinder {
public:
    FileFinder() = default;
    ~FileFinder() { Close(); }
    FileFinder(const FileFinder&) = delete;
    FileFinder& operator=(const FileFinder&) = delete;

    // Starts a search with a pattern such as "C:\dir\*.*"; true when an entry is current.
    // A search still open is closed first.
    bool Find(const char* pattern);
    // Makes the next entry current; false when the search has no more.
    bool Next();
    void Close();

    // Valid while Find or Next last answered true.
    const char* Name() const { return data_.cFileName; }
    DWORD Attributes() const { return data_.dwFileAttributes; }
    bool IsDots() const;
    bool IsDirectory() const { return (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // Junctions and symbolic links; a walk must not descend through them.
    bool IsReparsePoint() const {
        return (data_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA data_{};
};

}  // namespace appkit

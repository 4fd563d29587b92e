#include "common/maintenance/delete_folder_tree.h"

#include <windows.h>

#include <cstring>

#include "common/appkit/file_finder.h"
#include "common/files/delete_even_read_only.h"
#include "common/maintenance/folder_path.h"
#include "common/text/system_lead_byte.h"

namespace kyr {

namespace {

// The ANSI file functions take no longer path; a path that does not fit is left alone
// rather than cut into another, valid one.
constexpr size_t kPathBufferSize = MAX_PATH;

bool Join(char* out, const char* folder, const char* tail) {
    return JoinFolderPath(out, kPathBufferSize, folder, tail, SystemLeadByte);
}

// Removes a junction or symbolic link without touching what it points to. Only when a
// handle opened on the link itself (FILE_FLAG_OPEN_REPARSE_POINT) reports the reparse
// point is the system known to address the link and not its target; there RemoveDirectoryA
// and DeleteFileA remove the link alone. A system that opens the target instead (Wine maps
// such links to Unix symbolic links and follows them) would delete the target's contents,
// so the link is left in place. Attributes are not cleared: that would write the target's.
void RemoveLink(const char* path, bool isDirectory) {
    HANDLE handle = CreateFileA(
        path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
        nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    BY_HANDLE_FILE_INFORMATION info;
    bool isLinkItself = GetFileInformationByHandle(handle, &info) &&
                        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    CloseHandle(handle);
    if (!isLinkItself) return;
    if (isDirectory) {
        RemoveDirectoryA(path);
    } else {
        DeleteFileA(path);
    }
}

}  // namespace

void DeleteFolderTree(const char* folder) {
    if (folder == nullptr || folder[0] == '\0') return;

    char pattern[kPathBufferSize];
    if (!Join(pattern, folder, "*.*")) return;
    // The folder itself without a trailing backslash: the pattern minus "\*.*".
    char self[kPathBufferSize];
    std::memcpy(self, pattern, std::strlen(pattern) - 4);
    self[std::strlen(pattern) - 4] = '\0';

    DWORD attributes = GetFileAttributesA(self);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveLink(self, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        return;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesA(self, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }

    {
        appkit::FileFinder finder;
        for (bool found = finder.Find(pattern); found; found = finder.Next()) {
            if (finder.IsDots()) continue;
            char entry[kPathBufferSize];
            if (!Join(entry, self, finder.Name())) continue;
            if (finder.IsReparsePoint()) {
                RemoveLink(entry, finder.IsDirectory());
            } else if (finder.IsDirectory()) {
                DeleteFolderTree(entry);
                RemoveDirectoryA(entry);
            } else {
                DeleteEvenReadOnly(entry);
            }
        }
    }
    RemoveDirectoryA(self);
}

}  // namespace kyr

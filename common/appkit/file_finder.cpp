#include "common/appkit/file_finder.h"

namespace appkit {

bool FileFinder::Find(const char* pattern) {
    Close();
    handle_ = FindFirstFileA(pattern, &data_);
    return handle_ != INVALID_HANDLE_VALUE;
}

bool FileFinder::Next() {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    return FindNextFileA(handle_, &data_) != FALSE;
}

void FileFinder::Close() {
    if (handle_ != INVALID_HANDLE_VALUE) {
        FindClose(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
}

bool FileFinder::IsDots() const {
    const char* n = data_.cFileName;
    return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
}

}  // namespace appkit

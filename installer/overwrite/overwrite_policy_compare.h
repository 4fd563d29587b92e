// The two file comparisons the overwrite policy relies on.
#pragma once
#include <windows.h>

namespace kyr {

// Major version in the upper, minor in the lower 16 bits; the build and revision half takes
// no part. 0 when the file is missing or carries no readable version information.
DWORD ReadFileVersion(const char* path);

// Whether the installed file's major.minor is below the media file's.
bool IsOlderByVersion(const char* installedPath, const char* mediaPath);

// Whether the media file was last written in a later 429.4967296-second interval (the upper
// half of the file time) than the installed one. False when either time cannot be read.
bool IsOlderByDate(const char* installedPath, const char* mediaPath);

}  // namespace kyr

// Operating-system codes shared by the installer's detection and the removal module's
// CheckOS. Platform-free: the caller supplies what GetVersionExA reported.
#pragma once

namespace kyr {

enum OsCode : int {
    kOsWin95 = 2000,
    kOsWin98 = 2001,
    kOsWinMe = 2002,
    kOsNt4OrOlder = 2003,
    kOsWin2000 = 2004,
    kOsWinXp = 2005,
    kOsWin2003 = 2006,
    // Vista, 7, 8, 10 and whatever NT comes after them (major version 6 or higher). The
    // installer takes the NT sequence there, so the uninstaller must take the NT branch too;
    // one code serves them all because nothing here differs between them.
    kOsNt6OrLater = 2007,
    // A system the table does not know. Lies outside 2000..2007 on purpose: the installer
    // sends it to the NT sequence, the uninstaller skips all removal for it.
    kOsUnknown = 0,
};

// Platform ids as GetVersionExA reports them.
constexpr unsigned kPlatformWin9x = 1;
constexpr unsigned kPlatformNt = 2;

int OsCodeFor(unsigned platformId, unsigned major, unsigned minor);

inline bool IsWin9xCode(int code) { return code >= kOsWin95 && code <= kOsWinMe; }

// The codes the NT removal module serves: NT 4.0 up to whatever NT comes next.
inline bool IsNtFamilyCode(int code) { return code >= kOsNt4OrOlder && code <= kOsNt6OrLater; }

}  // namespace kyr

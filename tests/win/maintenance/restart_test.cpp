// The privilege step of the restart. The restart request itself ends every process of a
// Wine prefix, so it is observed by the end-to-end bench, not here; RestartSystem is only
// called where the privilege step already failed and no request can follow.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "common/maintenance/restart_system.h"

namespace kyr {
namespace {

#ifndef SE_PRIVILEGE_REMOVED
#define SE_PRIVILEGE_REMOVED 0x00000004
#endif

// The shutdown privilege's attributes in the process token; -1 when the token lacks it.
long ShutdownPrivilegeAttributes() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return -1;
    LUID shutdown;
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdown);
    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    long result = -1;
    if (GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size)) {
        auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer.data());
        for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
            const LUID& luid = privileges->Privileges[i].Luid;
            if (luid.LowPart == shutdown.LowPart && luid.HighPart == shutdown.HighPart) {
                result = static_cast<long>(privileges->Privileges[i].Attributes);
            }
        }
    }
    CloseHandle(token);
    return result;
}

bool SetShutdownPrivilege(DWORD attributes) {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = attributes;
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    BOOL ok = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
    return ok && GetLastError() == ERROR_SUCCESS;
}

TEST(RestartPrivilege, AHeldPrivilegeIsEnabled) {
    ASSERT_NE(-1, ShutdownPrivilegeAttributes()) << "the test account should hold it";
    ASSERT_TRUE(SetShutdownPrivilege(0));  // start from disabled
    EXPECT_EQ(0, ShutdownPrivilegeAttributes() & SE_PRIVILEGE_ENABLED);

    EXPECT_TRUE(EnableShutdownPrivilege());
    EXPECT_NE(0, ShutdownPrivilegeAttributes() & SE_PRIVILEGE_ENABLED);
    // Enabling twice is no failure.
    EXPECT_TRUE(EnableShutdownPrivilege());
}

// Runs last in this program: the privilege cannot be given back to the process.
TEST(RestartPrivilege, WithoutThePrivilegeNoRestartIsRequested) {
    if (!SetShutdownPrivilege(SE_PRIVILEGE_REMOVED) || ShutdownPrivilegeAttributes() != -1) {
        GTEST_SKIP() << "this system cannot take a privilege out of a process token";
    }
    EXPECT_FALSE(EnableShutdownPrivilege());
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED), GetLastError());
    EXPECT_FALSE(RestartSystem());
}

}  // namespace
}  // namespace kyr

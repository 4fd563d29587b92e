// The access grant and key tree removal against Wine's registry and security.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "common/maintenance/add_access_entry.h"
#include "common/maintenance/grant_key_access.h"
#include "common/maintenance/open_key_path.h"
#include "common/maintenance/remove_key_tree.h"

namespace kyr {
namespace {

const char kBase[] = "SOFTWARE\\KyrMaintenanceTest";

std::string Sub(const std::string& name) { return std::string(kBase) + "\\" + name; }

void CreateKey(const std::string& subKey) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, "Value", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    RegCloseKey(key);
}

bool KeyExists(const std::string& subKey) {
    HKEY key;
    LONG code = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, READ_CONTROL, &key);
    if (code == ERROR_SUCCESS) RegCloseKey(key);
    return code != ERROR_FILE_NOT_FOUND;
}

// The key's access list as bytes, plus whether it is protected; empty when unreadable.
struct AccessList {
    std::vector<BYTE> bytes;
    bool isProtected = false;
    bool readable = false;
};

AccessList ReadAccessList(const std::string& subKey) {
    AccessList list;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, READ_CONTROL, &key) != 0) return list;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                        nullptr, &sd) == ERROR_SUCCESS) {
        list.readable = true;
        if (dacl != nullptr) {
            const BYTE* start = reinterpret_cast<const BYTE*>(dacl);
            list.bytes.assign(start, start + dacl->AclSize);
        }
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision;
        GetSecurityDescriptorControl(sd, &control, &revision);
        list.isProtected = (control & SE_DACL_PROTECTED) != 0;
        LocalFree(sd);
    }
    RegCloseKey(key);
    return list;
}

struct EveryoneAce {
    bool found = false;
    BYTE type = 0;
    BYTE flags = 0;
    DWORD mask = 0;
};

// The explicit (not inherited) entry for Everyone in a list read by ReadAccessList.
EveryoneAce FindEveryone(const AccessList& list) {
    EveryoneAce result;
    if (list.bytes.empty()) return result;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    PACL acl = reinterpret_cast<PACL>(const_cast<BYTE*>(list.bytes.data()));
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(acl, i, reinterpret_cast<void**>(&header))) break;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE)
            continue;
        // Allowed and denied entries share the layout: header, mask, SID.
        auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        if ((header->AceFlags & INHERITED_ACE) == 0 && EqualSid(&ace->SidStart, everyone)) {
            result.found = true;
            result.type = header->AceType;
            result.flags = header->AceFlags;
            result.mask = ace->Mask;
        }
    }
    FreeSid(everyone);
    return result;
}

// Replaces a key's list with a protected one made of the given entries.
void SetProtectedList(const std::string& subKey, EXPLICIT_ACCESS_A* entries, ULONG count) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0,
                                           READ_CONTROL | WRITE_DAC, &key));
    PACL acl = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, SetEntriesInAclA(count, entries, nullptr, &acl));
    EXPECT_EQ(ERROR_SUCCESS,
              SetSecurityInfo(key, SE_REGISTRY_KEY,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, acl, nullptr));
    LocalFree(acl);
    RegCloseKey(key);
}

// A key with a sub-key whose list refuses to list sub-keys cannot be emptied by a tree
// deletion, so it and everything above it stay. (Wine checks enumeration, not DELETE.)
void MakeUndeletable(const std::string& subKey) {
    CreateKey(subKey + "\\Inner");
    EXPLICIT_ACCESS_A entries[2];
    BuildExplicitAccessWithNameA(&entries[0], const_cast<char*>("Everyone"),
                                 KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE, DENY_ACCESS,
                                 NO_INHERITANCE);
    BuildExplicitAccessWithNameA(&entries[1], const_cast<char*>("Everyone"),
                                 READ_CONTROL | WRITE_DAC, SET_ACCESS, NO_INHERITANCE);
    SetProtectedList(subKey, entries, 2);
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { Cleanup(); CreateKey(kBase); }
    void TearDown() override { Cleanup(); }
    static void Cleanup() {
        // Undo MakeUndeletable on anything left behind, then delete. As owner the test may
        // always rewrite the list.
        for (const char* name : {"Stuck\\Locked", "Stuck"}) {
            HKEY key;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Sub(name).c_str(), 0, WRITE_DAC, &key) == 0) {
                SetSecurityInfo(key, SE_REGISTRY_KEY,
                                DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, nullptr, nullptr);
                RegCloseKey(key);
            }
        }
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kBase);
    }
};

struct GrantCase {
    const char* permission;
    DWORD mask;
};

TEST_F(RegistryTest, GrantStoresAnInheritableEveryoneEntryWithTheCombinedMask) {
    const GrantCase cases[] = {
        {"/PG:Everyone:Fc", 0x000F003F},
        {"/pg:everyone:rdwr", 0x0002003F},
        {"/PG:Everyone:FcRd", 0x000F003F},
        {"/PG:Everyone:Rd", 0x00020019},
    };
    int n = 0;
    for (const GrantCase& c : cases) {
        std::string subKey = Sub("Grant" + std::to_string(n++));
        CreateKey(subKey + "\\Child");
        ASSERT_EQ(0u, GrantKeyAccess(("HKLM\\" + subKey).c_str(), c.permission)) << c.permission;
        EveryoneAce ace = FindEveryone(ReadAccessList(subKey));
        EXPECT_TRUE(ace.found) << c.permission;
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace.type) << c.permission;
        EXPECT_EQ(CONTAINER_INHERIT_ACE, ace.flags & (CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE))
            << c.permission;
        EXPECT_EQ(c.mask, ace.mask) << c.permission;
        // Only the named key's list is written.
        EXPECT_FALSE(FindEveryone(ReadAccessList(subKey + "\\Child")).found) << c.permission;
    }
}

// What the access-list step was handed, copied while the entry's trustee is still alive.
struct HandedEntry {
    int calls = 0;
    TRUSTEE_FORM form = TRUSTEE_BAD_FORM;
    std::string name;
    bool worldSid = false;
    DWORD rights = 0;
    ACCESS_MODE mode = NOT_USED_ACCESS;
    DWORD inheritance = 0;
};
HandedEntry g_handed;

DWORD RecordThenAdd(HKEY key, EXPLICIT_ACCESS_A* entry) {
    ++g_handed.calls;
    g_handed.form = entry->Trustee.TrusteeForm;
    g_handed.rights = entry->grfAccessPermissions;
    g_handed.mode = entry->grfAccessMode;
    g_handed.inheritance = entry->grfInheritance;
    if (g_handed.form == TRUSTEE_IS_NAME) g_handed.name = entry->Trustee.ptstrName;
    if (g_handed.form == TRUSTEE_IS_SID) {
        PSID sid = reinterpret_cast<PSID>(entry->Trustee.ptstrName);
        LPSTR text = nullptr;
        if (IsValidSid(sid) && ConvertSidToStringSidA(sid, &text)) {
            g_handed.worldSid = std::string(text) == "S-1-1-0";
            LocalFree(text);
        }
    }
    return AddAccessEntry(key, entry);
}

// Localized systems call the world group "Jeder", "Tout le monde", ...; only its identifier
// is the same everywhere. Wine knows the English name only, so the entry itself is looked at.
TEST_F(RegistryTest, EveryoneIsHandedOverAsTheWorldIdentifierOtherNamesByName) {
    const struct {
        const char* permission;
        bool world;
        const char* name;
        DWORD rights;
        ACCESS_MODE mode;
    } cases[] = {
        {"/PG:Everyone:Fc", true, "", 0x000F003F, GRANT_ACCESS},
        {"/pg:EVERYONE:rd", true, "", 0x00020019, GRANT_ACCESS},
        {"/PD:everyone:Wr", true, "", 0x00020026, DENY_ACCESS},
        {"/PG:Administrators:Fc", false, "Administrators", 0x000F003F, GRANT_ACCESS},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::string subKey = Sub("Handed" + std::to_string(n++));
        CreateKey(subKey);
        g_handed = HandedEntry();
        EXPECT_EQ(0u, GrantKeyAccessThrough(("HKLM\\" + subKey).c_str(), c.permission,
                                            RecordThenAdd))
            << c.permission;
        ASSERT_EQ(1, g_handed.calls) << c.permission;
        EXPECT_EQ(c.world ? TRUSTEE_IS_SID : TRUSTEE_IS_NAME, g_handed.form) << c.permission;
        EXPECT_EQ(c.world, g_handed.worldSid) << c.permission;
        EXPECT_EQ(c.name, g_handed.name) << c.permission;
        EXPECT_EQ(c.rights, g_handed.rights) << c.permission;
        EXPECT_EQ(c.mode, g_handed.mode) << c.permission;
        EXPECT_EQ(static_cast<DWORD>(CONTAINER_INHERIT_ACE), g_handed.inheritance) << c.permission;
    }
    // The identifier reaches the stored list: the world entry is there with its mask.
    EveryoneAce ace = FindEveryone(ReadAccessList(Sub("Handed0")));
    EXPECT_TRUE(ace.found);
    EXPECT_EQ(0x000F003Fu, ace.mask);
    // A grammar error never gets as far as the access-list step.
    g_handed = HandedEntry();
    EXPECT_EQ(87u, GrantKeyAccessThrough(("HKLM\\" + Sub("Handed0")).c_str(), "/PX:Everyone:Fc",
                                         RecordThenAdd));
    EXPECT_EQ(0, g_handed.calls);
}

TEST_F(RegistryTest, GrammarErrorsAnswer87AndChangeNothing) {
    std::string subKey = Sub("Untouched");
    CreateKey(subKey);
    AccessList before = ReadAccessList(subKey);
    std::string local = "HKLM\\" + subKey;
    const struct {
        std::string path;
        const char* permission;
    } cases[] = {
        {local, "/PX:Everyone:Fc"},  // the other grammar cases are covered natively
        {subKey, "/PG:Everyone:Fc"},  // starts with a sub-key, not a root name
        // HKCU and HKCR are refused for a remote machine before any connection is tried:
        // this machine does not exist, so a connection attempt would answer another code.
        {"\\\\kyr-no-such-host\\HKCU\\Software", "/PG:Everyone:Fc"},
        {"\\\\kyr-no-such-host\\HKEY_CLASSES_ROOT", "/PG:Everyone:Fc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(87u, GrantKeyAccess(c.path.c_str(), c.permission))
            << c.path << " " << c.permission;
    }
    AccessList after = ReadAccessList(subKey);
    EXPECT_EQ(before.bytes, after.bytes);
}

TEST_F(RegistryTest, RemoteRootsConnectAndKeyFailuresPassTheSystemCodeOn) {
    std::string subKey = Sub("Remote");
    CreateKey(subKey);
    EXPECT_NE(87u, GrantKeyAccess("\\\\kyr-no-such-host\\HKLM\\SOFTWARE", "/PG:Everyone:Fc"));
    EXPECT_NE(0u, GrantKeyAccess("\\\\kyr-no-such-host\\HKLM\\SOFTWARE", "/PG:Everyone:Fc"));

    char computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &size));
    std::string remote = std::string("\\\\") + computer + "\\hklm\\" + subKey;
    EXPECT_EQ(0u, GrantKeyAccess(remote.c_str(), "/PG:Everyone:Fc"));
    EXPECT_TRUE(FindEveryone(ReadAccessList(subKey)).found);

    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              GrantKeyAccess(("HKLM\\" + Sub("Missing")).c_str(), "/PG:Everyone:Fc"));
}

TEST(OpenKeyPath, ARootNameAloneNamesTheRootAndFailuresLeaveNoHandle) {
    HKEY key = nullptr;
    ASSERT_EQ(0u, OpenKeyPath("hkey_local_machine", &key));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, key);
    ASSERT_EQ(0u, OpenKeyPath("HKU", &key));
    EXPECT_EQ(HKEY_USERS, key);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              OpenKeyPath(("HKLM\\" + Sub("Missing")).c_str(), &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_EQ(87u, OpenKeyPath("SYSTEM\\CurrentControlSet", &key));
}

TEST_F(RegistryTest, ThreeRemovalsInARowEachDeleteTheirOwnTree) {
    const char* names[] = {"USBPRINT\\VOSKREL_ZPD-815", "USBPRINT\\VOSKRELZPD-815",
                           "LPTENUM\\VOSKRELZPD-815"};
    for (const char* name : names) {
        CreateKey(Sub(name) + "\\0001\\Device Parameters");
        CreateKey(Sub(name) + "\\0002");
    }
    CreateKey(Sub("USBPRINT\\Neighbour"));
    for (const char* name : names) RemoveKeyTree(Sub(name).c_str());
    for (const char* name : names) EXPECT_FALSE(KeyExists(Sub(name))) << name;
    EXPECT_TRUE(KeyExists(Sub("USBPRINT\\Neighbour")));
    EXPECT_FALSE(FindEveryone(ReadAccessList(Sub("USBPRINT"))).found);
}

TEST_F(RegistryTest, RemovingAMissingKeyChangesNothing) {
    AccessList before = ReadAccessList(kBase);
    RemoveKeyTree(Sub("Missing").c_str());
    RemoveKeyTree("");
    EXPECT_TRUE(KeyExists(kBase));
    EXPECT_EQ(before.bytes, ReadAccessList(kBase).bytes);
}

TEST_F(RegistryTest, ASurvivingKeyGetsItsPreviousAccessListBack) {
    CreateKey(Sub("Stuck\\Locked"));
    CreateKey(Sub("Stuck\\Free"));
    MakeUndeletable(Sub("Stuck\\Locked"));
    AccessList before = ReadAccessList(Sub("Stuck"));
    ASSERT_TRUE(before.readable);

    RemoveKeyTree(Sub("Stuck").c_str());

    ASSERT_TRUE(KeyExists(Sub("Stuck\\Locked"))) << "the locked key should have resisted";
    AccessList after = ReadAccessList(Sub("Stuck"));
    EXPECT_FALSE(FindEveryone(after).found);
    EXPECT_EQ(before.bytes, after.bytes);
    EXPECT_EQ(before.isProtected, after.isProtected);
}

TEST_F(RegistryTest, AProtectedListIsPutBackProtected) {
    CreateKey(Sub("Stuck\\Locked"));
    MakeUndeletable(Sub("Stuck\\Locked"));
    EXPLICIT_ACCESS_A own;  // a protected list of the top key's own, to be kept as it is
    BuildExplicitAccessWithNameA(&own, const_cast<char*>("Administrators"), KEY_ALL_ACCESS,
                                 SET_ACCESS, CONTAINER_INHERIT_ACE);
    SetProtectedList(Sub("Stuck"), &own, 1);
    AccessList before = ReadAccessList(Sub("Stuck"));
    if (!before.isProtected) GTEST_SKIP() << "this system does not keep SE_DACL_PROTECTED on keys";
    RemoveKeyTree(Sub("Stuck").c_str());
    ASSERT_TRUE(KeyExists(Sub("Stuck")));
    AccessList after = ReadAccessList(Sub("Stuck"));
    EXPECT_EQ(before.bytes, after.bytes);
    EXPECT_TRUE(after.isProtected);
}

}  // namespace
}  // namespace kyr

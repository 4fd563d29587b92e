#include <gtest/gtest.h>

#include <string>

#include "common/maintenance/hardware_id_match.h"
#include "common/maintenance/key_path.h"
#include "common/maintenance/key_rights.h"

namespace kyr {
namespace {

struct RightsCase {
    const char* text;
    uint32_t code;
    uint32_t mask;
};

TEST(KeyRights, PairsCombineAndBadTextIsRefused) {
    const RightsCase cases[] = {
        {"", 0, 0},
        {"Fc", 0, 0x000F003F},
        {"fC", 0, 0x000F003F},
        {"Rd", 0, 0x00020019},
        {"Wr", 0, 0x00020026},
        {"RdWr", 0, 0x0002003F},
        {"wRrD", 0, 0x0002003F},
        {"FcRd", 0, 0x000F003F},
        {"RdRdRd", 0, 0x00020019},
        {"F", 87, 0},
        {"Fcr", 87, 0},
        {"Xx", 87, 0},
        {"RdXx", 87, 0},
        {"cF", 87, 0},
        {"Fc ", 87, 0},
        {"F\xe3", 87, 0},
    };
    for (const RightsCase& c : cases) {
        uint32_t mask = 0xDEADBEEF;
        EXPECT_EQ(c.code, ParseKeyRights(c.text, &mask)) << '"' << c.text << '"';
        EXPECT_EQ(c.mask, mask) << '"' << c.text << '"';
    }
}

struct PermissionCase {
    const char* text;
    uint32_t code;
    int mode;
    const char* trustee;
    uint32_t rights;
};

TEST(KeyPermission, ModesTrusteesAndRightsFields) {
    const PermissionCase cases[] = {
        {"/PG:Everyone:Fc", 0, kModeGrant, "Everyone", 0x000F003F},
        {"/pg:Everyone:fc", 0, kModeGrant, "Everyone", 0x000F003F},
        {"xPS:Users:RdWr", 0, kModeSet, "Users", 0x0002003F},
        {"/PD:Guest:Wr", 0, kModeDeny, "Guest", 0x00020026},
        {"/PR:Everyone", 0, kModeRevoke, "Everyone", 0},
        {"/PR:Everyone:Xyz", 0, kModeRevoke, "Everyone", 0},  // rights not read
        {"/Q:Everyone", 0, kModeNotUsed, "Everyone", 0},
        {"/:Everyone:Q", 0, kModeNotUsed, "Everyone", 0},
        {"/:Everyone", 0, kModeNotUsed, "Everyone", 0},
        {"/PGX:Everyone:Fc", 0, kModeGrant, "Everyone", 0x000F003F},  // rest of mode unread
        {"/PG:DOMAIN\\user:Rd", 0, kModeGrant, "DOMAIN\\user", 0x00020019},
        {"/PX:Everyone:Fc", 87, 0, "", 0},
        {"/P:Everyone:Fc", 87, 0, "", 0},
        {"/PG:Everyone", 87, 0, "", 0},    // grant needs rights
        {"/PS:Everyone:", 87, 0, "", 0},   // empty rights count as missing
        {"/PD:Everyone:F", 87, 0, "", 0},  // odd rights
        {"/PG:Everyone:Fc:", 87, 0, "", 0},  // ':' belongs to the rights
        {"/PG", 87, 0, "", 0},             // no trustee field
        {"/PG::Fc", 87, 0, "", 0},         // empty trustee
        {":Everyone:Fc", 87, 0, "", 0},    // no mode field
        {"", 87, 0, "", 0},
    };
    for (const PermissionCase& c : cases) {
        KeyPermission p;
        EXPECT_EQ(c.code, ParseKeyPermission(c.text, &p)) << c.text;
        EXPECT_EQ(c.mode, p.mode) << c.text;
        EXPECT_STREQ(c.trustee, p.trustee) << c.text;
        EXPECT_EQ(c.rights, p.rights) << c.text;
    }
}

struct PathCase {
    const char* path;
    uint32_t code;
    const char* machine;
    KeyRoot root;
    const char* subKey;
};

TEST(KeyPath, RootsMachinesAndSubKeys) {
    const KeyRoot lm = KeyRoot::kLocalMachine;
    const PathCase cases[] = {
        {"HKLM\\SYSTEM\\CurrentControlSet", 0, "", lm, "SYSTEM\\CurrentControlSet"},
        {"hklm\\Software", 0, "", lm, "Software"},
        {"HKEY_LOCAL_MACHINE\\Software", 0, "", lm, "Software"},
        {"hkey_local_machine", 0, "", lm, ""},
        {"HKLM", 0, "", lm, ""},
        {"HKLM\\", 0, "", lm, ""},
        {"HKU\\.DEFAULT", 0, "", KeyRoot::kUsers, ".DEFAULT"},
        {"HKEY_USERS", 0, "", KeyRoot::kUsers, ""},
        {"HKCR\\.txt", 0, "", KeyRoot::kClassesRoot, ".txt"},
        {"HKEY_CLASSES_ROOT\\CLSID", 0, "", KeyRoot::kClassesRoot, "CLSID"},
        {"HKCU\\Software", 0, "", KeyRoot::kCurrentUser, "Software"},
        {"Hkey_Current_User", 0, "", KeyRoot::kCurrentUser, ""},
        {"\\\\pos01\\HKLM\\SYSTEM", 0, "\\\\pos01", lm, "SYSTEM"},
        {"\\\\pos01\\HKU", 0, "\\\\pos01", KeyRoot::kUsers, ""},
        {"\\\\pos01\\HKCU\\Software", 87, "", lm, ""},
        {"\\\\pos01\\HKEY_CLASSES_ROOT", 87, "", lm, ""},
        {"\\\\pos01", 87, "", lm, ""},
        {"\\\\\\HKLM\\SYSTEM", 87, "", lm, ""},
        {"SYSTEM\\CurrentControlSet", 87, "", lm, ""},
        {"\\HKLM\\SYSTEM", 87, "", lm, ""},
        {"HKLMX\\SYSTEM", 87, "", lm, ""},
        {"HKL\\SYSTEM", 87, "", lm, ""},
        {"HKEY_LOCAL_MACHINE_\\SYSTEM", 87, "", lm, ""},
        {"", 87, "", lm, ""},
    };
    for (const PathCase& c : cases) {
        KeyPathParts parts;
        EXPECT_EQ(c.code, ParseKeyPath(c.path, &parts, NoLeadBytes)) << c.path;
        EXPECT_STREQ(c.machine, parts.machine) << c.path;
        EXPECT_EQ(c.root, parts.root) << c.path;
        EXPECT_STREQ(c.subKey, parts.subKey) << c.path;
    }
}

// Code page 932: "\x83\x5C" (katakana "so") ends in the backslash byte.
TEST(KeyPath, DoubleByteMachineNamesAndSubKeysStayWhole) {
    const KeyRoot lm = KeyRoot::kLocalMachine;
    const PathCase cases[] = {
        {"\\\\POS\x83\x5C\\HKLM\\SYSTEM", 0, "\\\\POS\x83\x5C", lm, "SYSTEM"},
        {"\\\\\x83\x5C\\HKU", 0, "\\\\\x83\x5C", KeyRoot::kUsers, ""},
        {"HKLM\\SOFTWARE\\KYR_POS_PRINTER\\KYR\x83\x5C", 0, "", lm,
         "SOFTWARE\\KYR_POS_PRINTER\\KYR\x83\x5C"},
        // The root name is followed by a character, not by a separator.
        {"HKLM\x83\x5CSOFTWARE", 87, "", lm, ""},
        {"\\\\POS\x83\x5CHKLM", 87, "", lm, ""},
    };
    for (const PathCase& c : cases) {
        KeyPathParts parts;
        EXPECT_EQ(c.code, ParseKeyPath(c.path, &parts, Cp932LeadByte)) << c.path;
        EXPECT_STREQ(c.machine, parts.machine) << c.path;
        EXPECT_EQ(c.root, parts.root) << c.path;
        EXPECT_STREQ(c.subKey, parts.subKey) << c.path;
    }
    // Read byte by byte the first machine name would end inside its last character.
    KeyPathParts parts;
    EXPECT_EQ(87u, ParseKeyPath(cases[0].path, &parts, NoLeadBytes));
}

TEST(KeyPermission, OnlyEveryoneInAnyCaseIsTheWorld) {
    const struct {
        const char* trustee;
        bool world;
    } cases[] = {
        {"Everyone", true}, {"everyone", true}, {"EVERYONE", true}, {"eVeRyOnE", true},
        {"Everyone ", false}, {"Everyon", false}, {"Everyones", false}, {"Jeder", false},
        {"Administrators", false}, {"DOMAIN\\Everyone", false}, {"", false}, {nullptr, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsWorldTrustee(c.trustee), c.world) << (c.trustee ? c.trustee : "(null)");
}

// Each text is worked on in a 512-byte copy: 511 characters fit, 512 are refused whole.
TEST(Grammars, TextsFitTheirBufferOrAreRefused) {
    uint32_t mask = 1;
    std::string rights;
    for (int i = 0; i < 255; ++i) rights += "Rd";
    EXPECT_EQ(0u, ParseKeyRights(rights.c_str(), &mask));
    EXPECT_EQ(87u, ParseKeyRights((rights + "Rd").c_str(), &mask));
    EXPECT_EQ(0u, mask);

    KeyPermission p;
    std::string revoke = "/PR:" + std::string(507, 'a');
    EXPECT_EQ(0u, ParseKeyPermission(revoke.c_str(), &p));
    EXPECT_EQ(507u, std::string(p.trustee).size());
    EXPECT_EQ(87u, ParseKeyPermission((revoke + "a").c_str(), &p));

    KeyPathParts parts;
    std::string path = "HKLM\\" + std::string(506, 'k');
    EXPECT_EQ(0u, ParseKeyPath(path.c_str(), &parts, NoLeadBytes));
    EXPECT_EQ(506u, std::string(parts.subKey).size());
    EXPECT_EQ(87u, ParseKeyPath((path + "k").c_str(), &parts, NoLeadBytes));

    EXPECT_EQ(87u, ParseKeyRights(nullptr, &mask));
    EXPECT_EQ(87u, ParseKeyPermission(nullptr, &p));
    EXPECT_EQ(87u, ParseKeyPath(nullptr, &parts, NoLeadBytes));
}

struct MatchCase {
    const char* device;
    const char* wanted;
    bool match;
};

TEST(HardwareIdMatch, FirstTwentyOneCharactersWithoutCase) {
    const char* printer = "USB\\Vid_7a31&Pid_5e20";
    const MatchCase cases[] = {
        {"USB\\Vid_7a31&Pid_5e20", printer, true},
        {"usb\\vid_7A31&PID_5E20", printer, true},
        {"USB\\Vid_7a31&Pid_5e20&Rev_0100", printer, true},
        {"USB\\Vid_7a31&Pid_5e21", printer, false},
        {"USB\\Vid_7a31&Pid_5e2", printer, false},
        {"", printer, false},
        // Of a longer wanted id only the first 21 characters count.
        {"USB\\Vid_7a31&Pid_5e20&Rev_0200", "USB\\Vid_7a31&Pid_5e20&Rev_0100", true},
        {"USB\\Vid_7a31&Pid_5e20", "USB\\Vid_7a31&Pid_5e20&Rev_0100", true},
        // A shorter wanted id must be the whole device id.
        {"USB\\Vid_7a31", "USB\\Vid_7a31", true},
        {"USB\\Vid_7a31&Pid_5e20", "USB\\Vid_7a31", false},
        {"USB\\Vid_7a31", "USB\\Vid_7a31&Pid_5e20", false},
        {"", "", true},
        // '@' and '`' sit next to the letters: no folding for them.
        {"USB@", "USB`", false},
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(c.match, HardwareIdMatches(c.device, c.wanted))
            << '"' << c.device << "\" vs \"" << c.wanted << '"';
    }
}

}  // namespace
}  // namespace kyr

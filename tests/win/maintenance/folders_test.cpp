// Folder tree deletion, the read-only clearing and deletion under it, the copy over a
// read-only file and the file finder against Wine's file system, including directory links
// made from the Unix side (Wine shows them as reparse points, 0x410).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/appkit/file_finder.h"
#include "common/files/clear_read_only.h"
#include "common/files/delete_even_read_only.h"
#include "common/files/copy_over_read_only.h"
#include "common/maintenance/delete_folder_tree.h"

namespace kyr {
namespace {

const std::string kRoot = "C:\\kyrmaint";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void MakeDir(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

// Wine keeps the hidden and system bits beside the file, where only a writable file takes
// them from a plain user: those first, the read-only bit after.
void SetAttributes(const std::string& path, DWORD attributes) {
    if (attributes & ~FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), attributes);
}

void MakeFile(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL,
              const std::string& content = "kyr") {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    DWORD written;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    if (attributes != FILE_ATTRIBUTE_NORMAL) SetAttributes(path, attributes);
}

std::string Content(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[64];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    return std::string(buffer, read);
}

// Removes whatever a test left, without following links (plain rmdir/del would).
void Scrub(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return;  // see UnixLinkRemove
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DeleteFileA(path.c_str());
        return;
    }
    std::vector<std::string> names;
    appkit::FileFinder finder;
    for (bool f = finder.Find((path + "\\*").c_str()); f; f = finder.Next()) {
        if (!finder.IsDots()) names.push_back(finder.Name());
    }
    finder.Close();
    for (const std::string& name : names) Scrub(path + "\\" + name);
    RemoveDirectoryA(path.c_str());
}

// The Unix path of a Windows path; empty when not running on Wine.
std::string UnixPath(const std::string& windowsPath) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr) return "";
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
    char* unixName = toUnix(wide);
    if (unixName == nullptr) return "";
    std::string result = unixName;
    HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

// Runs a Unix program (Wine starts ELF binaries given by a Z: path) and waits for it.
void RunUnix(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

// A directory link made from the Unix side; false when this system cannot make one.
bool MakeUnixDirLink(const std::string& link, const std::string& target) {
    std::string unixTarget = UnixPath(target);
    std::string unixLink = UnixPath(link);
    if (unixTarget.empty() || unixLink.empty()) return false;
    RunUnix("Z:\\bin\\ln -s \"" + unixTarget + "\" \"" + unixLink + "\"");
    for (int i = 0; i < 100 && !Exists(link); ++i) Sleep(50);
    return (GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           Exists(link);
}

void UnixLinkRemove(const std::string& link) {
    std::string unixLink = UnixPath(link);
    if (!unixLink.empty()) RunUnix("Z:\\bin\\rm -f \"" + unixLink + "\"");
}

class FoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        TearDown();
        MakeDir(kRoot);
    }
    void TearDown() override {
        for (const char* link : {"\\tree\\link", "\\tree\\a\\link", "\\linkroot"}) {
            UnixLinkRemove(kRoot + link);
        }
        Scrub(kRoot);
    }

    // A tree with the awkward members: read-only, hidden and system files, a read-only file
    // three levels down, a read-only folder, an empty folder.
    static void MakeTree(const std::string& top) {
        MakeDir(top);
        MakeFile(top + "\\plain.txt");
        MakeFile(top + "\\hidden.sys", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        MakeFile(top + "\\readonly.txt", FILE_ATTRIBUTE_READONLY);
        MakeDir(top + "\\a");
        MakeDir(top + "\\a\\b");
        MakeDir(top + "\\a\\b\\c");
        MakeFile(top + "\\a\\b\\c\\deep.txt", FILE_ATTRIBUTE_READONLY);
        MakeDir(top + "\\empty");
        SetFileAttributesA((top + "\\a\\b").c_str(), FILE_ATTRIBUTE_READONLY);
    }
};

TEST_F(FoldersTest, WholeTreeGoesWithOrWithoutTrailingBackslash) {
    for (const char* suffix : {"", "\\"}) {
        std::string top = kRoot + "\\tree";
        MakeTree(top);
        ASSERT_TRUE(Exists(top + "\\a\\b\\c\\deep.txt"));
        DeleteFolderTree((top + suffix).c_str());
        EXPECT_FALSE(Exists(top)) << "suffix '" << suffix << "'";
        EXPECT_TRUE(Exists(kRoot));
    }
}

TEST_F(FoldersTest, MissingFolderAndEmptyPathChangeNothing) {
    MakeFile(kRoot + "\\keep.txt");
    DeleteFolderTree((kRoot + "\\missing").c_str());
    DeleteFolderTree((kRoot + "\\missing\\").c_str());
    DeleteFolderTree("");
    DeleteFolderTree(nullptr);
    EXPECT_TRUE(Exists(kRoot + "\\keep.txt"));
}

TEST_F(FoldersTest, AFileInUseStaysWithTheFoldersAboveItAndTheRestGoes) {
    std::string top = kRoot + "\\tree";
    MakeTree(top);
    std::string busy = top + "\\a\\b\\busy.txt";
    MakeFile(busy);
    HANDLE held = CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    DeleteFolderTree(top.c_str());
    CloseHandle(held);
    EXPECT_TRUE(Exists(busy));
    EXPECT_FALSE(Exists(top + "\\plain.txt"));
    EXPECT_FALSE(Exists(top + "\\readonly.txt"));
    EXPECT_FALSE(Exists(top + "\\a\\b\\c"));
    EXPECT_FALSE(Exists(top + "\\empty"));
}

TEST_F(FoldersTest, AnOverlongPathIsLeftAlone) {
    std::string top = kRoot + "\\tree";
    MakeDir(top);
    MakeFile(top + "\\keep.txt");
    // Names this long would not fit the walk's path buffer once joined.
    std::string overlong = top + "\\" + std::string(MAX_PATH, 'x');
    DeleteFolderTree(overlong.c_str());
    EXPECT_TRUE(Exists(top + "\\keep.txt"));
}

// Only the read-only bit goes and a file left with no bit is "normal" (Wine shows every file
// with the archive bit and makes a zero "normal" itself, so the reading leaves both out);
// the caller's last error survives the clearing. A failed deletion reports its own error:
// the installer lists a file as not deleted, or passes over one not there, by it.
TEST_F(FoldersTest, ReadOnlyClearingKeepsTheOtherBitsAndDeletionReportsItsOwnError) {
    const DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const struct {
        DWORD before, cleared;  // 0: no file
        bool held;
        DWORD deleteError;  // 0: deleted
    } rows[] = {
        {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_NORMAL, false, 0},
        {FILE_ATTRIBUTE_READONLY | kHiddenSystem, kHiddenSystem, false, 0},
        {FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_SYSTEM, false, 0},
        {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_NORMAL, true, ERROR_SHARING_VIOLATION},
        {0, 0, false, ERROR_FILE_NOT_FOUND},
    };
    const std::string path = kRoot + "\\file.txt";
    auto shown = [&path]() -> DWORD {
        const DWORD bits = GetFileAttributesA(path.c_str());
        if (bits == INVALID_FILE_ATTRIBUTES) return 0;
        return (bits & ~FILE_ATTRIBUTE_ARCHIVE) != 0 ? bits & ~FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_NORMAL;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.before);
        if (row.before != 0) MakeFile(path, row.before);
        ASSERT_EQ(shown(), row.before) << "attributes not kept by this file system";
        HANDLE held = row.held ? CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                               : INVALID_HANDLE_VALUE;
        SetLastError(12345);
        ClearReadOnly(path.c_str());
        EXPECT_EQ(GetLastError(), 12345u);
        EXPECT_EQ(shown(), row.cleared);
        SetAttributes(path, row.before);
        EXPECT_EQ(DeleteEvenReadOnly(path.c_str()) ? 0 : GetLastError(), row.deleteError);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        Scrub(path);
    }
}

struct LinkCase {
    const char* name;
    const char* link;         // below kRoot
    const char* deleteWhat;   // below kRoot
    bool targetEmpty;
};

// The link is never walked into and its target never changed: the target's files, their
// read-only attribute and the (even empty) target folder survive. Wine cannot address such
// a link itself, so there the link also stays; elsewhere only the link goes.
TEST_F(FoldersTest, LinksAreNeverFollowed) {
    const LinkCase cases[] = {
        {"link inside the tree", "\\tree\\link", "\\tree", false},
        {"link inside, target empty", "\\tree\\link", "\\tree", true},
        {"link two levels down", "\\tree\\a\\link", "\\tree", false},
        {"the folder is a link", "\\linkroot", "\\linkroot", false},
        {"the folder is a link, trailing backslash", "\\linkroot", "\\linkroot\\", false},
        {"the folder is a link, target empty", "\\linkroot", "\\linkroot", true},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string target = kRoot + "\\outside";
        MakeDir(target);
        if (!c.targetEmpty) {
            MakeFile(target + "\\precious.txt", FILE_ATTRIBUTE_READONLY, "precious");
            MakeDir(target + "\\sub");
            MakeFile(target + "\\sub\\more.txt", FILE_ATTRIBUTE_NORMAL, "more");
        }
        MakeTree(kRoot + "\\tree");
        if (!MakeUnixDirLink(kRoot + c.link, target)) GTEST_SKIP() << "no directory links here";

        DeleteFolderTree((kRoot + c.deleteWhat).c_str());

        EXPECT_TRUE(Exists(target));
        if (!c.targetEmpty) {
            EXPECT_EQ("precious", Content(target + "\\precious.txt"));
            EXPECT_EQ("more", Content(target + "\\sub\\more.txt"));
            EXPECT_NE(0u, GetFileAttributesA((target + "\\precious.txt").c_str()) &
                              FILE_ATTRIBUTE_READONLY);
        }
        if (std::string(c.deleteWhat) == "\\tree") {
            // The rest of the tree is deleted as usual around the link.
            EXPECT_FALSE(Exists(kRoot + "\\tree\\plain.txt"));
            EXPECT_FALSE(Exists(kRoot + "\\tree\\a\\b\\c\\deep.txt"));
        } else {
            EXPECT_TRUE(Exists(kRoot + "\\tree\\plain.txt"));  // a neighbour, untouched
        }

        UnixLinkRemove(kRoot + c.link);
        Scrub(kRoot + "\\tree");
        Scrub(target);
    }
}

// Wine run as root writes through a read-only file, so there the read-only row copies at
// the first try; run by a plain user it is refused with 5 as on Windows and needs the retry.
// A copy that fails leaves the target as it was, read-only bit included.
TEST_F(FoldersTest, CopyGetsPastAReadOnlyBitAndNothingElse) {
    enum Target { None, Writable, ReadOnly };
    const struct {
        const char* name;
        Target target;
        bool sourceThere;
        BOOL copied;
        DWORD error;  // when not copied
        const char* content;
    } cases[] = {
        {"no target yet", None, true, TRUE, 0, "new"},
        {"a writable target", Writable, true, TRUE, 0, "new"},
        {"a read-only target", ReadOnly, true, TRUE, 0, "new"},
        {"a read-only target and no source", ReadOnly, false, FALSE, ERROR_FILE_NOT_FOUND, "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = kRoot + "\\source.dll", target = kRoot + "\\target.dll";
        if (c.sourceThere) MakeFile(source, FILE_ATTRIBUTE_NORMAL, "new");
        if (c.target != None)
            MakeFile(target, c.target == ReadOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL, "old");
        const BOOL copied = CopyOverReadOnly(source.c_str(), target.c_str());
        const DWORD error = GetLastError();
        EXPECT_EQ(copied, c.copied);
        if (!c.copied) {
            EXPECT_EQ(error, c.error);
            EXPECT_NE(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
        }
        EXPECT_EQ(Content(target), c.content);
        Scrub(source);
        Scrub(target);
    }
}

TEST_F(FoldersTest, FinderVisitsEveryEntryOnceIncludingTheLast) {
    const std::vector<std::string> names = {".", "..", "a.txt", "b.txt", "sub"};
    MakeFile(kRoot + "\\a.txt");
    MakeFile(kRoot + "\\b.txt");
    MakeDir(kRoot + "\\sub");
    appkit::FileFinder finder;
    std::vector<std::string> seen;
    for (bool f = finder.Find((kRoot + "\\*.*").c_str()); f; f = finder.Next()) {
        seen.push_back(finder.Name());
        EXPECT_EQ(finder.IsDots(), seen.back()[0] == '.');
        EXPECT_EQ(seen.back() == "sub" || finder.IsDots(), finder.IsDirectory());
    }
    EXPECT_FALSE(finder.Next());
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(names, seen);
    EXPECT_FALSE(finder.Find((kRoot + "\\missing\\*.*").c_str()));
}

}  // namespace
}  // namespace kyr

// ReadFileVersion, IsOlderByVersion and IsOlderByDate on real files: the medium's stand-in
// universal driver (4.10.0.2222), its variants, and copies whose last-write times are set.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "installer/overwrite/overwrite_policy_compare.h"

namespace kyr {
namespace {

// A Unix folder as Wine's Z: drive sees it.
std::string FromUnix(const char* variable, const char* fallback) {
    const char* unix = std::getenv(variable);
    std::string path = std::string("Z:") + (unix && *unix ? unix : fallback);
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string MediaDriver() { return FromUnix("KYR_MEDIA_DIR", KYR_DEFAULT_MEDIA_DIR) + "\\driver9x\\unidrv.dll"; }
std::string MediaHelp() { return FromUnix("KYR_MEDIA_DIR", KYR_DEFAULT_MEDIA_DIR) + "\\driver9x\\unidrv.hlp"; }
std::string Variant(const char* name) {
    return FromUnix("KYR_VARIANTS_DIR", KYR_DEFAULT_VARIANTS_DIR) + "\\" + name + "\\unidrv.dll";
}
const char kMissing[] = "C:\\no-such-folder\\unidrv.dll";

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(GetFileAttributesA(MediaDriver().c_str()), INVALID_FILE_ATTRIBUTES)
            << MediaDriver() << " missing: build the win tree's media first";
    }
};

TEST_F(Files, VersionIsMajorAndMinorOnly) {
    struct {
        std::string path;
        DWORD version;
    } const cases[] = {
        {MediaDriver(), 0x0004000A},            // 4.10.0.2222
        {Variant("older"), 0x00040000},         // 4.0.0.950
        {Variant("equal-higher-build"), 0x0004000A},  // 4.10.0.3000: the build takes no part
        {Variant("newer"), 0x0004005A},         // 4.90.0.3000
        {Variant("no-version"), 0},
        {MediaHelp(), 0},                       // not a module at all
        {kMissing, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ReadFileVersion(c.path.c_str()), c.version);
    }
}

TEST_F(Files, OlderByVersionComparesInstalledBelowMedia) {
    struct {
        std::string installed, media;
        bool older;
    } const cases[] = {
        {Variant("older"), MediaDriver(), true},
        {Variant("equal-higher-build"), MediaDriver(), false},
        {MediaDriver(), Variant("equal-higher-build"), false},
        {Variant("newer"), MediaDriver(), false},
        {Variant("no-version"), MediaDriver(), true},  // no version counts as 0
        {kMissing, MediaDriver(), true},
        {Variant("older"), Variant("no-version"), false},  // a version-less medium never wins
        {Variant("no-version"), Variant("no-version"), false},
        {kMissing, kMissing, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installed + " vs " + c.media);
        EXPECT_EQ(IsOlderByVersion(c.installed.c_str(), c.media.c_str()), c.older);
    }
}

// Two scratch files whose last-write times the cases set, as 100 ns counts.
class Dates : public Files {
protected:
    void SetUp() override {
        Files::SetUp();
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(sizeof(temp), temp), 0u);
        folder_ = std::string(temp) + "kyr-dates-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        installed_ = folder_ + "\\installed.dll";
        media_ = folder_ + "\\media.dll";
        ASSERT_TRUE(CopyFileA(MediaDriver().c_str(), installed_.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(MediaDriver().c_str(), media_.c_str(), FALSE));
    }
    void TearDown() override {
        DeleteFileA(installed_.c_str());
        DeleteFileA(media_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    static void SetWritten(const std::string& path, unsigned long long time) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        FILETIME written;
        written.dwLowDateTime = static_cast<DWORD>(time);
        written.dwHighDateTime = static_cast<DWORD>(time >> 32);
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &written));
        CloseHandle(file);
    }
    std::string folder_, installed_, media_;
};

constexpr unsigned long long kSecond = 10000000ULL;
constexpr unsigned long long kInterval = 1ULL << 32;  // 429.4967296 s
// The start of an interval in 2006.
constexpr unsigned long long kBase = (0x01C67000ULL) << 32;

TEST_F(Dates, OnlyTheIntervalOfTheLastWriteCounts) {
    struct {
        const char* what;
        unsigned long long installed, media;
        bool older;
    } const cases[] = {
        {"5 minutes newer, same interval", kBase + 10 * kSecond, kBase + 310 * kSecond, false},
        {"equal", kBase + 10 * kSecond, kBase + 10 * kSecond, false},
        {"a day newer", kBase, kBase + 86400 * kSecond, true},
        {"a day older", kBase + 86400 * kSecond, kBase, false},
        {"2 seconds newer, across an interval edge", kBase + kInterval - kSecond, kBase + kInterval + kSecond, true},
        {"the high half alone decides", kBase + kInterval - 1, kBase + kInterval, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetWritten(installed_, c.installed);
        SetWritten(media_, c.media);
        EXPECT_EQ(IsOlderByDate(installed_.c_str(), media_.c_str()), c.older);
    }
}

TEST_F(Dates, AFileThatCannotBeOpenedMakesItFalse) {
    SetWritten(installed_, kBase);
    SetWritten(media_, kBase + 86400 * kSecond);
    ASSERT_TRUE(IsOlderByDate(installed_.c_str(), media_.c_str()));
    EXPECT_FALSE(IsOlderByDate(kMissing, media_.c_str()));
    EXPECT_FALSE(IsOlderByDate(installed_.c_str(), kMissing));

    // Held without read sharing, as a running module might be on its own system.
    for (const std::string* held : {&installed_, &media_}) {
        HANDLE lock = CreateFileA(held->c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(IsOlderByDate(installed_.c_str(), media_.c_str())) << *held;
        CloseHandle(lock);
    }
}

}  // namespace
}  // namespace kyr

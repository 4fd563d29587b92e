#include "uninstaller/inf_cleanup.h"

#include <windows.h>
#include <setupapi.h>
#include <string.h>

#include "common/appkit/file_finder.h"
#include "common/files/clear_read_only.h"
#include "common/files/delete_even_read_only.h"
#include "common/maintenance/late_bound.h"
#include "common/oscode/os_code.h"
#include "common/text/system_lead_byte.h"
#include "uninstaller/inf_names_driver.h"
#include "uninstaller/key_names.h"

namespace kyr {

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730";
const char kPrinterClassKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-08002BE10318}";
const char kDriverName[] = "KYR POS 730";

// Text values into a cleared buffer, leaving the last byte free so that the text ends
// even when the stored value carries no terminator.
LONG ReadText(HKEY key, const char* name, char* buffer, DWORD bufferSize) {
    memset(buffer, 0, bufferSize);
    DWORD size = bufferSize - 1;
    return RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
}

// <Windows>\inf\ into folder; false when it does not fit or the Windows folder's query
// failed, with that query's code (or the one for a path too long) as the last error.
bool InfFolder(char (&folder)[kNameBufferSize]) {
    char windows[kNameBufferSize] = {0};
    const UINT length = GetWindowsDirectoryA(windows, sizeof(windows));
    if (length == 0) return false;
    if (length >= sizeof(windows) || !JoinText(folder, sizeof(folder), windows, "\\inf\\")) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return true;
}

// What the user reads beside INFs that may stay unseen after a search that stopped.
const char kSearchStopped[] = "The search for the INF files naming the driver stopped.";

bool IsMissing(const char* path) {
    return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Vista and later keep the driver package in a store of their own, from which Plug and Play
// installs it again when the printer is plugged in; only the setup library's uninstall takes
// the package out with its INF. Windows 2000 lacks the call. Forced, because the printer's
// devices still name the INF; they go right after it.
void UninstallFromDriverStore(const char* infName) {
    typedef BOOL(WINAPI * UninstallOemInfA)(PCSTR, DWORD, PVOID);
    LateBoundModule setupapi("setupapi.dll");
    if (UninstallOemInfA uninstall = setupapi.Get<UninstallOemInfA>("SetupUninstallOEMInfA"))
        uninstall(infName, SUOI_FORCEDELETE, nullptr);
}

// The INF at path with its twin, while the INF names the driver; storeName is its name in
// the INF folder (nullptr when it lies elsewhere). Results are of no interest. An INF copied
// from a CD by an earlier installer kept the disc's read-only bit.
// A file that stays: deleted without success, or there but unreadable. One that is gone is
// none.
void NoteIfStays(const char* path, bool deleted, UndeletedList* undeleted) {
    if (deleted || undeleted == nullptr) return;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) undeleted->push_back({path, error});
}

void DeleteWithTwin(const char* path, const char* storeName, int osCode, UndeletedList* undeleted) {
    char twin[kNameBufferSize];
    const bool hasTwin = JoinText(twin, sizeof(twin), path, "") && MakePnfTwin(twin, SystemLeadByte);
    DWORD readError = 0;
    const bool ours = InfNamesDriver(path, &readError);
    // There but unreadable: whose it is cannot be told, so it stays, and the user is told.
    // Its twin carries the INF's strings and answers for itself: it goes with the rest when
    // it names the driver, and is told with its own reason when it cannot be read either.
    if (readError != 0) {
        if (undeleted != nullptr) undeleted->push_back({path, readError});
        if (hasTwin && GetFileAttributesA(twin) != INVALID_FILE_ATTRIBUTES) {
            DWORD twinError = 0;
            if (InfNamesDriver(twin, &twinError))
                NoteIfStays(twin, DeleteEvenReadOnly(twin), undeleted);
            else if (twinError != 0 && undeleted != nullptr)
                undeleted->push_back({twin, twinError});
        } else if (hasTwin) {
            // Not even whether it is there could be told: it may stay beside its INF.
            NoteIfStays(twin, false, undeleted);
        }
        return;
    }
    if (ours) {
        bool left = true;
        if (osCode == kOsNt6OrLater && storeName != nullptr) {
            ClearReadOnly(path);
            UninstallFromDriverStore(storeName);
            // Looked at again, since a call that did its work freed the name. Where it is
            // missing, failed or left the file (Wine's deletes only when forced, and never
            // the twin), the file is deleted as before.
            left = InfNamesDriver(path);
        }
        if (left) NoteIfStays(path, DeleteEvenReadOnly(path), undeleted);
        if (hasTwin) NoteIfStays(twin, DeleteEvenReadOnly(twin), undeleted);
    } else if (hasTwin && IsMissing(path) && InfNamesDriver(twin)) {
        // A removal ended between the two deletions leaves the twin alone; it carries the
        // INF's strings, so it can tell whose it was.
        DeleteEvenReadOnly(twin);
    }
}

// The name of path inside the INF folder, or nullptr when path lies elsewhere.
const char* StoreNameOf(const char* path) {
    char folder[kNameBufferSize];
    const char* separator = FindLastAnsiChar(path, '\\', SystemLeadByte);
    if (separator == nullptr || !InfFolder(folder)) return nullptr;
    char rebuilt[kNameBufferSize];
    if (!JoinText(rebuilt, sizeof(rebuilt), folder, separator + 1) || lstrcmpiA(rebuilt, path) != 0) return nullptr;
    return separator + 1;
}

}  // namespace

namespace {
// The entry's "InfFile" into path; false when there is no usable one.
bool ReadRecordedInf(char (&path)[kNameBufferSize]) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const bool read = ReadText(key, "InfFile", path, sizeof(path)) == ERROR_SUCCESS && strlen(path) >= 3;
    RegCloseKey(key);
    return read;
}
}  // namespace

void DeleteRecordedInf(int osCode, UndeletedList* undeleted) {
    char path[kNameBufferSize];
    if (ReadRecordedInf(path)) DeleteWithTwin(path, StoreNameOf(path), osCode, undeleted);
}

void DeleteRecordedInfAt(const char* recordedPath, int osCode, UndeletedList* undeleted) {
    char path[kNameBufferSize];
    if (recordedPath == nullptr || strlen(recordedPath) < 3 || !JoinText(path, sizeof(path), recordedPath, ""))
        return;
    DeleteWithTwin(path, StoreNameOf(path), osCode, undeleted);
}

LONG CollectClassInfNames(std::list<std::string>& classInfNames) {
    classInfNames.clear();
    HKEY classKey = nullptr;
    const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPrinterClassKey, 0, KEY_READ, &classKey);
    if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : opened;
    LONG unread = ERROR_SUCCESS;
    for (DWORD index = 0;; ++index) {
        char name[kNameBufferSize] = {0};
        DWORD nameSize = sizeof(name);
        const LONG found =
            RegEnumKeyExA(classKey, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (found == ERROR_NO_MORE_ITEMS) break;
        // Any failure but a name too long for the buffer would repeat at every index.
        if (found != ERROR_SUCCESS) {
            if (found == ERROR_MORE_DATA) continue;
            unread = found;
            break;
        }
        // Opened by its own name through the class key's handle: no path to outgrow.
        HKEY entry = nullptr;
        const LONG entryOpened = RegOpenKeyExA(classKey, name, 0, KEY_READ, &entry);
        if (entryOpened != ERROR_SUCCESS) {
            if (entryOpened != ERROR_FILE_NOT_FOUND) unread = entryOpened;
            continue;
        }
        char text[kNameBufferSize];
        const LONG described = ReadText(entry, "DriverDesc", text, sizeof(text));
        // An entry of another device without a description is none of ours; one whose
        // description cannot be read may be.
        if (described != ERROR_SUCCESS && described != ERROR_FILE_NOT_FOUND) unread = described;
        if (described == ERROR_SUCCESS && strcmp(text, kDriverName) == 0) {
            // Without a readable plain file name the path would name the INF folder itself
            // or a file outside it.
            if (ReadText(entry, "InfPath", text, sizeof(text)) == ERROR_SUCCESS &&
                IsPlainFileName(text, SystemLeadByte))
                classInfNames.push_front(text);
        }
        RegCloseKey(entry);
    }
    RegCloseKey(classKey);
    return unread;
}

void DeleteInfsNamingDriver(int osCode, UndeletedList* undeleted) {
    char folder[kNameBufferSize];
    char pattern[kNameBufferSize];
    if (!InfFolder(folder)) {
        // Where no INF could be looked at, one naming the driver may stay unseen.
        const DWORD error = GetLastError();
        if (undeleted != nullptr) undeleted->push_back({"INF\\*.inf", error, kFolderNotFound, true});
        return;
    }
    if (!JoinText(pattern, sizeof(pattern), folder, "*.inf")) return;
    appkit::FileFinder finder;
    if (!finder.Find(pattern)) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES && undeleted != nullptr)
            undeleted->push_back({pattern, error, kSearchStopped, true});
        return;
    }
    // Names first: deleting while searching may skip or repeat entries.
    std::list<std::string> names;
    do {
        if (!finder.IsDirectory()) names.push_back(finder.Name());
    } while (finder.Next());
    const DWORD searchEnd = GetLastError();
    finder.Close();
    // A search that stopped before its end leaves the INFs it did not list unseen.
    if (searchEnd != ERROR_NO_MORE_FILES && undeleted != nullptr)
        undeleted->push_back({pattern, searchEnd, kSearchStopped, true});
    // The system's own INFs are no one's to list: INFs that could not be read are told once,
    // as the search that could not tell them.
    DWORD unread = ERROR_SUCCESS;
    for (const std::string& name : names) {
        char path[kNameBufferSize];
        if (!IsPlainFileName(name.c_str(), SystemLeadByte) || !JoinText(path, sizeof(path), folder, name.c_str()))
            continue;
        DWORD readError = ERROR_SUCCESS;
        if (InfNamesDriver(path, &readError))
            DeleteWithTwin(path, name.c_str(), osCode, undeleted);
        else if (readError != ERROR_SUCCESS && unread == ERROR_SUCCESS)
            unread = readError;
    }
    if (unread != ERROR_SUCCESS && undeleted != nullptr) undeleted->push_back({pattern, unread});
}

void DeleteClassInfFiles(const std::list<std::string>& classInfNames, int osCode, UndeletedList* undeleted) {
    if (classInfNames.empty()) return;
    char folder[kNameBufferSize];
    if (!InfFolder(folder)) {
        const DWORD error = GetLastError();
        if (undeleted != nullptr)
            for (const std::string& name : classInfNames) undeleted->push_back({name, error, kFolderNotFound, true});
        return;
    }
    for (const std::string& name : classInfNames) {
        char path[kNameBufferSize];
        if (!IsPlainFileName(name.c_str(), SystemLeadByte) || !JoinText(path, sizeof(path), folder, name.c_str()))
            continue;
        DeleteWithTwin(path, name.c_str(), osCode, undeleted);
    }
}

}  // namespace kyr

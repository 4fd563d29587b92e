// The uninstall entry and the product folder with the uninstaller and both removal modules.
#include <windows.h>

#include "installer/context/install_context.h"
#include "installer/medium/medium_files.h"
#include "installer/system/system_folders.h"
#include "installer/uninstall/uninstall_entry_state.h"

namespace kyr {

namespace {
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730";

const char kEntryShown[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730";

// A value the entry lacks leaves the product out of the list of installed software or its
// removal without a way to start; the user is told which.
void SetText(HKEY key, const char* name, const char* text, CopyLedger& ledger) {
    const LONG written = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), lstrlenA(text) + 1);
    // A value, not a key below the entry: named as the registry editor shows it.
    if (written != ERROR_SUCCESS)
        ledger.NoteEntry(std::string(kEntryShown) + ", value \"" + name + "\"", written);
}

// Each file the product folder should have received, named in full like every other row of
// the failed-copies box, although its path does not fit the buffers the copies are made in.
// why: the code ProductPaths gave (the Windows folder's query's, when that failed).
void NoteProductFolderUnreachable(CopyLedger& copies, DWORD why) {
    const Folder windowsFolder = QueryWindowsFolder();
    for (const char* name : kUninstallerFiles)
        copies.Note(std::string(windowsFolder.path) + "\\KYR-730\\" + name, why);
    copies.NoteUnusableEntry();
}
}  // namespace

void InstallContext::RegisterUninstall() {
    char productFolder[kPathBufferSize];
    char uninstaller[kPathBufferSize];
    // Without a product folder path that fits there is nothing the entry could point to;
    // the user is told of its files like of every other copy that could not be made.
    if (!ProductPaths(productFolder, uninstaller)) {
        NoteProductFolderUnreachable(copies, GetLastError());
        return;
    }

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        // An entry of an earlier installation is replaced, not merged.
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
        RegCloseKey(key);
    }
    key = nullptr;
    const LONG created = RegCreateKeyA(HKEY_LOCAL_MACHINE, kUninstallKey, &key);
    if (created == ERROR_SUCCESS) {
        SetText(key, "DisplayName", "KYR POS 730 Windows Driver 1.0.0E", copies);
        SetText(key, "KYR POS 730", "", copies);
        SetText(key, "UninstallString", uninstaller, copies);
        SetText(key, "InfFile", infFile.c_str(), copies);
        RegCloseKey(key);
    } else {
        copies.NoteEntry(kEntryShown, created);
    }
    DeployUninstaller();
}

void InstallContext::DeployUninstaller() {
    char productFolder[kPathBufferSize];
    char uninstaller[kPathBufferSize];
    if (!ProductPaths(productFolder, uninstaller)) {
        NoteProductFolderUnreachable(copies, GetLastError());
        return;
    }
    CreateDirectoryA(productFolder, nullptr);
    Folder product;
    lstrcpynA(product.path, productFolder, sizeof(product.path));
    bool deployed = true;
    // The programs of this build's set: the 64-bit ones for a 64-bit installation.
    for (const char* name : kUninstallerFiles)
        deployed = copies.CopyInto(MediumFile(std::string(ProgramFolder(kBuildNtSet)) + name), product, name) && deployed;
    if (!deployed) copies.NoteUnusableEntry();
}

}  // namespace kyr

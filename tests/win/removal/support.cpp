#include "support.h"

#include <shlwapi.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace removal_test {

std::string WinPath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

void InstallSystemNet() {
    // The prefix's files may be hard links into the pristine prefix: replace, never write
    // through.
    const std::string target = SystemDir() + "\\net.exe";
    RemoveFile(target);
    CopyFileA(WinPath(KYR_NET_STANDIN).c_str(), target.c_str(), FALSE);
    // Wine prefers its own net.exe in the system folder unless told otherwise.
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", &key) == ERROR_SUCCESS) {
        const char native[] = "native";
        RegSetValueExA(key, "net.exe", 0, REG_SZ, reinterpret_cast<const BYTE*>(native),
                       sizeof native);
        RegCloseKey(key);
    }
}

std::string Stage(const char* folderName, std::initializer_list<const char*> hostNames) {
    const std::string dir = std::string("C:\\kyr_removal_") + folderName;
    CreateDirectoryA(dir.c_str(), nullptr);
    CopyFileA(WinPath(KYR_UNHOOK_A).c_str(), (dir + "\\Unhook_A.dll").c_str(), FALSE);
    CopyFileA(WinPath(KYR_UNHOOK_B).c_str(), (dir + "\\Unhook_B.dll").c_str(), FALSE);
    // Planted beside the modules, which is also the host's current folder: a "net" there
    // must never run.
    CopyFileA(WinPath(KYR_NET_STANDIN).c_str(), (dir + "\\net.exe").c_str(), FALSE);
    InstallSystemNet();
    for (const char* name : hostNames)
        CopyFileA(WinPath(KYR_UNHOOK_HOST).c_str(), (dir + "\\" + name).c_str(), FALSE);
    return dir;
}

DWORD RunHost(const std::string& stage, const char* host, const char* version,
              const std::string& args, const std::string& currentFolder) {
    const std::string appKey = std::string("Software\\Wine\\AppDefaults\\") + host;
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, appKey.c_str(), &key) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                       static_cast<DWORD>(strlen(version) + 1));
        RegCloseKey(key);
    }
    std::string cmd = "\"" + stage + "\\" + host + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const std::string cwd = currentFolder.empty() ? stage : currentFolder;
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(),
                        &si, &pi))
        return 0xFFFFFFFF;
    // A run that hangs is ended so that the test fails with a reason instead of timing out.
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 0xFFFFFFFD);
    WaitForSingleObject(pi.hProcess, 5000);
    DWORD code = 0xFFFFFFFE;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

bool KeyExists(const char* subkey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void CreateKey(const char* subkey) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, subkey, &key) == ERROR_SUCCESS) RegCloseKey(key);
}

void SetString(const char* subkey, const char* name, const char* value) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, subkey, &key) != ERROR_SUCCESS) return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(strlen(value) + 1));
    RegCloseKey(key);
}

void DeleteTree(const char* subkey) { SHDeleteKeyA(HKEY_LOCAL_MACHINE, subkey); }

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void PutFile(const std::string& path, const char* content) {
    std::ofstream(path, std::ios::binary) << content;
}

void RemoveFile(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string WaitForFileText(const std::string& path, const char* needle, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const std::string text = ReadFileText(path);
        if (text.find(needle) != std::string::npos || GetTickCount() - start >= timeoutMs)
            return text;
        Sleep(50);
    }
}

std::string WindowsDir() {
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, sizeof dir);
    return dir;
}

std::string SystemDir() {
    char dir[MAX_PATH] = {};
    GetSystemDirectoryA(dir, sizeof dir);
    return dir;
}

void PutUninstallEntry() {
    DeleteTree(kUninstallKey);
    SetString(kUninstallKey, "DisplayName", "KYR POS 730 Windows Driver 1.0.0E");
    SetString(kUninstallKey, "KYR POS 730", "");
    SetString(kUninstallKey, "UninstallString",
              (WindowsDir() + "\\KYR-730\\KYRPOS730_Uninstaller.exe").c_str());
    SetString(kUninstallKey, "InfFile", "");
}

}  // namespace removal_test

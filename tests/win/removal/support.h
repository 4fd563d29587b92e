// What the removal tests share: a staging folder that holds the modules beside a stand-in
// for the uninstaller (so they are found by bare name, as the uninstaller finds them), runs
// of that stand-in under a chosen Windows version, and plain registry and file probes.
#pragma once

#include <windows.h>

#include <string>

namespace removal_test {

constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730";
constexpr const char* kMonitorKey =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\KYRPOS Language Monitor 730";

// A built file's Unix path as Wine's Z: drive sees it.
std::string WinPath(const char* unixPath);

// A fresh folder under C:\ holding the modules, the uninstaller stand-in under the given
// program names (each name gets its own Windows version) and a planted "net" stand-in;
// the system folder gets the real one (InstallSystemNet).
std::string Stage(const char* folderName, std::initializer_list<const char*> hostNames);

// Runs <stage>\<host> with the arguments under the Windows version (win98, winxp, ...)
// in the current folder given (the stage when empty) and answers its exit code
// (0xFFFFFFFD when it hung and was ended).
DWORD RunHost(const std::string& stage, const char* host, const char* version,
              const std::string& args, const std::string& currentFolder = "");

// The "net" stand-in as the system folder's net.exe, where the NT module takes it from.
void InstallSystemNet();

bool KeyExists(const char* subkey);
void CreateKey(const char* subkey);
void SetString(const char* subkey, const char* name, const char* value);
void DeleteTree(const char* subkey);

bool FileExists(const std::string& path);
void PutFile(const std::string& path, const char* content = "stand-in");
void RemoveFile(const std::string& path);
std::string ReadFileText(const std::string& path);
// The file's text once it contains needle, or as it is after timeoutMs: for files that
// another process writes on its own time (the "net" stand-in started without a wait).
std::string WaitForFileText(const std::string& path, const char* needle, DWORD timeoutMs = 30000);

std::string WindowsDir();
std::string SystemDir();

// The uninstall entry the way the installer leaves it.
void PutUninstallEntry();

}  // namespace removal_test

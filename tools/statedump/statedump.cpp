// statedump: prints what the spooler and chosen registry trees hold, as stable text, so
// that a scenario can compare the state a program left behind with what it must be.
// Usage: statedump.exe [spooler] [folders] [reg HKLM\path] [save HKLM file] [mark text]...
#include <windows.h>
#include <winspool.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string Escape(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '|') out += "\\|";
        else if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c < 32 || c >= 127) {
            char hex[8];
            snprintf(hex, sizeof(hex), "\\x%02X", c);
            out += hex;
        } else out += static_cast<char>(c);
    }
    return out;
}

std::string E(const char* text) { return text ? Escape(text) : "(null)"; }

std::string MultiSz(const char* list) {
    if (!list) return "(null)";
    std::string out;
    for (const char* p = list; *p; p += strlen(p) + 1) {
        if (!out.empty()) out += ",";
        out += Escape(p);
    }
    return "[" + out + "]";
}

template <typename Enum>
std::vector<BYTE> Fetch(Enum call, DWORD& count) {
    DWORD needed = 0;
    count = 0;
    call(nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!call(buffer.data(), needed, &needed, &count)) count = 0;
    return buffer;
}

// "Windows x64" only where there is a 64-bit spooler: a 32-bit Windows' dumps stay as they were.
std::vector<const char*> Environments() {
    std::vector<const char*> environments = {"Windows NT x86", "Windows 4.0"};
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    IsWow64ProcessFn isWow64 = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    if (isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64) environments.push_back("Windows x64");
    return environments;
}

void DumpSpooler() {
    DWORD count;
    std::vector<BYTE> printers = Fetch(
        [](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, b, s, n, c); },
        count);
    PRINTER_INFO_2A* p = reinterpret_cast<PRINTER_INFO_2A*>(printers.data());
    for (DWORD i = 0; i < count; ++i) {
        printf("printer|%s|server=%s|share=%s|port=%s|driver=%s|comment=%s|location=%s|sepfile=%s|"
               "processor=%s|datatype=%s|parameters=%s|attributes=0x%lX|priority=%lu|defaultpriority=%lu|"
               "start=%lu|until=%lu|status=0x%lX|jobs=%lu|ppm=%lu\n",
               E(p[i].pPrinterName).c_str(), E(p[i].pServerName).c_str(), E(p[i].pShareName).c_str(),
               E(p[i].pPortName).c_str(), E(p[i].pDriverName).c_str(), E(p[i].pComment).c_str(),
               E(p[i].pLocation).c_str(), E(p[i].pSepFile).c_str(), E(p[i].pPrintProcessor).c_str(),
               E(p[i].pDatatype).c_str(), E(p[i].pParameters).c_str(), p[i].Attributes, p[i].Priority,
               p[i].DefaultPriority, p[i].StartTime, p[i].UntilTime, p[i].Status, p[i].cJobs,
               p[i].AveragePPM);
        HANDLE printer = nullptr;
        if (OpenPrinterA(p[i].pPrinterName, &printer, nullptr)) {
            DWORD forms = 0;
            std::vector<BYTE> buffer = Fetch(
                [printer](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return EnumFormsA(printer, 1, b, s, n, c); },
                forms);
            FORM_INFO_1A* f = reinterpret_cast<FORM_INFO_1A*>(buffer.data());
            for (DWORD k = 0; k < forms; ++k) printf("form|%s|%s\n", E(p[i].pPrinterName).c_str(), E(f[k].pName).c_str());
            ClosePrinter(printer);
        }
    }
    for (const char* env : Environments()) {
        std::vector<BYTE> drivers = Fetch(
            [env](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
                return EnumPrinterDriversA(nullptr, const_cast<char*>(env), 3, b, s, n, c);
            },
            count);
        DRIVER_INFO_3A* d = reinterpret_cast<DRIVER_INFO_3A*>(drivers.data());
        for (DWORD i = 0; i < count; ++i) {
            printf("driver|%s|%s|version=%lu|path=%s|data=%s|config=%s|help=%s|dependent=%s|monitor=%s|"
                   "datatype=%s\n",
                   env, E(d[i].pName).c_str(), d[i].cVersion, E(d[i].pDriverPath).c_str(),
                   E(d[i].pDataFile).c_str(), E(d[i].pConfigFile).c_str(), E(d[i].pHelpFile).c_str(),
                   MultiSz(d[i].pDependentFiles).c_str(), E(d[i].pMonitorName).c_str(),
                   E(d[i].pDefaultDataType).c_str());
        }
        std::vector<BYTE> processors = Fetch(
            [env](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
                return EnumPrintProcessorsA(nullptr, const_cast<char*>(env), 1, b, s, n, c);
            },
            count);
        PRINTPROCESSOR_INFO_1A* pp = reinterpret_cast<PRINTPROCESSOR_INFO_1A*>(processors.data());
        for (DWORD i = 0; i < count; ++i) printf("processor|%s|%s\n", env, E(pp[i].pName).c_str());
    }
    std::vector<BYTE> monitors = Fetch(
        [](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return EnumMonitorsA(nullptr, 2, b, s, n, c); }, count);
    MONITOR_INFO_2A* m = reinterpret_cast<MONITOR_INFO_2A*>(monitors.data());
    for (DWORD i = 0; i < count; ++i) {
        printf("monitor|%s|env=%s|dll=%s\n", E(m[i].pName).c_str(), E(m[i].pEnvironment).c_str(),
               E(m[i].pDLLName).c_str());
    }
}

void DumpFolders() {
    char buffer[MAX_PATH];
    DWORD needed;
    GetWindowsDirectoryA(buffer, sizeof(buffer));
    printf("folder|windows|%s\n", E(buffer).c_str());
    GetSystemDirectoryA(buffer, sizeof(buffer));
    printf("folder|system|%s\n", E(buffer).c_str());
    if (GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buffer), sizeof(buffer), &needed))
        printf("folder|driver|%s\n", E(buffer).c_str());
    if (GetPrintProcessorDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buffer), sizeof(buffer), &needed))
        printf("folder|processor|%s\n", E(buffer).c_str());
}

std::string ValueText(DWORD type, const BYTE* data, DWORD size) {
    char number[32];
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
            std::string text(reinterpret_cast<const char*>(data), size);
            // Keep a stored terminator visible only when something follows it.
            while (!text.empty() && text.back() == '\0') text.pop_back();
            return (type == REG_SZ ? "sz:" : "expand:") + Escape(text);
        }
        case REG_DWORD:
            snprintf(number, sizeof(number), "dword:0x%08lX", size >= 4 ? *reinterpret_cast<const DWORD*>(data) : 0UL);
            return number;
        case REG_MULTI_SZ: {
            std::string text(reinterpret_cast<const char*>(data), size);
            return "multi:" + Escape(text);
        }
        default: {
            snprintf(number, sizeof(number), "type%lu:", type);
            std::string out = number;
            for (DWORD i = 0; i < size; ++i) {
                char hex[4];
                snprintf(hex, sizeof(hex), "%02X", data[i]);
                out += hex;
            }
            return out;
        }
    }
}

// A whole hive holds tens of thousands of values: each key is opened from its parent and each
// value read in one call with buffers sized from the key's own figures, so that a dump of
// HKLM costs as few server requests as the tree allows.
void DumpOpenKey(HKEY key, const std::string& shown, bool top, REGSAM view) {
    printf("key|%s\n", shown.c_str());
    DWORD subkeys = 0, maxSubkey = 0, values = 0, maxName = 0, maxData = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &values, &maxName, &maxData,
                     nullptr, nullptr);
    std::vector<char> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size()), type = 0, size = static_cast<DWORD>(data.size() - 2);
        std::fill(data.begin(), data.end(), 0);
        LONG rc = RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &size);
        if (rc == ERROR_MORE_DATA) {
            // Grown since the key was asked for its figures: once more with room for it.
            DWORD dataSize = 0;
            nameSize = static_cast<DWORD>(name.size());
            RegEnumValueA(key, i, nullptr, nullptr, nullptr, nullptr, nullptr, &dataSize);
            name.resize(16384);
            data.assign(dataSize + 2, 0);
            nameSize = static_cast<DWORD>(name.size());
            size = dataSize;
            rc = RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &size);
        }
        if (rc != ERROR_SUCCESS) break;
        printf("value|%s|%s|%s\n", shown.c_str(), E(name.data()).c_str(), ValueText(type, data.data(), size).c_str());
    }
    std::vector<std::string> names;
    std::vector<char> sub(maxSubkey + 2 > 1024 ? maxSubkey + 2 : 1024);
    for (DWORD i = 0;; ++i) {
        DWORD size = static_cast<DWORD>(sub.size());
        if (RegEnumKeyExA(key, i, sub.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(sub.data());
    }
    for (const std::string& child : names) {
        // A hive's name is followed by one bare backslash, which its children share; deeper
        // down the separator is escaped like any backslash of a name.
        std::string childShown = shown + (top ? "" : "\\\\") + E(child.c_str());
        HKEY opened;
        if (RegOpenKeyExA(key, child.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS) {
            printf("nokey|%s\n", childShown.c_str());
            continue;
        }
        DumpOpenKey(opened, childShown, false, view);
        RegCloseKey(opened);
    }
}

void DumpKey(HKEY root, const std::string& rootName, const std::string& path) {
    HKEY key;
    // The 64-bit view on 64-bit Windows, where the 32-bit one shows as its Wow6432Node key;
    // a 32-bit Windows has only the one view (and Windows 2000 refuses the flag).
    static const REGSAM view = Environments().size() > 2 ? KEY_WOW64_64KEY : 0;
    std::string shown = rootName + "\\" + E(path.c_str());
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        printf("nokey|%s\n", shown.c_str());
        return;
    }
    DumpOpenKey(key, shown, path.empty(), view);
    RegCloseKey(key);
}

// Saving a hive is a backup operation: the privilege an administrator holds but has disabled.
void EnableBackup() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
}

}  // namespace

int main(int argc, char** argv) {
    static char output[1 << 20];
    setvbuf(stdout, output, _IOFBF, sizeof(output));
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "spooler") {
            DumpSpooler();
        } else if (arg == "folders") {
            DumpFolders();
        } else if (arg == "save" && i + 2 < argc) {
            std::string rootName = argv[++i];
            const char* file = argv[++i];
            HKEY root = rootName == "HKLM" ? HKEY_LOCAL_MACHINE : rootName == "HKCU" ? HKEY_CURRENT_USER : nullptr;
            if (!root) {
                fprintf(stderr, "unknown root %s\n", rootName.c_str());
                return 2;
            }
            EnableBackup();
            DeleteFileA(file);
            LONG rc = RegSaveKeyA(root, file, nullptr);
            printf("saved|%s|%ld\n", rootName.c_str(), rc);
        } else if (arg == "mark" && i + 1 < argc) {
            // Separates the answers of one run's several questions.
            printf("mark|%s\n", argv[++i]);
        } else if (arg == "reg" && i + 1 < argc) {
            std::string path = argv[++i];
            size_t slash = path.find('\\');
            std::string rootName = path.substr(0, slash);
            std::string rest = slash == std::string::npos ? "" : path.substr(slash + 1);
            HKEY root = rootName == "HKLM" ? HKEY_LOCAL_MACHINE : rootName == "HKCU" ? HKEY_CURRENT_USER : nullptr;
            if (!root) {
                fprintf(stderr, "unknown root %s\n", rootName.c_str());
                return 2;
            }
            DumpKey(root, rootName, rest);
        } else {
            fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    fflush(stdout);
    return 0;
}

#include "tools/guidriver/windows.h"

#include <commctrl.h>
#include <stdio.h>

namespace guidriver {

namespace {

struct Search {
    std::string caption;
    bool messageBox = false;
    bool includeHidden = false;
    HWND found = nullptr;
};

BOOL CALLBACK EnumTop(HWND window, LPARAM param) {
    Search* search = reinterpret_cast<Search*>(param);
    if (!search->includeHidden && !IsWindowVisible(window)) return TRUE;
    if (ClassName(window) != "#32770") return TRUE;
    if (search->messageBox) {
        if (GetDlgItem(window, 0xFFFF)) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }
    if (WindowText(window) == search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindDialog(const std::string& caption, bool includeHidden) {
    Search search;
    search.caption = caption;
    search.includeHidden = includeHidden;
    EnumWindows(EnumTop, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindMessageBox() {
    Search search;
    search.messageBox = true;
    EnumWindows(EnumTop, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string WindowText(HWND window) {
    char buffer[4096] = {0};
    if (!window) return std::string();
    int length = GetWindowTextA(window, buffer, sizeof(buffer));
    if (length <= 0) return std::string();
    return std::string(buffer, static_cast<size_t>(length) < sizeof(buffer) ? length : sizeof(buffer) - 1);
}

std::string ClassName(HWND window) {
    char buffer[256] = {0};
    GetClassNameA(window, buffer, sizeof(buffer));
    return buffer;
}

std::vector<std::string> ListTexts(HWND list) {
    std::vector<std::string> texts;
    bool combo = lstrcmpiA(ClassName(list).c_str(), "ComboBox") == 0;
    LRESULT count = SendMessageW(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageW(list, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, i, 0);
        if (length < 0) length = 0;
        std::vector<WCHAR> wide(static_cast<size_t>(length) + 1, 0);
        SendMessageW(list, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide.data()));
        char narrow[1024] = {0};
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, narrow, sizeof(narrow) - 1, nullptr, nullptr);
        texts.push_back(narrow);
    }
    return texts;
}

namespace {
// Whether the process is a 64-bit one on 64-bit Windows (this program being 32-bit there).
bool IsNative64(HANDLE process) {
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    IsWow64ProcessFn isWow64 = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL mine = FALSE, theirs = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &mine) && mine && isWow64(process, &theirs) && !theirs;
}
}  // namespace

BarState ReadProgressBar(HWND bar) {
    BarState state;
    DWORD pid = 0;
    GetWindowThreadProcessId(bar, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, pid);
    // The control keeps its state in a record whose address is its first window word;
    // the record starts with the control's own handle, which validates the read. A 64-bit
    // control's word and handle are 8 bytes: its two halves are read apart. A record above
    // 4 GB (usual on a real 64-bit Windows 8 or later) is out of this 32-bit reader's reach,
    // and the message below answers instead; Wine's 64-bit heaps lie below it.
    if (process && IsNative64(process)) {
        const ULONGLONG address = static_cast<ULONGLONG>(static_cast<DWORD>(GetWindowLongA(bar, 0))) |
                                  (static_cast<ULONGLONG>(static_cast<DWORD>(GetWindowLongA(bar, 4))) << 32);
        struct {
            ULONGLONG self;
            INT current, minimum, maximum, step;
        } info;
        SIZE_T read = 0;
        if (address != 0 && address < 0x100000000ULL &&
            ReadProcessMemory(process, reinterpret_cast<void*>(static_cast<UINT_PTR>(address)), &info, sizeof(info),
                              &read) &&
            read == sizeof(info) && static_cast<DWORD>(info.self) == static_cast<DWORD>(reinterpret_cast<UINT_PTR>(bar))) {
            state.valid = true;
            state.position = info.current;
            state.minimum = info.minimum;
            state.maximum = info.maximum;
            state.step = info.step;
        }
    } else if (LONG_PTR address = GetWindowLongPtrA(bar, 0); process && address) {
        struct {
            HWND self;
            INT current, minimum, maximum, step;
        } info;
        SIZE_T read = 0;
        if (ReadProcessMemory(process, reinterpret_cast<void*>(address), &info, sizeof(info), &read) &&
            read == sizeof(info) && info.self == bar) {
            state.valid = true;
            state.position = info.current;
            state.minimum = info.minimum;
            state.maximum = info.maximum;
            state.step = info.step;
        }
    }
    if (process) CloseHandle(process);
    if (!state.valid) {
        DWORD_PTR position = 0;
        if (SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 100, &position)) {
            state.valid = true;
            state.position = static_cast<int>(position);
        }
    }
    return state;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '|': out += "\\|"; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace guidriver

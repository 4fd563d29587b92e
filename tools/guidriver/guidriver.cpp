// guidriver: plays the user of a Windows program under test, from another process of the
// same Wine prefix. Usage: guidriver.exe <script-file>. Every observation is written to
// standard output as one "kind|field|field..." line, in the order it happened.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "tools/guidriver/capture.h"
#include "tools/guidriver/script.h"
#include "tools/guidriver/windows.h"

using namespace guidriver;

namespace {

CRITICAL_SECTION g_output;
HWND g_current = nullptr;

void Emit(const std::string& line) {
    EnterCriticalSection(&g_output);
    fputs(line.c_str(), stdout);
    fputc('\n', stdout);
    fflush(stdout);
    LeaveCriticalSection(&g_output);
}

[[noreturn]] void Fail(const std::string& why) {
    Emit("error|" + Escape(why));
    ExitProcess(1);
}

int ToInt(const std::string& text) { return static_cast<int>(strtol(text.c_str(), nullptr, 0)); }

HWND Control(int id) {
    if (!g_current || !IsWindow(g_current)) Fail("no current window");
    HWND control = GetDlgItem(g_current, id);
    if (!control) Fail("no control " + std::to_string(id));
    return control;
}

template <typename F>
HWND WaitFor(F find, int timeoutMs, const std::string& what) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = find();
        if (window) return window;
        if (static_cast<int>(GetTickCount() - start) > timeoutMs) Fail("timed out waiting for " + what);
        Sleep(5);
    }
}

// --- status-line recorder ----------------------------------------------------------

struct Watch {
    HWND window;
    int statusId;
    int barId;
};

DWORD WINAPI WatchThread(LPVOID param) {
    Watch watch = *static_cast<Watch*>(param);
    delete static_cast<Watch*>(param);
    // A dialog found while it is still being created may not have its controls yet.
    HWND status = nullptr, bar = nullptr;
    while (IsWindow(watch.window) && (!status || !bar)) {
        status = GetDlgItem(watch.window, watch.statusId);
        bar = GetDlgItem(watch.window, watch.barId);
        if (!status || !bar) Sleep(1);
    }
    std::string lastText = "\x01";
    int lastBar = -1;
    const DWORD start = GetTickCount();
    while (IsWindow(watch.window)) {
        // Read the text on both sides of the bar so that a pair never straddles a change.
        std::string text, again;
        BarState state;
        do {
            text = WindowText(status);
            state = ReadProgressBar(bar);
            again = WindowText(status);
        } while (text != again && IsWindow(watch.window));
        std::string at = "|" + std::to_string(GetTickCount() - start);
        if (text != lastText) {
            Emit("status|" + Escape(text) + at);
            lastText = text;
        }
        if (state.valid && state.position != lastBar) {
            Emit("bar|" + std::to_string(state.position) + at);
            lastBar = state.position;
        }
        Sleep(2);
    }
    Emit("watch-end");
    return 0;
}

// --- dialog geometry ---------------------------------------------------------------

// Dialog base units of a template font, the way the dialog manager derives them.
SIZE BaseUnits(HWND dialog) {
    SIZE units = {0, 0};
    HDC dc = GetDC(nullptr);
    LOGFONTA lf;
    ZeroMemory(&lf, sizeof(lf));
    lf.lfHeight = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpyA(lf.lfFaceName, "MS Sans Serif");
    HFONT created = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, created);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    SIZE extent;
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32A(dc, alphabet, 52, &extent);
    units.cx = (extent.cx / 26 + 1) / 2;
    units.cy = tm.tmHeight;
    SelectObject(dc, old);
    DeleteObject(created);
    ReleaseDC(nullptr, dc);
    return units;
}

struct DumpContext {
    HWND dialog;
    SIZE units;
};

std::string Units(const RECT& r, SIZE units) {
    auto x = [&](LONG px) { return std::to_string(MulDiv(px, 4, units.cx)); };
    auto y = [&](LONG px) { return std::to_string(MulDiv(px, 8, units.cy)); };
    return x(r.left) + "|" + y(r.top) + "|" + x(r.right - r.left) + "|" + y(r.bottom - r.top);
}

BOOL CALLBACK DumpChild(HWND child, LPARAM param) {
    DumpContext* ctx = reinterpret_cast<DumpContext*>(param);
    if (GetParent(child) != ctx->dialog) return TRUE;
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, ctx->dialog, reinterpret_cast<POINT*>(&r), 2);
    char styles[64];
    snprintf(styles, sizeof(styles), "%08lX|%08lX", GetWindowLongA(child, GWL_STYLE),
             GetWindowLongA(child, GWL_EXSTYLE));
    Emit("control|" + std::to_string(GetDlgCtrlID(child)) + "|" + ClassName(child) + "|" +
         Escape(WindowText(child)) + "|" + styles + "|" + Units(r, ctx->units));
    return TRUE;
}

void Dump(HWND dialog) {
    DumpContext ctx = {dialog, BaseUnits(dialog)};
    RECT client;
    GetClientRect(dialog, &client);
    char styles[64];
    snprintf(styles, sizeof(styles), "%08lX|%08lX", GetWindowLongA(dialog, GWL_STYLE),
             GetWindowLongA(dialog, GWL_EXSTYLE));
    HWND owner = GetWindow(dialog, GW_OWNER);
    Emit("dialog|" + Escape(WindowText(dialog)) + "|" + styles + "|" + Units(client, ctx.units) + "|owner=" +
         (owner ? Escape(WindowText(owner)) : std::string("none")));
    EnumChildWindows(dialog, DumpChild, reinterpret_cast<LPARAM>(&ctx));
}

// --- message boxes -----------------------------------------------------------------

struct ButtonList {
    std::vector<HWND> buttons;
};

BOOL CALLBACK CollectButtons(HWND child, LPARAM param) {
    if (lstrcmpiA(ClassName(child).c_str(), "Button") == 0 && IsWindowVisible(child)) {
        reinterpret_cast<ButtonList*>(param)->buttons.push_back(child);
    }
    return TRUE;
}

std::string Plain(const std::string& label) {
    std::string out;
    for (char c : label)
        if (c != '&') out += c;
    return out;
}

// Reports the box as a "box|" line and presses the first of the labels it offers (none
// for none), else its first button when anyFirst; waits for it to go.
void AnswerBox(HWND box, const std::vector<std::string>& labels, bool anyFirst, const std::string& shot) {
    Sleep(150);  // let it finish painting before its icon is read
    ButtonList list;
    EnumChildWindows(box, CollectButtons, reinterpret_cast<LPARAM>(&list));
    std::string buttons;
    HWND target = nullptr;
    for (const std::string& wanted : labels) {
        for (HWND b : list.buttons)
            if (!target && Plain(WindowText(b)) == wanted) target = b;
    }
    for (HWND b : list.buttons) {
        if (!buttons.empty()) buttons += ",";
        buttons += Plain(WindowText(b));
    }
    if (!target && anyFirst && !list.buttons.empty()) target = list.buttons.front();
    HWND owner = GetWindow(box, GW_OWNER);
    Emit("box|" + Escape(WindowText(box)) + "|" + Escape(WindowText(GetDlgItem(box, 0xFFFF))) + "|" +
         MessageBoxIcon(box) + "|" + buttons + "|owner=" + (owner ? Escape(WindowText(owner)) : std::string("none")));
    if (!shot.empty()) SaveWindowBitmap(box, shot);
    if (labels.size() == 1 && labels[0] == "none") return;
    if (!target) Fail("message box has no button " + labels[0]);
    PostMessageA(target, BM_CLICK, 0, 0);
    DWORD start = GetTickCount();
    while (IsWindow(box) && GetTickCount() - start < 10000) Sleep(5);
}

void HandleBox(const std::vector<std::string>& args) {
    std::string press = args.size() > 1 ? args[1] : "none";
    int timeout = args.size() > 2 ? ToInt(args[2]) : 30000;
    std::string shot = args.size() > 3 ? args[3] : "";
    HWND box = WaitFor([] { return FindMessageBox(); }, timeout, "a message box");
    AnswerBox(box, {press}, false, shot);
}

// Every box that appears, answered for as long as the caller lets this run (it ends it):
// with the first of the labels (comma-separated) the box offers, else its first button.
[[noreturn]] void AnswerEveryBox(const std::string& labelList) {
    std::vector<std::string> labels;
    size_t begin = 0;
    for (size_t comma; (comma = labelList.find(',', begin)) != std::string::npos; begin = comma + 1)
        labels.push_back(labelList.substr(begin, comma - begin));
    labels.push_back(labelList.substr(begin));
    for (;;) {
        if (HWND box = FindMessageBox())
            AnswerBox(box, labels, true, "");
        else
            Sleep(20);
    }
}

// --- commands ----------------------------------------------------------------------

// A dialog activates itself while still hidden (the focus it gives its first control in
// WM_INITDIALOG), before its thread has the foreground. Windows tells the active window
// once its thread gets the foreground (WM_NCACTIVATE, caption drawn active); Wine's virtual
// desktop hands the foreground over later and never tells it, so its caption stays grey in
// every picture. Once the desktop says the window has the foreground, the bench tells it as
// Windows would; a window that never gets the foreground keeps its grey caption.
void HandOverForeground(HWND window) {
    if (!window || !IsWindow(window)) return;
    HWND top = GetAncestor(window, GA_ROOT);
    for (int waited = 0; GetForegroundWindow() != top; waited += 50) {
        if (waited >= 1500) return;
        Sleep(50);
    }
    SendMessageTimeoutA(top, WM_NCACTIVATE, TRUE, 0, SMTO_ABORTIFHUNG, 1000, nullptr);
}

void Run(const std::vector<std::string>& a) {
    const std::string& verb = a[0];
    auto arg = [&](size_t i) -> const std::string& {
        if (i >= a.size()) Fail(verb + ": missing argument");
        return a[i];
    };
    if (verb == "wait") {
        std::string caption = arg(1);
        int timeout = a.size() > 2 ? ToInt(a[2]) : 30000;
        g_current = WaitFor([&] { return FindDialog(caption); }, timeout, "window " + caption);
        Emit("window|" + Escape(caption));
    } else if (verb == "gone") {
        std::string caption = arg(1);
        int timeout = a.size() > 2 ? ToInt(a[2]) : 30000;
        DWORD start = GetTickCount();
        // A window that went stays gone, so this look can be slower than a wait's: it lasts
        // a whole run, and each look asks the server for every top-level window.
        while (FindDialog(caption)) {
            if (static_cast<int>(GetTickCount() - start) > timeout) Fail("window stays: " + caption);
            Sleep(25);
        }
        Emit("gone|" + Escape(caption));
    } else if (verb == "watch") {
        std::string caption = arg(1);
        HWND window = WaitFor([&] { return FindDialog(caption, true); }, 30000, "window " + caption);
        Watch* watch = new Watch{window, ToInt(arg(2)), ToInt(arg(3))};
        CloseHandle(CreateThread(nullptr, 0, WatchThread, watch, 0, nullptr));
    } else if (verb == "click") {
        PostMessageA(Control(ToInt(arg(1))), BM_CLICK, 0, 0);
    } else if (verb == "select") {
        HWND list = Control(ToInt(arg(1)));
        bool combo = lstrcmpiA(ClassName(list).c_str(), "ComboBox") == 0;
        SendMessageA(list, combo ? CB_SETCURSEL : LB_SETCURSEL, ToInt(arg(2)), 0);
        PostMessageA(g_current, WM_COMMAND, MAKEWPARAM(ToInt(arg(1)), combo ? CBN_SELCHANGE : LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    } else if (verb == "escape") {
        HWND focus = g_current;
        PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(focus, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    } else if (verb == "close") {
        PostMessageA(g_current, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (verb == "box") {
        HandleBox(a);
    } else if (verb == "answer") {
        AnswerEveryBox(arg(1));
    } else if (verb == "dump") {
        if (!g_current) Fail("no current window");
        Dump(g_current);
    } else if (verb == "shot") {
        HandOverForeground(g_current);
        // A window that has just appeared may not have painted yet.
        Sleep(300);
        if (!g_current || !SaveWindowBitmap(g_current, arg(1))) Fail("cannot capture " + arg(1));
        Emit("shot|" + Escape(arg(1)));
    } else if (verb == "items") {
        std::vector<std::string> texts = ListTexts(Control(ToInt(arg(1))));
        for (size_t i = 0; i < texts.size(); ++i) Emit("item|" + std::to_string(i) + "|" + Escape(texts[i]));
    } else if (verb == "selection") {
        HWND list = Control(ToInt(arg(1)));
        bool combo = lstrcmpiA(ClassName(list).c_str(), "ComboBox") == 0;
        DWORD_PTR sel = 0;
        SendMessageTimeoutA(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &sel);
        Emit("selection|" + arg(1) + "|" + std::to_string(static_cast<int>(sel)));
    } else if (verb == "checked") {
        DWORD_PTR state = 0;
        SendMessageTimeoutA(Control(ToInt(arg(1))), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
        Emit("checked|" + arg(1) + "|" + std::to_string(static_cast<int>(state)));
    } else if (verb == "enabled") {
        Emit("enabled|" + arg(1) + "|" + (IsWindowEnabled(Control(ToInt(arg(1)))) ? "1" : "0"));
    } else if (verb == "text") {
        Emit("text|" + arg(1) + "|" + Escape(WindowText(Control(ToInt(arg(1))))));
    } else if (verb == "bar") {
        BarState s = ReadProgressBar(Control(ToInt(arg(1))));
        Emit("barstate|" + std::to_string(s.valid) + "|" + std::to_string(s.position) + "|" +
             std::to_string(s.minimum) + "|" + std::to_string(s.maximum) + "|" + std::to_string(s.step));
    } else if (verb == "itemclick") {
        // A click at the left edge of a list item: where an owner-drawn check list keeps
        // its check box.
        HWND list = Control(ToInt(arg(1)));
        int index = ToInt(arg(2));
        RECT r = {0, 0, 0, 0};
        SendMessageTimeoutA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r), SMTO_ABORTIFHUNG, 2000, nullptr);
        int x = r.left + (a.size() > 3 ? ToInt(a[3]) : 6);
        int y = (r.top + r.bottom) / 2;
        PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        PostMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    } else if (verb == "key") {
        HWND control = Control(ToInt(arg(1)));
        int vk = ToInt(arg(2));
        PostMessageA(control, WM_KEYDOWN, vk, 1);
        PostMessageA(control, WM_KEYUP, vk, 0xC0000001);
    } else if (verb == "send") {
        // A message to the current dialog, answered by its own thread (which must be
        // pumping messages, as in a modal loop).
        DWORD_PTR result = 0;
        LRESULT ok = SendMessageTimeoutA(g_current, ToInt(arg(1)), a.size() > 2 ? ToInt(a[2]) : 0,
                                         a.size() > 3 ? ToInt(a[3]) : 0, SMTO_ABORTIFHUNG, 5000, &result);
        Emit("sent|" + arg(1) + "|" + (ok ? std::to_string(static_cast<unsigned long>(result)) : "timeout"));
    } else if (verb == "sleep") {
        Sleep(ToInt(arg(1)));
    } else if (verb == "front") {
        HandOverForeground(g_current);
    } else if (verb == "echo") {
        Emit("echo|" + Escape(arg(1)));
    } else {
        Fail("unknown command " + verb);
    }
}

}  // namespace

int main(int argc, char** argv) {
    InitializeCriticalSection(&g_output);
    if (argc < 2) {
        fprintf(stderr, "usage: guidriver <script>\n");
        return 2;
    }
    FILE* script = fopen(argv[1], "rb");
    if (!script) Fail(std::string("cannot open ") + argv[1]);
    char line[4096];
    while (fgets(line, sizeof(line), script)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        std::vector<std::string> words = SplitCommand(text);
        if (words.empty()) continue;
        Run(words);
    }
    fclose(script);
    Emit("done");
    Sleep(20);
    return 0;
}

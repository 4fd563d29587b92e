// Finding and reading the windows of the program under test, from another process.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace guidriver {

// Top-level dialog whose caption is exactly caption, visible unless includeHidden (a
// dialog that does its work while it initialises is not shown yet); nullptr if none.
HWND FindDialog(const std::string& caption, bool includeHidden = false);
// Visible top-level message box (a dialog carrying the message text static 0xFFFF).
HWND FindMessageBox();
std::string WindowText(HWND window);
std::string ClassName(HWND window);
// Texts of a list box or combo box, read with the wide messages and converted to UTF-8.
std::vector<std::string> ListTexts(HWND list);

struct BarState {
    bool valid = false;
    int position = 0, minimum = 0, maximum = 0, step = 0;
};
// Reads a progress bar without sending it a message: its owner may be sleeping inside
// a long sequence, and the bar is exactly what a user sees meanwhile.
BarState ReadProgressBar(HWND bar);

// Escapes control characters so that a transcript line stays on one line.
std::string Escape(const std::string& text);

}  // namespace guidriver

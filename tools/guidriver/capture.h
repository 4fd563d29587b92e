// Pixels of the screen, as the user sees them.
#pragma once
#include <windows.h>

#include <string>

namespace guidriver {

// Writes the screen area of window (frame included) to a 24-bit BMP file.
bool SaveWindowBitmap(HWND window, const std::string& path);

// Which standard icon a message box shows: "exclamation", "question", "information",
// "error" or "none", by comparing its icon's pixels with the system's own icons.
std::string MessageBoxIcon(HWND box);

}  // namespace guidriver

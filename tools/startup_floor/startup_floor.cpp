// Shows one dialog and ends when it is closed: what starting, showing and ending a program
// costs on this Windows, with none of the product's work in it.
#include <windows.h>

namespace {
INT_PTR CALLBACK FloorDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return message == WM_INITDIALOG;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(100), nullptr, FloorDialog, 0) == IDOK ? 0 : 1;
}

// Stands in for the vendor's restart program (cyclerun.exe), which the USB printing INF
// names. It does nothing and ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }

// Stands in for one of the vendor's driver modules on the test media (rendering module,
// resources, minidriver, support libraries). It is a real DLL with a version resource, so
// that loaders and the overwrite policy can inspect it, and it does nothing.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

#include "plugin/page_state.h"

namespace kyr {

DLGINFO* CreatePageState() {
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DLGINFO));
    if (memory == nullptr) return nullptr;
    DLGINFO* lpdi = static_cast<DLGINFO*>(GlobalLock(memory));
    if (lpdi == nullptr) GlobalFree(memory);
    return lpdi;
}

void FreePageState(DLGINFO* lpdi) {
    if (lpdi == nullptr) return;
    HGLOBAL memory = GlobalHandle(lpdi);
    if (memory == nullptr) return;
    GlobalUnlock(memory);
    GlobalFree(memory);
}

}  // namespace kyr

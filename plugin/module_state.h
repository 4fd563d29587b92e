// What the loaded module keeps for all its objects.
#pragma once

#include <windows.h>

namespace kyr {

extern HINSTANCE moduleInstance;  // the pages' templates are loaded from here
extern volatile LONG objectCount;  // live UiPlugin and UiPluginFactory objects
extern volatile LONG lockCount;    // LockServer(TRUE) calls not yet matched

}  // namespace kyr

// Deletes a registry key with all its sub-keys, as SHDeleteKeyA does, on every Windows 9x.
#pragma once

#include <windows.h>

namespace kyr::unhook9x {

// Uses SHDeleteKeyA where the system has it. Windows 95 has shlwapi.dll only with a later
// Internet Explorer, and a load-time import would keep the whole module, CheckOS included,
// from loading there; without it the tree is walked here. Answers the Windows error code.
LONG DeleteKeyTree(HKEY root, const char* subkey);

// The walk itself: sub-keys first, deepest first, then the key.
LONG DeleteKeyTreeByWalk(HKEY root, const char* subkey);

}  // namespace kyr::unhook9x

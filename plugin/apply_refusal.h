// The message boxes of a refused apply. Each is owned by the property sheet, so the user
// meets it over the page whose settings stayed as they were.
#pragma once

#include <windows.h>

#include "plugin/command_entry.h"

namespace kyr {

// Caption of every box the page shows.
extern const WCHAR kPageBoxCaption[];

// A command box that cannot be stored as typed: which one, and why.
void ShowEntryRefusal(HWND sheet, const CommandBox& box, const CommandEntry& entry);

// The settings key could not be opened for writing or a value could not be written; with
// partlySaved, what was written before the failure could not all be put back.
void ShowSaveFailure(HWND sheet, LONG status, bool partlySaved = false);

}  // namespace kyr

// The printer's settings key under HKEY_LOCAL_MACHINE: its path, loading it into a page's
// record and saving a page into it.
#pragma once

#include <windows.h>

#include "plugin/command_entry.h"
#include "plugin/page_state.h"

namespace kyr {

// Forms the key path of the named printer into the record; a name too long for a key path
// leaves the record without one (keyPathValid FALSE).
void VKSetRegKey(const WCHAR* printerName, DLGINFO* lpdi);

// Opens (creating it if need be) the key for reading into lpdi->key; returns FALSE when it
// cannot be opened, leaving the record's registryStatus at the failure.
BOOL OpenSettingsForLoad(DLGINFO* lpdi);
// Reads "MISC", "StartDoc" and "EndDoc" from the open key into the record.
void ReadSettingsValues(DLGINFO* lpdi);
// A read that failed for a reason other than the absence of the value (or of the key) or
// its length: what is stored there is not known.
bool ReadFailed(LONG status);
// Opens the key for reading and writing into lpdi->key, making it when it is missing;
// FALSE leaves the reason in the record's registryStatus.
BOOL OpenSettingsForSave(DLGINFO* lpdi);
void CloseSettings(DLGINFO* lpdi);

// Stores a prepared command as a REG_BINARY value (nothing when the entry keeps the value).
LONG WriteCommandValue(HKEY key, const CommandBox& box, const CommandEntry& entry);

// Stores "MISC" (unless misc is null) and both commands into the open key, all or none: when
// a write fails, the values written before it are put back as they were and the failure's
// status returned; *partlySaved tells that putting one back failed too.
LONG WriteSettingsValues(HKEY key, const BYTE* misc, const CommandEntry& start,
                         const CommandEntry& end, bool* partlySaved);

}  // namespace kyr

// The ticked printers with their settings keys, and on Windows 9x their printer entries
// and the USB device entries of USB-attached ones.
#pragma once
#include <stdint.h>

#include <list>
#include <string>

#include "uninstaller/undeleted.h"

namespace kyr {

// Walks printers from the head: deletes each through the spooler and its settings key
// below SOFTWARE\KYR_POS_PRINTER; on Windows 9x also the printer's entry below
// ...\Control\Print\Printers and, for a "USB" port, its device entries. Returns the
// printers that are still there; one that no longer exists is none of them.
UndeletedList DeletePrinters(const std::list<std::string>& printers, bool isWin9x);

// Deletes every sub-key of HKLM\Enum\USBPRINT\VOSKREL_ZPD-815 whose "PrinterID" starts
// with the same four bytes as printerId, or, with printerId null, every one that has no
// "PrinterID" at all. printerId points at a cleared buffer of at least four bytes.
void DeleteUsbEnumEntries(const uint8_t* printerId);

}  // namespace kyr

// INF files through which the driver was installed, each with its precompiled twin: the
// one the installer recorded in the uninstall entry, and those the printer class entries
// of the driver name.
#pragma once
#include <list>
#include <string>

#include "uninstaller/undeleted.h"

namespace kyr {

// How each INF below goes, while it still names the driver (a removal ended after it leaves
// the entry and the class keys, and by the next run the store may have given the freed name
// to another device's INF): on osCode kOsNt6OrLater first through the setup library's
// uninstall, which takes the driver package out of the system's store, then by deletion
// where that left the file; its ".PNF" twin goes with it either way. A twin whose INF is gone
// goes when it names the driver itself.

// The file named by the uninstall entry's "InfFile". Must run before the removal module
// deletes the entry.
// An INF or twin that stays although it is the driver's, or that could not be read to
// tell, is added to undeleted when given.
void DeleteRecordedInf(int osCode, UndeletedList* undeleted = nullptr);
// The same for the path the entry held before a removal module deleted it (empty: none).
void DeleteRecordedInfAt(const char* recordedPath, int osCode, UndeletedList* undeleted = nullptr);

// Fills classInfNames (emptied first) with the "InfPath" of every printer class entry
// whose "DriverDesc" is exactly "KYR POS 730", each added at the head. An entry whose
// "InfPath" cannot be read, or is not a plain file name, adds nothing. Returns why the
// class entries could not be read (ERROR_SUCCESS: they were, or there are none).
LONG CollectClassInfNames(std::list<std::string>& classInfNames);

// When the INFs the installation recorded cannot be told (the uninstall entry or the class
// entries could not be read): every INF in <Windows>\inf that names the driver goes as a
// recorded one would, so that none stays unnamed where no later run would look. A folder
// that cannot be searched is added to undeleted.
void DeleteInfsNamingDriver(int osCode, UndeletedList* undeleted = nullptr);

// <Windows>\inf\<name> for each name, from the head.
void DeleteClassInfFiles(const std::list<std::string>& classInfNames, int osCode, UndeletedList* undeleted = nullptr);

}  // namespace kyr

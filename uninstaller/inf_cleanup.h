// INF files through which the driver was installed, each with its precompiled twin: the
// one the installer recorded in the uninstall entry, and those the printer class entries
// of the driver name.
#pragma once
#include <list>
#include <string>

namespace kyr {

// Deletes the file named by the uninstall entry's "InfFile" and its ".PNF" twin, while the
// file still names the driver: a removal ended after this step leaves the entry, and by the
// next run the store may have given the freed name to another device's INF. Must run
// before the removal module deletes the entry.
void DeleteRecordedInf();

// Fills classInfNames (emptied first) with the "InfPath" of every printer class entry
// whose "DriverDesc" is exactly "KYR POS 730", each added at the head. An entry whose
// "InfPath" cannot be read, or is not a plain file name, adds nothing.
void CollectClassInfNames(std::list<std::string>& classInfNames);

// Deletes <Windows>\inf\<name> and its ".PNF" twin for each name, from the head.
void DeleteClassInfFiles(const std::list<std::string>& classInfNames);

}  // namespace kyr

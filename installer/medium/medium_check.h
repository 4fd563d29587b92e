// The medium check: a medium copied by hand may lack a file or hold one that cannot be
// read, and the sequences would go on around the gap and report success. Checked after the
// system is known (its family decides the files) and before anything on it changes.
#pragma once

#include "installer/context/install_context.h"
#include "installer/medium/medium_files.h"

namespace kyr {

// Every file the running family's sequence may copy must open for reading. Otherwise a box
// names the first one that does not, and the process ends with status 0.
void CheckMediumOrEnd(const InstallContext& context, bool win9x);

// Whether every file of that set opens for reading on the medium in the context's folder;
// nothing is shown.
bool MediumHolds(const InstallContext& context, MediumSet set);

}  // namespace kyr

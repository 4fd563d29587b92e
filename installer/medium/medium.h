// The installation medium is the folder the installer's own file lies in. The current
// folder says nothing about it: a shortcut's "Start in" or a prompt in C:\ sets that.
#pragma once
#include <string>

#include "installer/system/system_folders.h"

namespace kyr {

// The folder of this program's file; invalid when its name does not fit the buffer.
Folder MediumFolder();

// medium\relative; empty when the medium is invalid or the path does not fit, so that a
// copy from it fails rather than reading some other file.
std::string MediumPath(const Folder& medium, const std::string& relative);

}  // namespace kyr

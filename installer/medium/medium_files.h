// What the installation takes from its medium. Platform-free.
#pragma once
#include <string>
#include <vector>

#include "installer/context/product_names.h"

namespace kyr {

// The uninstall registration's three files, in the order it copies them; they lie in the
// medium's root.
extern const char* const kUninstallerFiles[3];

// Every file the installation sequence of a family may copy from the medium, relative to
// the medium's root, in the order the sequence first needs it.
std::vector<std::string> MediumFiles(const ProductNames& names, bool win9x, bool installProcessor);

}  // namespace kyr

// What the installation takes from its medium. Platform-free.
#pragma once
#include <string>
#include <vector>

#include "installer/context/product_names.h"

namespace kyr {

// The driver sets a medium carries: the Windows 9x one, the 32-bit NT one, and the one for
// 64-bit Windows, whose programs lie in their own folder under the same names.
enum class MediumSet { Win9x, NtX86, NtX64 };

// The NT set this build installs: a 64-bit program serves only 64-bit Windows.
#if defined(_WIN64)
constexpr MediumSet kBuildNtSet = MediumSet::NtX64;
#else
constexpr MediumSet kBuildNtSet = MediumSet::NtX86;
#endif

// The spooler environment of a set's driver ("Windows 4.0", "Windows NT x86", "Windows x64").
const char* SpoolerEnvironment(MediumSet set);
// The medium folder of a set's driver files, with its separator ("driverx64\").
const char* DriverFolder(MediumSet set);
// The medium folder of a set's programs, with its separator; empty for the root.
const char* ProgramFolder(MediumSet set);

// The uninstall registration's three files, in the order it copies them; they lie in the
// set's program folder of the medium and go into the product folder under these names.
extern const char* const kUninstallerFiles[3];

// Every file the installation sequence of a set may copy from the medium, relative to the
// medium's root, in the order the sequence first needs it.
std::vector<std::string> MediumFiles(const ProductNames& names, MediumSet set, bool installProcessor);
// The family's set of this build.
std::vector<std::string> MediumFiles(const ProductNames& names, bool win9x, bool installProcessor);

}  // namespace kyr

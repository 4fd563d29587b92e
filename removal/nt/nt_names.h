// Names and paths the NT removal works on, built from the caller's model number and
// driver-file suffix. Platform-free so that the native tests can reach every edge.
#pragma once

#include <cstddef>

namespace kyr::unhooknt {

// Every name and path lives in a buffer of this size, terminator included.
constexpr std::size_t kTextSize = 256;

struct Names {
    char driver[kTextSize];
    char monitor[kTextSize];
    char printProcessor[kTextSize];
    char driverKey[kTextSize];
    char printerKey[kTextSize];
    char monitorKey[kTextSize];
    char printProcessorKey[kTextSize];
    char uninstallKey[kTextSize];
};

// False when the model is missing or empty, the suffix is missing, either could step out
// of the folder or key it is appended to, or a name would not fit. A false answer leaves
// nothing usable in `out`: the removal must then touch nothing, because a cut or
// redirected name would address somebody else's file or key (and an empty model would
// match every form).
bool BuildNames(const char* model, const char* suffix, Names* out);

// The driver's files, in the order they go, each in its own folder.
enum class FileFolder { kSystem, kPrintProcessor, kPrinterDriver };
constexpr int kFileCount = 3;
FileFolder FolderOfFile(int index);
// An empty or missing folder gives no path.
bool FilePath(int index, const char* folder, const char* model, const char* suffix,
              char* out, std::size_t outSize);

}  // namespace kyr::unhooknt

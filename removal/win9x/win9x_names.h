// Names and paths the Windows 9x removal works on, built from the caller's model number
// and driver-file suffix. Platform-free so that the native tests can reach every edge.
#pragma once

#include <cstddef>

#include "common/text/ansi_chars.h"

namespace kyr::unhook9x {

// Every name and path lives in a buffer of this size, terminator included.
constexpr std::size_t kTextSize = 256;

struct Names {
    char driver[kTextSize];
    char monitor[kTextSize];
    char printProcessor[kTextSize];
    char driverKey[kTextSize];
    char monitorKey[kTextSize];
    char printProcessorKey[kTextSize];
    char uninstallKey[kTextSize];
};

// False when the model is missing or empty, the suffix is missing, either could step out
// of the folder or key it is appended to, or a name would not fit. A false answer leaves
// nothing usable in `out`: the removal must then touch nothing, because a cut or
// redirected name would address somebody else's file or key.
bool BuildNames(const char* model, const char* suffix, Names* out);

// The driver's own files in the printer-driver folder, in the order they go. An empty
// or missing folder gives no path.
constexpr int kDriverFileCount = 5;
bool DriverFilePath(int index, const char* driverDir, const char* model, const char* suffix,
                    char* out, std::size_t outSize);

// The INF copies under the Windows folder, in the order they go.
constexpr int kInfFileCount = 2;
bool InfFilePath(int index, const char* windowsDir, const char* model, char* out,
                 std::size_t outSize);

// The precompiled twin of an INF path: its last three characters become "PNF". The path
// is walked from its start (isLead: the code page's lead bytes), so a double-byte
// character among the last three goes whole and none is cut in half.
bool PrecompiledTwin(const char* infPath, char* out, std::size_t outSize,
                     LeadBytePredicate isLead);

}  // namespace kyr::unhook9x

#include "removal/win9x/win9x_names.h"

#include <cstring>
#include <initializer_list>

#include "common/text/bounded_text.h"

namespace kyr::unhook9x {
namespace {

// An empty folder would turn "\\file" into a path at the root of the current drive.
bool IsFolder(const char* dir) { return dir != nullptr && dir[0] != '\0'; }

}  // namespace

bool BuildNames(const char* model, const char* suffix, Names* out) {
    if (out == nullptr) return false;
    if (!IsPlainName(model) || model[0] == '\0' || !IsPlainName(suffix)) return false;
    const bool fits =
        JoinPieces(out->driver, kTextSize, {"KYR POS ", model}) &&
        JoinPieces(out->monitor, kTextSize, {"KYRPOS Language Monitor ", model}) &&
        JoinPieces(out->printProcessor, kTextSize, {"KYRPOS PRINT PROCESSOR ", model}) &&
        JoinPieces(out->driverKey, kTextSize,
             {"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers\\"
              "KYR POS ",
              model}) &&
        JoinPieces(out->monitorKey, kTextSize,
             {"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\KYRPOS Language Monitor ",
              model}) &&
        JoinPieces(out->printProcessorKey, kTextSize,
             {"System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\"
              "Print Processors\\KYRPOS PRINT PROCESSOR ",
              model}) &&
        JoinPieces(out->uninstallKey, kTextSize,
             {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_", model});
    if (!fits) std::memset(out, 0, sizeof *out);
    return fits;
}

bool DriverFilePath(int index, const char* driverDir, const char* model, const char* suffix,
                    char* out, std::size_t outSize) {
    if (!IsFolder(driverDir) || model == nullptr || suffix == nullptr) return false;
    switch (index) {
        case 0: return JoinPieces(out, outSize, {driverDir, "\\dmcolor.dll"});
        case 1: return JoinPieces(out, outSize, {driverDir, "\\mon", model, ".dll"});
        case 2: return JoinPieces(out, outSize, {driverDir, "\\pro", model, ".dll"});
        case 3: return JoinPieces(out, outSize, {driverDir, "\\iconlib.dll"});
        case 4: return JoinPieces(out, outSize, {driverDir, "\\kyr", model, suffix, ".drv"});
        default: return false;
    }
}

bool InfFilePath(int index, const char* windowsDir, const char* model, char* out,
                 std::size_t outSize) {
    if (!IsFolder(windowsDir) || model == nullptr) return false;
    switch (index) {
        case 0: return JoinPieces(out, outSize, {windowsDir, "\\INF\\OTHER\\KYR", model, ".INF"});
        case 1: return JoinPieces(out, outSize, {windowsDir, "\\INF\\KYR", model, ".INF"});
        default: return false;
    }
}

bool PrecompiledTwin(const char* infPath, char* out, std::size_t outSize,
                     LeadBytePredicate isLead) {
    if (infPath == nullptr) return false;
    // The starts of the last three characters, kept on a walk from the start: only such a
    // walk tells lead bytes from trail bytes.
    std::size_t starts[3] = {0, 0, 0};
    std::size_t count = 0;
    std::size_t at = 0;
    for (std::size_t step; (step = AnsiCharSize(infPath + at, isLead)) != 0; at += step)
        starts[count++ % 3] = at;
    if (count < 3 || !JoinPieces(out, outSize, {infPath})) return false;
    std::memcpy(out + starts[count % 3], "PNF", 4);
    return true;
}

}  // namespace kyr::unhook9x

#include "removal/win9x/win9x_names.h"

#include <cstring>
#include <initializer_list>

#include "common/text/bounded_text.h"

namespace kyr::unhook9x {
namespace {

bool Join(char* out, std::size_t outSize, std::initializer_list<const char*> pieces) {
    return JoinPieces(out, outSize, pieces);
}

bool StaysInPlace(const char* text) { return IsPlainName(text); }

// An empty folder would turn "\\file" into a path at the root of the current drive.
bool IsFolder(const char* dir) { return dir != nullptr && dir[0] != '\0'; }

}  // namespace

bool BuildNames(const char* model, const char* suffix, Names* out) {
    if (out == nullptr) return false;
    if (!StaysInPlace(model) || model[0] == '\0' || !StaysInPlace(suffix)) return false;
    const bool fits =
        Join(out->driver, kTextSize, {"KYR POS ", model}) &&
        Join(out->monitor, kTextSize, {"KYRPOS Language Monitor ", model}) &&
        Join(out->printProcessor, kTextSize, {"KYRPOS PRINT PROCESSOR ", model}) &&
        Join(out->driverKey, kTextSize,
             {"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers\\"
              "KYR POS ",
              model}) &&
        Join(out->monitorKey, kTextSize,
             {"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\KYRPOS Language Monitor ",
              model}) &&
        Join(out->printProcessorKey, kTextSize,
             {"System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\"
              "Print Processors\\KYRPOS PRINT PROCESSOR ",
              model}) &&
        Join(out->uninstallKey, kTextSize,
             {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_", model});
    if (!fits) std::memset(out, 0, sizeof *out);
    return fits;
}

bool DriverFilePath(int index, const char* driverDir, const char* model, const char* suffix,
                    char* out, std::size_t outSize) {
    if (!IsFolder(driverDir) || model == nullptr || suffix == nullptr) return false;
    switch (index) {
        case 0: return Join(out, outSize, {driverDir, "\\dmcolor.dll"});
        case 1: return Join(out, outSize, {driverDir, "\\mon", model, ".dll"});
        case 2: return Join(out, outSize, {driverDir, "\\pro", model, ".dll"});
        case 3: return Join(out, outSize, {driverDir, "\\iconlib.dll"});
        case 4: return Join(out, outSize, {driverDir, "\\kyr", model, suffix, ".drv"});
        default: return false;
    }
}

bool InfFilePath(int index, const char* windowsDir, const char* model, char* out,
                 std::size_t outSize) {
    if (!IsFolder(windowsDir) || model == nullptr) return false;
    switch (index) {
        case 0: return Join(out, outSize, {windowsDir, "\\INF\\OTHER\\KYR", model, ".INF"});
        case 1: return Join(out, outSize, {windowsDir, "\\INF\\KYR", model, ".INF"});
        default: return false;
    }
}

bool PrecompiledTwin(const char* infPath, char* out, std::size_t outSize) {
    if (infPath == nullptr) return false;
    const std::size_t len = std::strlen(infPath);
    if (len < 3 || !Join(out, outSize, {infPath})) return false;
    std::memcpy(out + len - 3, "PNF", 3);
    return true;
}

}  // namespace kyr::unhook9x

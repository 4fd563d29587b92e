#include "removal/nt/nt_names.h"

#include <cstring>
#include <initializer_list>

#include "common/oscode/nt_environment.h"
#include "common/text/bounded_text.h"

namespace kyr::unhooknt {
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
             {"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" KYR_NT_ENVIRONMENT "\\"
              "Drivers\\Version-3\\KYR POS ",
              model}) &&
        JoinPieces(out->printerKey, kTextSize,
             {"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\KYR POS ", model}) &&
        JoinPieces(out->monitorKey, kTextSize,
             {"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\KYRPOS Language Monitor ",
              model}) &&
        JoinPieces(out->printProcessorKey, kTextSize,
             {"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" KYR_NT_ENVIRONMENT "\\"
              "Print Processors\\KYRPOS PRINT PROCESSOR ",
              model}) &&
        JoinPieces(out->uninstallKey, kTextSize,
             {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_", model});
    if (!fits) std::memset(out, 0, sizeof *out);
    return fits;
}

FileFolder FolderOfFile(int index) {
    switch (index) {
        case 0: return FileFolder::kSystem;
        case 1: return FileFolder::kPrintProcessor;
        default: return FileFolder::kPrinterDriver;
    }
}

bool FilePath(int index, const char* folder, const char* model, const char* suffix,
              char* out, std::size_t outSize) {
    if (!IsFolder(folder) || model == nullptr || suffix == nullptr) return false;
    switch (index) {
        case 0: return JoinPieces(out, outSize, {folder, "\\MON", model, ".DLL"});
        case 1: return JoinPieces(out, outSize, {folder, "\\PRO", model, ".dll"});
        case 2: return JoinPieces(out, outSize, {folder, "\\3\\KYR", model, suffix, ".dll"});
        default: return false;
    }
}

}  // namespace kyr::unhooknt

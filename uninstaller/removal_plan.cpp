#include "uninstaller/removal_plan.h"

#include <cstring>

#include "common/oscode/os_code.h"

namespace kyr {

RemovalPlan PlanRemoval(int osCode, int foundPrinterCount, int tickedCount) {
    RemovalPlan plan;
    if (IsWin9xCode(osCode))
        plan.branch = RemovalBranch::Win9x;
    else if (IsNtFamilyCode(osCode))
        plan.branch = RemovalBranch::Nt;
    else
        plan.branch = RemovalBranch::Nothing;
    const bool acts = plan.branch != RemovalBranch::Nothing;
    plan.deletePrinters = acts && foundPrinterCount != 0;
    plan.removeDriver = acts && tickedCount == foundPrinterCount;
    return plan;
}

bool ModulePathBeside(const char* programPath, const char* moduleName, char* out,
                      std::size_t outSize, LeadBytePredicate isLead) {
    if (out == nullptr || outSize == 0) return false;
    out[0] = '\0';
    if (programPath == nullptr || moduleName == nullptr || moduleName[0] == '\0') return false;
    const char* lastSeparator = FindLastAnsiChar(programPath, '\\', isLead);
    if (lastSeparator == nullptr) return false;
    const std::size_t folderLength = static_cast<std::size_t>(lastSeparator - programPath) + 1;
    const std::size_t nameLength = std::strlen(moduleName);
    if (folderLength + nameLength >= outSize) return false;
    std::memcpy(out, programPath, folderLength);
    std::memcpy(out + folderLength, moduleName, nameLength + 1);
    return true;
}

}  // namespace kyr

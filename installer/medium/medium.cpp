#include "installer/medium/medium.h"

#include "common/text/system_lead_byte.h"
#include "installer/medium/medium_files.h"

namespace kyr {

Folder MediumFolder() {
    Folder folder;
    const DWORD length = GetModuleFileNameA(nullptr, folder.path, kPathBufferSize);
    // A name that filled the buffer may have been cut; a cut one names another folder.
    if (length == 0 || length >= kPathBufferSize || !CutToParentFolder(folder.path, SystemLeadByte))
        folder.path[0] = '\0';
    // A program of the 64-bit set lies in its own folder below the medium's root.
    if (ProgramFolder(kBuildNtSet)[0] != '\0' && folder.path[0] != '\0' &&
        !CutToParentFolder(folder.path, SystemLeadByte))
        folder.path[0] = '\0';
    return folder;
}

std::string MediumPath(const Folder& medium, const std::string& relative) {
    char path[kPathBufferSize];
    if (!JoinPath(path, sizeof(path), medium.path, relative.c_str())) return std::string();
    return path;
}

}  // namespace kyr

// Any text through both grammars and the id comparison: no crash, no sanitizer report, and
// the answers stay inside their contracts.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/maintenance/hardware_id_match.h"
#include "common/maintenance/key_path.h"
#include "common/maintenance/key_rights.h"
#include "common/text/ansi_chars.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    const char* s = text.c_str();  // stops at the first NUL, as the callers' texts do

    uint32_t mask = 0;
    uint32_t code = kyr::ParseKeyRights(s, &mask);
    if (code != 0 && (code != 87 || mask != 0)) std::abort();
    if (code == 0 && (mask & ~0x000F003Fu) != 0) std::abort();

    kyr::KeyPermission permission;
    code = kyr::ParseKeyPermission(s, &permission);
    if (code != 0 && code != 87) std::abort();
    if (code == 0) {
        if (permission.mode < 0 || permission.mode > 4) std::abort();
        if (permission.trustee[0] == '\0' || std::strchr(permission.trustee, ':')) std::abort();
        if (std::strlen(permission.trustee) >= kyr::kGrantTextBufferSize) std::abort();
    }

    // Read as single-byte text and as code page 932 text.
    for (kyr::LeadBytePredicate isLead : {kyr::NoLeadBytes, kyr::Cp932LeadByte}) {
        kyr::KeyPathParts parts;
        code = kyr::ParseKeyPath(s, &parts, isLead);
        if (code != 0 && code != 87) std::abort();
        if (code == 0 && parts.machine[0] != '\0') {
            if (std::strncmp(parts.machine, "\\\\", 2) != 0) std::abort();
            if (parts.root != kyr::KeyRoot::kLocalMachine && parts.root != kyr::KeyRoot::kUsers) {
                std::abort();
            }
            // The machine name never ends in the middle of a character.
            if (kyr::FindAnsiChar(parts.machine + 2, '\\', isLead) != nullptr) std::abort();
        }
    }

    size_t half = text.size() / 2;
    std::string a = text.substr(0, half), b = text.substr(half);
    if (kyr::HardwareIdMatches(a.c_str(), b.c_str()) !=
        kyr::HardwareIdMatches(b.c_str(), a.c_str())) {
        std::abort();
    }
    return 0;
}

#include "removal/nt/form_selection.h"

#include <windows.h>
#include <shlwapi.h>

namespace kyr::unhooknt {

bool IsOwnForm(const char* formName, const char* model) {
    // An empty model would be contained in every name and take all forms with it.
    if (formName == nullptr || model == nullptr || model[0] == '\0') return false;
    return StrStrA(formName, model) != nullptr;
}

}  // namespace kyr::unhooknt

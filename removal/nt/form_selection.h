// Which spooler forms count as the product's: every form whose name contains the model
// text, compared with regard to case.
#pragma once

namespace kyr::unhooknt {

bool IsOwnForm(const char* formName, const char* model);

}  // namespace kyr::unhooknt

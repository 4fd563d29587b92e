// Diagnostic lines for the driver developer's debugger; silent unless built with
// KYR_DEBUG_TRACE.
#pragma once

namespace kyr {

void DebugTrace(const char* format, ...);

}  // namespace kyr

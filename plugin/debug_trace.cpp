#include "plugin/debug_trace.h"

#include <windows.h>

#include <cstdarg>

namespace kyr {

void DebugTrace(const char* format, ...) {
#ifdef KYR_DEBUG_TRACE
    // wvsprintfA writes at most 1024 characters; its %S takes the wide strings we trace.
    char line[1025];
    va_list args;
    va_start(args, format);
    wvsprintfA(line, format, args);
    va_end(args);
    OutputDebugStringA(line);
#else
    (void)format;
#endif
}

}  // namespace kyr

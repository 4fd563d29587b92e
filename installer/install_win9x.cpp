#include "installer/install_context.h"

namespace kyr {

// Placeholder until the Windows 9x sequence lands; the dispatch already reaches it.
void InstallContext::InstallWin9x(int) {}

}  // namespace kyr

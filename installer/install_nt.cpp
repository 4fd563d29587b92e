#include "installer/install_context.h"

namespace kyr {

void InstallContext::InstallNt(int) {}
void InstallContext::RegisterUninstall() {}

}  // namespace kyr

#pragma once

namespace kyr {
// The running system's OsCode; asks the system again on every call.
int DetectOs();
}  // namespace kyr

#pragma once

namespace kyr {

// Deletes HKEY_LOCAL_MACHINE\<subKey> with all its sub-keys and values after granting
// Everyone full control of the key ("SYSTEM\CurrentControlSet\Enum\USBPRINT\X", no root
// name). Reports nothing. When the key is still there afterwards (a sub-key that would not
// go), its previous access list is put back, so no "Everyone: full control" entry stays on
// a key that survived.
void RemoveKeyTree(const char* subKey);

}  // namespace kyr

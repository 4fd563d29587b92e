#pragma once

namespace kyr {

// Deletes a folder (path with or without a trailing backslash) with every file and
// sub-folder in it, clearing read-only attributes on the way; hidden and system files go
// as they are. Reports nothing: what cannot be deleted stays and the walk goes on.
// A junction or symbolic link, inside the tree or the folder itself, is never descended
// through and its target is never changed: the link alone is removed where the system lets
// the link itself be addressed, else it stays.
void DeleteFolderTree(const char* folder);

}  // namespace kyr

// Removal of a whole registry key tree, opened up for everyone on the way.
#ifndef BASE_REGISTRY_TREE_H_
#define BASE_REGISTRY_TREE_H_

#include <windows.h>

// Deletes root\path with every key below it, depth first, each level
// opened up for everyone first (SecurityBuilder::GrantOpenAccess). The first
// sub-key that cannot be removed stops the whole removal; keys already
// deleted stay deleted, and the keys left get back the DACL they had. An
// absent key is created and deleted again. 1 when the key is gone; 0 on
// failure, and for a null or empty path (a root is never emptied).
int RemoveTree(HKEY root, const char* path);

#endif  // BASE_REGISTRY_TREE_H_

#include "base/registry_tree.h"

#include <string.h>

#include "base/registry_key.h"
#include "base/security_builder.h"

namespace {

// Key names are at most 255 characters; a longer one fails to enumerate.
const DWORD kKeyNameSize = 260;

}  // namespace

int RemoveTree(HKEY root, const char* path) {
  SecurityBuilder security;
  security.GrantOpenAccess(root, path);

  // Opens the key as RegCreateKeyA does, creating it when it does not exist.
  // An empty path fails here, so a root is never emptied.
  RegistryKey level;
  if (!level.Create(root, path, MAXIMUM_ALLOWED)) return 0;

  int result = 1;
  char name[kKeyNameSize];
  char removed[kKeyNameSize] = "";
  for (;;) {
    // A deleted sub-key no longer occupies index 0, so the next one moves up.
    DWORD length = kKeyNameSize;
    if (RegEnumKeyExA(level.Handle(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    name[kKeyNameSize - 1] = '\0';
    // A sub-key that is still there after its removal succeeded is a symbolic
    // link: deleting it deleted its target, and the link would be opened,
    // its target recreated and deleted forever.
    if (strcmp(name, removed) == 0 || !RemoveTree(level.Handle(), name)) {
      result = 0;
      break;
    }
    memcpy(removed, name, sizeof(removed));
  }
  level.Close();

  if (result && RegDeleteKeyA(root, path) != ERROR_SUCCESS) result = 0;
  return result;
}

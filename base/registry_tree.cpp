#include "base/registry_tree.h"

#include <stdlib.h>
#include <string.h>

#include "base/registry_key.h"
#include "base/security_builder.h"

namespace {

// Key names are at most 255 characters; a longer one fails to enumerate.
const DWORD kKeyNameSize = 260;

// The key's DACL, self-relative on the runtime heap; null when the key is
// absent or has no security (the 9x family).
PSECURITY_DESCRIPTOR ReadDacl(HKEY root, const char* path) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, READ_CONTROL, &key) != ERROR_SUCCESS) return nullptr;
  DWORD size = 0;
  PSECURITY_DESCRIPTOR dacl = nullptr;
  if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size) == ERROR_INSUFFICIENT_BUFFER)
    dacl = malloc(size);
  if (dacl && RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, dacl, &size) != ERROR_SUCCESS) {
    free(dacl);
    dacl = nullptr;
  }
  RegCloseKey(key);
  return dacl;
}

void WriteDacl(HKEY root, const char* path, PSECURITY_DESCRIPTOR dacl) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, WRITE_DAC, &key) != ERROR_SUCCESS) return;
  RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, dacl);
  RegCloseKey(key);
}

}  // namespace

int RemoveTree(HKEY root, const char* path) {
  // A key that outlives a failed removal gets its own DACL back.
  PSECURITY_DESCRIPTOR original = path && *path ? ReadDacl(root, path) : nullptr;
  SecurityBuilder security;
  security.GrantOpenAccess(root, path);

  // Opens the key as RegCreateKeyA does, creating it when it does not exist.
  // An empty path fails here, so a root is never emptied.
  RegistryKey level;
  if (!level.Create(root, path, MAXIMUM_ALLOWED)) {
    if (original) WriteDacl(root, path, original);
    free(original);
    return 0;
  }

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
  if (!result && original) WriteDacl(root, path, original);
  free(original);
  return result;
}

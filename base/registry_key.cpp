#include "base/registry_key.h"


namespace {

bool IsEmpty(const char* text) { return !text || !*text; }

}  // namespace

int RegistryKey::Open(HKEY root, const char* path) {
  if (IsEmpty(path)) return 0;
  return RegOpenKeyExA(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
}

int RegistryKey::Create(HKEY root, const char* path, REGSAM access) {
  if (IsEmpty(path)) return 0;
  return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                         nullptr) == ERROR_SUCCESS;
}

int RegistryKey::QueryDword(const char* name, DWORD* value) const {
  if (!key || !value) return 0;
  DWORD read = 0;
  DWORD size = sizeof(read);
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size) !=
      ERROR_SUCCESS)
    return 0;
  *value = read;
  return 1;
}

int RegistryKey::QueryString(const char* name, char* buffer, DWORD size) const {
  if (!buffer || size == 0) return 0;
  DWORD returned = size;
  if (!key || RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                               &returned) != ERROR_SUCCESS ||
      returned > size || (returned == size && buffer[size - 1] != '\0')) {
    // Too long for the buffer with its terminator, or unreadable; the
    // platform may leave the buffer as it was: never hand back stale text.
    buffer[0] = '\0';
    return 0;
  }
  // A string stored without its terminator ends after its last byte.
  if (returned < size) buffer[returned] = '\0';
  return 1;
}

int RegistryKey::QueryBytes(const char* name, BYTE* buffer, DWORD* size) const {
  if (!key || !size) return 0;
  return RegQueryValueExA(key, name, nullptr, nullptr, buffer, size) == ERROR_SUCCESS;
}

int RegistryKey::Close() {
  if (!key) return 1;
  if (RegCloseKey(key) != ERROR_SUCCESS) return 0;
  key = nullptr;
  return 1;
}

// One open registry key, read by value name.
#ifndef BASE_REGISTRY_KEY_H_
#define BASE_REGISTRY_KEY_H_

#include <windows.h>

// Owns at most one open key and closes it on destruction. Not copyable.
// Results are 1 on success and 0 on failure; the platform's error code is not
// passed on. Value types are never examined.
class RegistryKey {
 public:
  RegistryKey() : key(nullptr) {}
  ~RegistryKey() { Close(); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens root\path for reading (KEY_READ). The caller closes a key opened
  // before; Open does not. A null or empty path fails (no root is reopened).
  int Open(HKEY root, const char* path);

  // Opens root\path with `access`, creating the key when it does not exist.
  // Same rules as Open.
  int Create(HKEY root, const char* path, REGSAM access);

  // Reads at most 4 bytes of the value. A shorter value comes back
  // zero-extended; on 0 `value` is untouched (value absent or longer than
  // 4 bytes).
  int QueryDword(const char* name, DWORD* value) const;

  // Reads the value into `buffer` of `size` bytes as terminated text, whole
  // whether or not a terminator was stored. An empty value gives 1 and empty
  // text. On 0 (value absent, or longer than the buffer with its terminator)
  // the buffer holds empty text. Nothing is written when `buffer` is null or
  // `size` is 0.
  int QueryString(const char* name, char* buffer, DWORD size) const;

  // Reads the value's bytes; `size` holds the buffer size on entry and the
  // bytes returned (or needed, on failure for lack of room) on exit.
  int QueryBytes(const char* name, BYTE* buffer, DWORD* size) const;

  // 1 when no key is open. Otherwise closes it; when that fails, the key is
  // kept and the result is 0.
  int Close();

  HKEY Handle() const { return key; }

 private:
  HKEY key;
};

#endif  // BASE_REGISTRY_KEY_H_

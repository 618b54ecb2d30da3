// Registry fixtures of the registry and security tests: key trees, keys the
// test user cannot delete, and a reader of a key's DACL.
#ifndef TESTS_BASE_REGISTRY_SCRATCH_H_
#define TESTS_BASE_REGISTRY_SCRATCH_H_

#include <windows.h>

#include <string>

namespace registry_scratch {

bool KeyExists(HKEY root, const std::string& path);

// Creates root\path and every missing key on the way.
bool CreateKey(HKEY root, const std::string& path, DWORD options = REG_OPTION_NON_VOLATILE);

bool SetValue(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& bytes);

// Makes root\path belong to LocalSystem and deny everyone all access, so that
// its DACL cannot be changed and it cannot be opened or deleted by the test
// user any more. Only volatile keys should be made so: they vanish when the
// wineserver ends. True when the key really resists deletion.
bool MakeUndeletable(HKEY root, const std::string& path);

// The key's DACL as a definition string ("D:(A;OICI;GA;;;WD)"), empty when
// it cannot be read.
std::string DaclText(HKEY root, const std::string& path);

// True for the one entry that gives Everyone all access, inherited by
// sub-keys (the platform may keep the generic right or map it to the key
// rights).
inline bool GrantsEveryoneFullAccess(const std::string& dacl) {
  return dacl == "D:(A;OICI;GA;;;WD)" || dacl == "D:(A;OICI;KA;;;WD)";
}

// A fresh volatile key under HKCU\Software\Bramcot Tests. Volatile, so that
// what a test leaves undeletable disappears with the wineserver.
class VolatileKey {
 public:
  VolatileKey();
  ~VolatileKey();
  VolatileKey(const VolatileKey&) = delete;
  VolatileKey& operator=(const VolatileKey&) = delete;

  const std::string& Path() const { return path; }  // relative to HKCU
  std::string Sub(const std::string& relative) const { return path + "\\" + relative; }
  // Volatile keys take only volatile sub-keys: each level in turn.
  bool Create(const std::string& relative) const;

 private:
  std::string path;
};

}  // namespace registry_scratch

#endif  // TESTS_BASE_REGISTRY_SCRATCH_H_

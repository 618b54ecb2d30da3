// Helpers every test program shares: scratch folders and registry keys that
// remove themselves, paths into the build tree, and child programs.
#ifndef TESTS_SUPPORT_TEST_SUPPORT_H_
#define TESTS_SUPPORT_TEST_SUPPORT_H_

#include <windows.h>

#include <string>

namespace testing_support {

// Windows path of a file in the build tree, e.g. BuildPath("bin\\Bramcot.exe").
std::string BuildPath(const std::string& relative);

// A fresh folder under the user's temp folder, removed with its contents
// (read-only files included) on destruction.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path; }  // with trailing backslash
  std::string File(const std::string& name) const { return path + name; }

 private:
  std::string path;
};

// Removes a folder tree, clearing read-only attributes first.
void RemoveFolderTree(const std::string& path);

// A fresh key under HKCU\Software\Bramcot Tests, deleted with its sub-keys on
// destruction.
class ScratchKey {
 public:
  ScratchKey();
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  const std::string& Path() const { return path; }  // relative to HKCU
  HKEY Root() const { return HKEY_CURRENT_USER; }

 private:
  std::string path;
};

bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool ReadFileBytes(const std::string& path, std::string* bytes);

// Makes Wine report `version` ("win98", "winxp", ...) to programs named `exe`;
// an empty version removes the setting.
void SetEmulatedVersion(const std::string& exe, const std::string& version);

// Runs `commandLine` and waits up to `timeoutMs` for it to end (it is ended
// when it does not). True when it ended in time; its exit code goes to
// `exitCode`. `environment` (a narrow environment block) and `directory` may
// be null.
bool RunProgram(const std::string& commandLine, DWORD timeoutMs, DWORD* exitCode,
                const char* environment = nullptr, const char* directory = nullptr);

// Sets one HKLM value for the life of the object and puts back what was
// there, deleting a key it had to create.
class SwappedValue {
 public:
  SwappedValue(const char* path, const char* name, DWORD type, const void* data, DWORD size)
      : path(path), name(name) {
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &created);
    hadValue = RegQueryValueExA(key, name, nullptr, &oldType, old, &oldSize) == ERROR_SUCCESS;
    RegCloseKey(key);
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, path, name, type, data, size);
  }
  ~SwappedValue() {
    if (created == REG_CREATED_NEW_KEY)
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    else if (hadValue)
      RegSetKeyValueA(HKEY_LOCAL_MACHINE, path, name, oldType, old, oldSize);
    else
      RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, path, name);
  }

 private:
  const char* path;
  const char* name;
  bool hadValue = false;
  DWORD created = 0, oldType = 0, oldSize = sizeof(old);
  BYTE old[4096];
};

}  // namespace testing_support

#endif  // TESTS_SUPPORT_TEST_SUPPORT_H_

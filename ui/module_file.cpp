#include "ui/module_file.h"

#include "base/text_string.h"
#include "ui/version_title.h"

namespace {

const char* const kFileVersionQueries[] = {
    "\\StringFileInfo\\040704B0\\FileVersion",
    "\\StringFileInfo\\040904B0\\FileVersion",
};

// Zero-filled LocalAlloc block, freed on every way out.
class LocalBlock {
 public:
  explicit LocalBlock(DWORD size) : data(LocalAlloc(LPTR, size)) {}
  ~LocalBlock() {
    if (data) LocalFree(data);
  }
  LocalBlock(const LocalBlock&) = delete;
  LocalBlock& operator=(const LocalBlock&) = delete;

  void* Get() const { return data; }

 private:
  HLOCAL data;
};

}  // namespace

int ModuleFile::GetModulePath(HMODULE module, char* path) {
  DWORD length = GetModuleFileNameA(module, path, kPathSize);
  if (length == 0) {
    path[0] = '\0';
    return 0;
  }
  // A name that does not fit comes back cut and, on some systems, without
  // a terminator.
  if (length >= static_cast<DWORD>(kPathSize)) {
    path[kPathSize - 1] = '\0';
    return 0;
  }
  path[length] = '\0';
  return 1;
}

int ModuleFile::GetModuleDirectory(HMODULE module, char* path) {
  if (!GetModulePath(module, path)) {
    path[0] = '\0';
    return 0;
  }
  TextString text;
  text.Assign(path);
  int slash = text.FindLastChar('\\');
  path[slash + 1] = '\0';  // no backslash (-1): empty
  return 1;
}

int ModuleFile::ReadFileVersion(const char* path, unsigned* major, unsigned* minor,
                                TextString* versionText) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return 0;
  LocalBlock block(size);
  if (!block.Get() || !GetFileVersionInfoA(path, 0, size, block.Get())) return 0;

  for (const char* query : kFileVersionQueries) {
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.Get(), query, reinterpret_cast<void**>(&value), &length) || !value)
      continue;
    // The value is read no further than the length the block gives it.
    TextString text;
    text.AssignN(value, length);
    ParseFileVersion(text.Buffer(), major, minor);
    if (versionText) versionText->Assign(text);
    return 1;
  }
  return 0;
}

char* ModuleFile::FormatVersionTitle(const char* caption, HMODULE module, char* buffer,
                                     size_t size) {
  if (size == 0) return buffer;
  buffer[0] = '\0';
  unsigned major = 1, minor = 1;
  char path[kPathSize];
  if (GetModulePath(module, path)) ReadFileVersion(path, &major, &minor, nullptr);
  return FormatVersionText(buffer, size, caption, major, minor);
}

#include "base/library_handle.h"

#include <string.h>

int LibraryHandle::Load(const char* name) {
  Unload();
  if (!name) return 0;
  if (strpbrk(name, "\\/:") || GetModuleHandleA(name)) {
    module = LoadLibraryA(name);
    return module != nullptr;
  }
  char path[MAX_PATH];
  const size_t length = GetSystemDirectoryA(path, MAX_PATH);
  const size_t nameLength = strlen(name);
  if (length == 0 || length + 1 + nameLength >= MAX_PATH) return 0;
  path[length] = '\\';
  memcpy(path + length + 1, name, nameLength + 1);
  module = LoadLibraryA(path);
  return module != nullptr;
}

int LibraryHandle::Unload() {
  if (!module) return 0;
  FreeLibrary(module);
  module = nullptr;
  return 1;
}

FARPROC LibraryHandle::Lookup(const char* name) const {
  if (!module) return nullptr;
  return GetProcAddress(module, name);
}

int BindChain(const LibraryHandle* libraries, const ProcBinding* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    *rows[i].slot = libraries[rows[i].library].Lookup(rows[i].name);
    if (!*rows[i].slot) return 0;
  }
  return 1;
}

int BindTable(const LibraryHandle* libraries, const ProcBinding* rows, size_t count) {
  int bound = 0;
  for (size_t i = 0; i < count; ++i) {
    *rows[i].slot = libraries[rows[i].library].Lookup(rows[i].name);
    if (*rows[i].slot) ++bound;
  }
  return bound;
}

void ClearTable(const ProcBinding* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) *rows[i].slot = nullptr;
}

#include "base/library_handle.h"

int LibraryHandle::Load(const char* name) {
  Unload();
  module = LoadLibraryA(name);
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

// Writes what the module operations see of this program's own path into the
// file named by its one argument, one value a line: GetModulePath's result,
// the length and text of its path, whether the bytes behind the 260-byte
// path buffer stayed untouched, GetModuleDirectory's result and text, the
// version title, and the full path as GetModuleFileNameW reports it.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "ui/module_file.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  char path[ModuleFile::kPathSize + 16];
  memset(path, 0x7E, sizeof(path));
  int pathResult = ModuleFile::GetModulePath(nullptr, path);
  int tailIntact = 1;
  for (size_t i = ModuleFile::kPathSize; i < sizeof(path); ++i) tailIntact &= path[i] == 0x7E;
  path[ModuleFile::kPathSize] = '\0';  // so a missing terminator shows as a 260-byte text

  char directory[ModuleFile::kPathSize];
  int directoryResult = ModuleFile::GetModuleDirectory(nullptr, directory);
  ModuleFile file;
  const char* title = file.FormatVersionTitle("Probe", nullptr);

  WCHAR wide[2048];
  DWORD wideLength = GetModuleFileNameW(nullptr, wide, 2048);
  char full[4096] = "";
  WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(wideLength), full, sizeof(full) - 1, nullptr,
                      nullptr);

  FILE* out = fopen(argv[1], "wb");
  if (!out) return 3;
  fprintf(out, "%d\n%u\n%s\n%d\n%d\n%s\n%s\n%s\n", pathResult, static_cast<unsigned>(strlen(path)), path,
          tailIntact, directoryResult, directory, title, full);
  fclose(out);
  return 0;
}

// Stands for a program on the install CD: appends "<own path>|<command
// line>|<directory>|<check>" to the file named by MEDIUM_LOG, where <check>
// tells whether the file named by MEDIUM_CHECK exists (- when unset).
#include <windows.h>

#include <stdio.h>

int main() {
  char log[MAX_PATH] = {}, check[MAX_PATH] = {}, self[MAX_PATH] = {}, directory[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("MEDIUM_LOG", log, MAX_PATH)) return 2;
  const char* exists = "-";
  if (GetEnvironmentVariableA("MEDIUM_CHECK", check, MAX_PATH))
    exists = GetFileAttributesA(check) != INVALID_FILE_ATTRIBUTES ? "1" : "0";
  GetModuleFileNameA(nullptr, self, MAX_PATH - 1);
  GetCurrentDirectoryA(MAX_PATH, directory);
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (FILE* out = fopen(log, "ab")) {
      fprintf(out, "%s|%s|%s|%s\n", self, GetCommandLineA(), directory, exists);
      fclose(out);
      return 0;
    }
    Sleep(20);
  }
  return 3;
}

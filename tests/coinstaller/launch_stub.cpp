// A program for the launcher and process tests. Writes its command line and
// working directory, one per line, to "launch_record.txt" beside itself, then
// sleeps for "sleep=<ms>" and exits with "exit=<code>" when the command line
// holds them.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main() {
  const char* line = GetCommandLineA();
  char directory[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, directory);
  char record[MAX_PATH + 32] = {};
  GetModuleFileNameA(nullptr, record, MAX_PATH);
  char* slash = strrchr(record, '\\');
  strcpy(slash ? slash + 1 : record, "launch_record.txt");
  if (FILE* out = fopen(record, "w")) {
    fprintf(out, "%s\n%s\n", line, directory);
    fclose(out);
  }
  if (const char* sleep = strstr(line, "sleep=")) Sleep(atoi(sleep + 6));
  const char* code = strstr(line, "exit=");
  return code ? atoi(code + 5) : 0;
}

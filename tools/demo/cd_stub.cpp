// Stands for a program on the install CD. Appends "<name> | <command line> |
// <working folder>" to the file named by DEMO_LOG and exits with 0, showing
// nothing: the demo's summary lists what was started.
#include <windows.h>

#include <stdio.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char self[MAX_PATH] = {}, folder[MAX_PATH] = {}, log[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH - 1);
  GetCurrentDirectoryA(MAX_PATH, folder);
  if (GetEnvironmentVariableA("DEMO_LOG", log, MAX_PATH)) {
    if (FILE* out = fopen(log, "ab")) {
      fprintf(out, "%s | %s | %s\n", self, GetCommandLineA(), folder);
      fclose(out);
    }
  }
  return 0;
}

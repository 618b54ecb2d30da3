// A test build of the co-installer that only records its calls: one line
// "DIF 0xCODE thread ID post 0|1" per call of Callback, appended to the file
// named by COLDRUNE_RECORD. Staged as Coldrune.dll to see that the device
// installer loads it from the staging folder and calls it.
#include <windows.h>
#include <setupapi.h>

#include <stdio.h>

extern "C" DWORD CALLBACK Callback(DI_FUNCTION installFunction, HDEVINFO, PSP_DEVINFO_DATA,
                                   PCOINSTALLER_CONTEXT_DATA context) {
  char path[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("COLDRUNE_RECORD", path, sizeof(path));
  const int post = context && context->PostProcessing;
  if (length && length < sizeof(path)) {
    FILE* out = fopen(path, "a");
    if (out) {
      fprintf(out, "DIF 0x%02lX thread %lu post %d\n", static_cast<unsigned long>(installFunction),
              GetCurrentThreadId(), post);
      fclose(out);
    }
  }
  return post ? context->InstallResult : NO_ERROR;
}

// psapi.dll whose process list is never delivered: EnumProcesses fails when
// FAKE_PSAPI_ANSWER is "FALSE" (also when unset) and succeeds with no ids
// otherwise. Records "psapi.EnumProcesses cb=<bytes>" per call.
#include <windows.h>

#include "fakes/fake_log.h"

extern "C" BOOL WINAPI EnumProcesses(DWORD* lpidProcess, DWORD cb, DWORD* lpcbNeeded) {
  (void)lpidProcess;
  FakeLog("psapi.EnumProcesses cb=%lu", cb);
  if (!FakeAnswer("FAKE_PSAPI_ANSWER", nullptr)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  *lpcbNeeded = 0;
  return TRUE;
}

extern "C" BOOL WINAPI EnumProcessModules(HANDLE, HMODULE*, DWORD, DWORD*) {
  FakeLog("psapi.EnumProcessModules");
  return FALSE;
}

extern "C" DWORD WINAPI GetModuleFileNameExA(HANDLE, HMODULE, LPSTR, DWORD) {
  FakeLog("psapi.GetModuleFileNameExA");
  return 0;
}

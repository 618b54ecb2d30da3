// Holds the loader lock for good: its DllMain tells crash_probe so and never
// returns.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    SetEvent(OpenEventA(EVENT_MODIFY_STATE, FALSE, "CrashProbeLoaderLock"));
    Sleep(INFINITE);
  }
  return TRUE;
}

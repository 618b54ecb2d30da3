// A library whose initialisation fails, so that loading it fails: copied
// under a platform library's name, it stands for one that cannot be loaded.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
  return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
}

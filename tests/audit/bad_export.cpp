// A DLL that breaks every rule the binary audit guards: a decorated export,
// a late-bound library and a late-bound function in its import table.
#include <windows.h>
#include <setupapi.h>

extern "C" DWORD CALLBACK Callback(DI_FUNCTION, HDEVINFO set, PSP_DEVINFO_DATA, PCOINSTALLER_CONTEXT_DATA) {
  BOOL wow = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow);
  SetupDiDestroyDeviceInfoList(set);
  return wow;
}

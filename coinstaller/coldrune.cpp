#include <windows.h>
#include <setupapi.h>

// The co-installer entry the device installer calls for every install step.
extern "C" DWORD CALLBACK Callback(DI_FUNCTION installFunction, HDEVINFO deviceInfoSet,
                                   PSP_DEVINFO_DATA deviceInfoData,
                                   PCOINSTALLER_CONTEXT_DATA context) {
  (void)installFunction;
  (void)deviceInfoSet;
  (void)deviceInfoData;
  (void)context;
  return NO_ERROR;
}

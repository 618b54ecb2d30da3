#include <windows.h>
#include <setupapi.h>

#include "coinstaller/install_function.h"

// The co-installer entry the device installer calls for every install step.
// It keeps no state between calls and never asks for post-processing.
extern "C" DWORD CALLBACK Callback(DI_FUNCTION installFunction, HDEVINFO deviceInfoSet,
                                   PSP_DEVINFO_DATA deviceInfoData, PCOINSTALLER_CONTEXT_DATA) {
  return RunInstallFunction(installFunction, deviceInfoSet, deviceInfoData);
}

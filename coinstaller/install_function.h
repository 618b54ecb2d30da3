// What the co-installer does for each step of a device installation.
#ifndef COINSTALLER_INSTALL_FUNCTION_H_
#define COINSTALLER_INSTALL_FUNCTION_H_

#include <windows.h>
#include <setupapi.h>

// DIF_INSTALLINTERFACES: when DirectX is older than 9.0c and the install
// medium is found, removes the family's same-day package and runs the
// DirectX setup from the medium; 3010 when the setup ran, else 0.
// DIF_NEWDEVICEWIZARD_FINISHINSTALL: starts the companion software unless
// this is session 0 of Vista or later; 0.
// Every other code: 0, nothing done.
DWORD RunInstallFunction(DI_FUNCTION installFunction, HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData);

// The session of the current process through ProcessIdToSessionId, bound at
// run time; 0 when that is missing or fails. Replaceable for tests.
typedef DWORD SessionIdFunction();
extern SessionIdFunction* currentSessionId;

#endif  // COINSTALLER_INSTALL_FUNCTION_H_

#include <windows.h>
#include <setupapi.h>

#include "coinstaller/coinstaller_rules.h"
#include "coinstaller/install_function.h"
#include "crash/crash_reporter.h"

// Installs its filter for the whole host process while the library is loaded.
CrashReporter crashReporter __attribute__((init_priority(101)))(kCoinstallerCrashRules);

// The device installer loads and unloads the library around its calls in a
// process that lives on: on FreeLibrary (reserved null) the host's own filter
// goes back, so no filter of ours outlives our code. At process exit nothing
// is withdrawn.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) crashReporter.Withdraw();
  return TRUE;
}

// The co-installer entry the device installer calls for every install step.
// It keeps no state between calls and never asks for post-processing.
extern "C" DWORD CALLBACK Callback(DI_FUNCTION installFunction, HDEVINFO deviceInfoSet,
                                   PSP_DEVINFO_DATA deviceInfoData, PCOINSTALLER_CONTEXT_DATA) {
  // The reporter thread prepares outside the loader lock; once it idles, the
  // unload that follows this call ends it holding no lock.
  crashReporter.WaitReady(5000);
  return RunInstallFunction(installFunction, deviceInfoSet, deviceInfoData);
}

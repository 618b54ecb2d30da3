#include <windows.h>

#include "crash/crash_reporter.h"
#include "installer/installer_dialog.h"
#include "installer/installer_rules.h"
#include "installer/resource_ids.h"

// Constructed before every other static object, so that their construction
// is covered too.
CrashReporter crashReporter __attribute__((init_priority(101)))(kInstallerCrashRules);

// The one dialog, constructed after the crash reporter and destroyed before
// it; its destruction stops an install sequence that still runs.
InstallerDialog installerDialog __attribute__((init_priority(102)));

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return static_cast<int>(installerDialog.RunModal(instance, IDD_INSTALLER, 0));
}

#include <windows.h>

#include "crash/crash_reporter.h"

// Constructed before every other static object, so that their construction
// is covered too.
CrashReporter crashReporter __attribute__((init_priority(101)));

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "Tarnvik DVB-T Driver Installer", "Tarnvik DVB-T Driver Installer",
              MB_OK | MB_ICONINFORMATION);
  return 0;
}

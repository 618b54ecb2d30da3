// A program built like Bramcot.exe that makes the platform calls of an
// unattended install and nothing else: stage the package into the temporary
// folder, update both hardware IDs from the staged INF, copy the INF into the
// platform's INF folder. How fast an install can run at all.
//   bare_install.exe FOLDER   (the package files' folder, no trailing backslash)
// The package folder comes as the argument because this program lives in
// benchbin\helpers, not beside the package files as Bramcot.exe does.
// Exit code 0 when a device with the first hardware ID was updated.
#include <windows.h>
#include <setupapi.h>
#include <newdev.h>

#include <stdlib.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc != 2) return 2;
  const char* const files[] = {"RTL2831UBDA.inf", "RTL2831UBDA.sys", "RTL2831UUSB.sys", "Coldrune.dll"};
  const char* const ids[] = {"USB\\Vid_14aa&Pid_0160", "USB\\Vid_14aa&Pid_0161"};
  char temp[MAX_PATH], staging[MAX_PATH], source[MAX_PATH], destination[MAX_PATH];
  if (!GetTempPathA(sizeof(temp), temp)) return 1;
  snprintf(staging, sizeof(staging), "%sTarnvik DVB-T Driver\\", temp);
  CreateDirectoryA(staging, nullptr);
  for (const char* file : files) {
    snprintf(source, sizeof(source), "%s\\%s", __argv[1], file);
    snprintf(destination, sizeof(destination), "%s%s", staging, file);
    if (!CopyFileA(source, destination, FALSE)) return 1;
  }
  snprintf(destination, sizeof(destination), "%s%s", staging, files[0]);
  BOOL updated[2] = {};
  for (int i = 0; i < 2; ++i) {
    BOOL reboot = FALSE;
    updated[i] = UpdateDriverForPlugAndPlayDevicesA(nullptr, ids[i], destination,
                                                    INSTALLFLAG_FORCE | INSTALLFLAG_NONINTERACTIVE, &reboot);
  }
  SetupCopyOEMInfA(destination, nullptr, SPOST_PATH, 0, nullptr, 0, nullptr, nullptr);
  return updated[0] ? 0 : 1;
}

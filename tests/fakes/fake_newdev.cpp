// Recording newdev.dll: see fake_log.h.
#include "fakes/fake_log.h"

FAKE_EXPORT BOOL WINAPI UpdateDriverForPlugAndPlayDevicesA(HWND hwndParent, LPCSTR HardwareId,
                                                          LPCSTR FullInfPath, DWORD InstallFlags,
                                                          PBOOL bRebootRequired) {
  char id[1100], inf[1100];
  FakeLog("newdev.UpdateDriverForPlugAndPlayDevicesA hwndParent=0x%08lX HardwareId=%s FullInfPath=%s "
          "InstallFlags=0x%08lX bRebootRequired=%s",
          static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(hwndParent)), FakeQuote(HardwareId, id, sizeof(id)), FakeQuote(FullInfPath, inf, sizeof(inf)),
          InstallFlags, bRebootRequired ? "set" : "null");
  FakeSignalAndWait("FAKE_NEWDEV_ENTERED", "FAKE_NEWDEV_BLOCK");
  // As the platform does after binding a driver: ask for a restart.
  if (bRebootRequired) *bRebootRequired = TRUE;
  return FakeAnswer("FAKE_NEWDEV_ANSWER", HardwareId);
}

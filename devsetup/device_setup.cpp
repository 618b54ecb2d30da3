#include "devsetup/device_setup.h"

#include <string.h>

namespace {

bool IsEmpty(const char* text) { return !text || !*text; }

// The platform takes INF paths of fewer than MAX_PATH characters.
bool IsUsablePath(const char* path) { return !IsEmpty(path) && strlen(path) < MAX_PATH; }

// 0 with the reason as the thread's last error, for a call refused before
// reaching the platform.
int Refuse(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

DeviceSetup::DeviceSetup() : machine(nullptr), classImageList() {
  classImageList.cbSize = sizeof(classImageList);
}

DeviceSetup::~DeviceSetup() { Unbind(); }

int DeviceSetup::Bind() {
  Unbind();
  libraries[kNewDevice].Load("newdev.dll");
  libraries[kKernel].Load("kernel32.dll");
  libraries[kSetup].Load("setupapi.dll");
  // A library that did not load yields null for each of its rows.
  BindTable(libraries, rows, kSlotCount);

  // Older setupapi.dll lacks the configuration manager. Its fallback replaces
  // every CM_ slot, missing exports included; CM_Reenumerate_DevNode_Ex is
  // never taken from cfgmgr32.dll.
  if (!CM_Get_Child && libraries[kConfigManager].Load("cfgmgr32.dll")) {
    for (int row = kRow_CM_Disconnect_Machine; row <= kRow_CM_Open_DevNode_Key_Ex; ++row) {
      if (row == kRow_CM_Reenumerate_DevNode_Ex) continue;
      ProcBinding fallback = rows[row];
      fallback.library = kConfigManager;
      BindTable(libraries, &fallback, 1);
    }
  }
  return 1;
}

void DeviceSetup::Unbind() {
  if (classImageList.ImageList) {
    if (SetupDiDestroyClassImageList) SetupDiDestroyClassImageList(&classImageList);
    classImageList.ImageList = nullptr;
  }
  if (machine) {
    if (CM_Disconnect_Machine) CM_Disconnect_Machine(machine);
    machine = nullptr;
  }
  for (LibraryHandle& library : libraries) library.Unload();
  ClearTable(rows, kSlotCount);
}

int DeviceSetup::UpdateDriver(const char* hardwareId, const char* infPath, DWORD installFlags,
                              HWND owner, int* restartRequested) {
  if (restartRequested) *restartRequested = 0;
  if (!UpdateDriverForPlugAndPlayDevicesA) return Refuse(ERROR_PROC_NOT_FOUND);
  if (IsEmpty(hardwareId) || !IsUsablePath(infPath)) return Refuse(ERROR_INVALID_PARAMETER);
  // Passing the flag's address leaves any restart prompt to us; we never ask.
  BOOL rebootRequired = FALSE;
  const BOOL updated =
      UpdateDriverForPlugAndPlayDevicesA(owner, hardwareId, infPath, installFlags, &rebootRequired);
  if (restartRequested) *restartRequested = rebootRequired ? 1 : 0;
  return updated ? 1 : 0;
}

int DeviceSetup::PreInstallPackage(const char* infPath, const char* sourceLocation) {
  if (!SetupCopyOEMInfA) return Refuse(ERROR_PROC_NOT_FOUND);
  if (!IsUsablePath(infPath)) return Refuse(ERROR_INVALID_PARAMETER);
  return SetupCopyOEMInfA(infPath, sourceLocation, SPOST_PATH, 0, nullptr, 0, nullptr, nullptr) ? 1
                                                                                                : 0;
}

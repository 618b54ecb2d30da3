#include "coinstaller/install_function.h"

#include "base/library_handle.h"
#include "base/text_string.h"
#include "coinstaller/companion.h"
#include "coinstaller/directx_version.h"
#include "coinstaller/install_medium.h"
#include "coinstaller/program_launcher.h"
#include "coinstaller/receiver_family.h"
#include "coinstaller/same_day_package.h"
#include "base/os_kind.h"

namespace {

// Windows 95, 98 and NT 4.0 lack ProcessIdToSessionId.
DWORD SessionIdOfThisProcess() {
  LibraryHandle kernel;
  if (!kernel.Load("kernel32.dll")) return 0;
  ProcSlot<decltype(::ProcessIdToSessionId)> processIdToSessionId;
  if (!processIdToSessionId.Bind(kernel, "ProcessIdToSessionId")) return 0;
  DWORD session = 0;
  if (!processIdToSessionId(GetCurrentProcessId(), &session)) return 0;
  return session;
}

const DWORD kRebootRequired = ERROR_SUCCESS_REBOOT_REQUIRED;  // 3010

DWORD InstallInterfaces(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData) {
  if (ReadDirectXVersion() >= kDirectX9c) return NO_ERROR;
  char letter = LocateInstallMedium();
  if (letter == ' ') return NO_ERROR;

  TextString folder, setup;
  folder.Format("%c:\\Zovodav\\DirectX\\", letter);
  setup.Format("%sdxsetup.exe", folder.Buffer());

  char hardwareId[kHardwareIdSize + 1];
  if (ReadFirstHardwareId(deviceInfoSet, deviceInfoData, hardwareId)) {
    ReceiverFamily family = FamilyOf(kDirectXFamilies, hardwareId);
    if (family != kNoFamily) RemoveSameDayPackage(family);
  }
  if (!RunAndWait(setup.Buffer(), nullptr, folder.Buffer(), SW_SHOW, 0, nullptr, 0)) return NO_ERROR;
  return kRebootRequired;
}

}  // namespace

SessionIdFunction* currentSessionId = SessionIdOfThisProcess;

DWORD RunInstallFunction(DI_FUNCTION installFunction, HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData) {
  switch (installFunction) {
    case DIF_INSTALLINTERFACES:
      return InstallInterfaces(deviceInfoSet, deviceInfoData);
    case DIF_NEWDEVICEWIZARD_FINISHINSTALL:
      if (!IsOsAtLeast(kOsVista) || currentSessionId() != 0)
        StartCompanionSoftware(deviceInfoSet, deviceInfoData);
      return NO_ERROR;
    default:
      return NO_ERROR;
  }
}

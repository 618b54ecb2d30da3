// The platform's device-installation functions, bound at run time from
// newdev.dll, kernel32.dll and setupapi.dll (cfgmgr32.dll for the
// configuration manager where setupapi.dll lacks it), and the two driver
// package operations of the installer.
#ifndef DEVSETUP_DEVICE_SETUP_H_
#define DEVSETUP_DEVICE_SETUP_H_

#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <newdev.h>

#include "base/library_handle.h"

// The binding table in binding order: the library each function is taken
// from and its export name. The CM_ rows also have a fallback in cfgmgr32.dll
// (see DeviceSetup::Bind). Only a few are ever called; the rest are bound so
// that the whole interface is at hand.
#define DEVICE_SETUP_FUNCTIONS(X)                    \
  X(kNewDevice, UpdateDriverForPlugAndPlayDevicesA)  \
  X(kKernel, GetVolumeNameForVolumeMountPointA)      \
  X(kSetup, SetupCopyOEMInfA)                        \
  X(kSetup, SetupDiGetClassDevsA)                    \
  X(kSetup, SetupDiGetClassDevsExA)                  \
  X(kSetup, SetupDiEnumDeviceInterfaces)             \
  X(kSetup, SetupDiGetDeviceInterfaceDetailA)        \
  X(kSetup, SetupDiDestroyDeviceInfoList)            \
  X(kSetup, SetupDiOpenDeviceInfoA)                  \
  X(kSetup, SetupDiGetDeviceRegistryPropertyA)       \
  X(kSetup, SetupDiGetDeviceInstanceIdA)             \
  X(kSetup, SetupDiGetClassImageList)                \
  X(kSetup, SetupDiGetClassImageIndex)               \
  X(kSetup, SetupDiDestroyClassImageList)            \
  X(kSetup, SetupDiSetClassInstallParamsA)           \
  X(kSetup, SetupDiCallClassInstaller)               \
  X(kSetup, SetupDiEnumDeviceInfo)                   \
  X(kSetup, CM_Disconnect_Machine)                   \
  X(kSetup, CM_Locate_DevNodeA)                      \
  X(kSetup, CM_Locate_DevNode_ExA)                   \
  X(kSetup, CM_Connect_MachineA)                     \
  X(kSetup, CM_Get_Sibling)                          \
  X(kSetup, CM_Get_Sibling_Ex)                       \
  X(kSetup, CM_Get_Child)                            \
  X(kSetup, CM_Get_Child_Ex)                         \
  X(kSetup, CM_Get_Parent)                           \
  X(kSetup, CM_Get_Parent_Ex)                        \
  X(kSetup, CM_Get_Device_IDA)                       \
  X(kSetup, CM_Get_Device_ID_ExA)                    \
  X(kSetup, CM_Get_DevNode_Registry_PropertyA)       \
  X(kSetup, CM_Get_DevNode_Registry_Property_ExA)    \
  X(kSetup, CM_Get_Device_Interface_ListA)           \
  X(kSetup, CM_Get_Device_Interface_List_ExA)        \
  X(kSetup, CM_Get_Device_Interface_List_SizeA)      \
  X(kSetup, CM_Get_Device_Interface_List_Size_ExA)   \
  X(kSetup, CM_Get_Device_ID_ListA)                  \
  X(kSetup, CM_Get_Device_ID_ListW)                  \
  X(kSetup, CM_Get_Device_ID_List_SizeA)             \
  X(kSetup, CM_Get_Device_ID_List_SizeW)             \
  X(kSetup, CM_Get_Device_ID_List_ExA)               \
  X(kSetup, CM_Get_Device_ID_List_ExW)               \
  X(kSetup, CM_Get_Device_ID_List_Size_ExA)          \
  X(kSetup, CM_Get_Device_ID_List_Size_ExW)          \
  X(kSetup, CM_Request_Device_EjectA)                \
  X(kSetup, CM_Request_Device_Eject_ExA)             \
  X(kSetup, CM_Reenumerate_DevNode_Ex)               \
  X(kSetup, CM_Open_DevNode_Key)                     \
  X(kSetup, CM_Open_DevNode_Key_Ex)                  \
  X(kSetup, SetupOpenInfFileA)                       \
  X(kSetup, SetupOpenFileQueue)                      \
  X(kSetup, SetupCommitFileQueueA)                   \
  X(kSetup, SetupInstallFilesFromInfSectionA)        \
  X(kSetup, SetupInstallServicesFromInfSectionA)     \
  X(kSetup, SetupInstallFromInfSectionA)             \
  X(kSetup, SetupCloseInfFile)                       \
  X(kSetup, SetupCloseFileQueue)                     \
  X(kSetup, SetupDefaultQueueCallbackA)              \
  X(kSetup, SetupInitDefaultQueueCallback)           \
  X(kSetup, SetupUninstallOEMInfA)                   \
  X(kSetup, SetupDiOpenDevRegKey)

// A table of late-bound device-installation functions. Every slot may stay
// null (library or export missing); the operations check their slot and fail
// with 0 instead of calling. Owned by one thread; not copyable.
class DeviceSetup {
 public:
  // Indexes of the libraries, in the order they are held and released.
  enum Library { kNewDevice, kSetup, kConfigManager, kKernel, kLibraryCount };

  DeviceSetup();
  // Unbinds; then the libraries are released kernel, configuration manager,
  // setup, new-device.
  ~DeviceSetup();
  DeviceSetup(const DeviceSetup&) = delete;
  DeviceSetup& operator=(const DeviceSetup&) = delete;

  // Unbinds, then loads the libraries and fills every slot it can. When
  // setupapi.dll yields no CM_Get_Child, the CM_ slots are taken from
  // cfgmgr32.dll instead, except CM_Reenumerate_DevNode_Ex. Always 1: what
  // could not be bound shows as null slots.
  int Bind();

  // Releases a held class image list and machine connection, frees the
  // libraries (new-device, setup, configuration manager, kernel) and sets
  // every slot to null, so nothing points into a freed library. Harmless on
  // an object that was never bound.
  void Unbind();

  // Binds the INF's driver to every present device with `hardwareId`
  // (UpdateDriverForPlugAndPlayDevicesA). 1 when the platform answered TRUE;
  // 0 when it answered FALSE (also when no such device is present), and
  // without calling anything when the slot is null (last error
  // ERROR_PROC_NOT_FOUND), the ID is null or empty, or the path is null,
  // empty or MAX_PATH characters or longer (ERROR_INVALID_PARAMETER).
  // `restartRequested`, when not null, receives 1 when the platform asked
  // for a restart, else 0; nobody is prompted.
  int UpdateDriver(const char* hardwareId, const char* infPath, DWORD installFlags, HWND owner,
                   int* restartRequested = nullptr);

  // Copies the INF into the platform's INF folder (SetupCopyOEMInfA from a
  // path, default copy style, stored name not asked for). A null
  // `sourceLocation` records the INF's own folder. 1 when the platform
  // answered TRUE; 0 otherwise, and without calling anything (last error as
  // for UpdateDriver) when the slot is null or the path is null, empty or
  // MAX_PATH characters or longer.
  int PreInstallPackage(const char* infPath, const char* sourceLocation);

  static const size_t kSlotCount = 60;

  // The binding table, kSlotCount rows in binding order, for inspection.
  const ProcBinding* Table() const { return rows; }

 private:
  LibraryHandle libraries[kLibraryCount];
  // Set by nothing in this system; released by Unbind when held.
  HMACHINE machine;
  SP_CLASSIMAGELIST_DATA classImageList;

 public:
  // One typed slot per function, named as the function, so that a call inside
  // this class goes through the slot.
#define DEVICE_SETUP_SLOT(library, name) ProcSlot<decltype(::name)> name;
  DEVICE_SETUP_FUNCTIONS(DEVICE_SETUP_SLOT)
#undef DEVICE_SETUP_SLOT

 private:
#define DEVICE_SETUP_ROW(library, name) {library, #name, name.Storage()},
  ProcBinding rows[kSlotCount] = {DEVICE_SETUP_FUNCTIONS(DEVICE_SETUP_ROW)};
#undef DEVICE_SETUP_ROW

  // Row indexes, for the configuration-manager fallback.
#define DEVICE_SETUP_INDEX(library, name) kRow_##name,
  enum Row { DEVICE_SETUP_FUNCTIONS(DEVICE_SETUP_INDEX) kRowCount };
#undef DEVICE_SETUP_INDEX
  static_assert(kRowCount == kSlotCount, "one row per slot");
};

#endif  // DEVSETUP_DEVICE_SETUP_H_

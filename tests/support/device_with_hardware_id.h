#ifndef TESTS_SUPPORT_DEVICE_WITH_HARDWARE_ID_H_
#define TESTS_SUPPORT_DEVICE_WITH_HARDWARE_ID_H_

#include <windows.h>
#include <devguid.h>
#include <setupapi.h>

#include <string>

// A device in a real device-info set, its hardware-ID property set to `bytes`.
class DeviceWithHardwareId {
 public:
  explicit DeviceWithHardwareId(const std::string& bytes)
      : set(SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_MEDIA, nullptr)), data{sizeof(data), {}, 0, 0} {
    created = SetupDiCreateDeviceInfoA(set, "MEDIA", &GUID_DEVCLASS_MEDIA, nullptr, nullptr, DICD_GENERATE_ID, &data) &&
              SetupDiSetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(bytes.data()),
                                                static_cast<DWORD>(bytes.size()));
  }
  ~DeviceWithHardwareId() { SetupDiRemoveDevice(set, &data), SetupDiDestroyDeviceInfoList(set); }
  HDEVINFO set;
  SP_DEVINFO_DATA data;
  bool created;
};

#endif  // TESTS_SUPPORT_DEVICE_WITH_HARDWARE_ID_H_

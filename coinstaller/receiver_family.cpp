#include "coinstaller/receiver_family.h"

#include <string.h>

#include "base/library_handle.h"
#include "base/text_string.h"

namespace {

const FamilyRow kDirectXRows[] = {
    {"USB\\VID_14AA&PID_022A", 0}, {"USB\\VID_14AA&PID_0220", 0}, {"USB\\VID_14AA&PID_0222", 0},
    {"USB\\VID_14AA&PID_0225", 1}, {"USB\\VID_14AA&PID_0620", 2}, {"USB\\VID_0BDA&PID_2831", 3},
    {"USB\\VID_14AA&PID_0160", 3},
};

const FamilyRow kCompanionRows[] = {
    {"USB\\VID_14AA&PID_0221", 0}, {"USB\\VID_14AA&PID_022B", 0}, {"USB\\VID_14AA&PID_0226", 1},
    {"USB\\VID_14AA&PID_0620", 2}, {"USB\\VID_0BDA&PID_2831", 3}, {"USB\\VID_14AA&PID_0160", 3},
};

const char* const kFamily0Ids[] = {"USB\\VID_14AA&PID_022A", "USB\\VID_14AA&PID_0220", "USB\\VID_14AA&PID_0222"};
const char* const kFamily1Ids[] = {"USB\\VID_14AA&PID_0225"};
const char* const kFamily2Ids[] = {"USB\\VID_14AA&PID_0620"};
const char* const kFamily3Ids[] = {"USB\\VID_0BDA&PID_2831", "USB\\VID_14AA&PID_0160"};

struct IdList {
  const char* const* texts;
  size_t count;
};

const IdList kRemovalIds[] = {{kFamily0Ids, 3}, {kFamily1Ids, 1}, {kFamily2Ids, 1}, {kFamily3Ids, 2}};

}  // namespace

const FamilyTable kDirectXFamilies = {kDirectXRows, sizeof(kDirectXRows) / sizeof(kDirectXRows[0])};
const FamilyTable kCompanionFamilies = {kCompanionRows, sizeof(kCompanionRows) / sizeof(kCompanionRows[0])};

ReceiverFamily FamilyOf(const FamilyTable& table, const char* hardwareId) {
  TextString id;
  id.Assign(hardwareId);
  for (size_t i = 0; i < table.count; ++i)
    if (id.FindNoCase(table.rows[i].idText) >= 0) return table.rows[i].family;
  return kNoFamily;
}

const char* const* FamilyIdTexts(ReceiverFamily family, size_t* count) {
  if (family < 0 || family > 3) {
    *count = 0;
    return nullptr;
  }
  *count = kRemovalIds[family].count;
  return kRemovalIds[family].texts;
}

int ReadFirstHardwareId(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData, char* buffer) {
  buffer[0] = 0;
  // setupapi is loaded by the device installer that calls us; bind it late
  // all the same, so the library imports nothing from it.
  LibraryHandle setupapi;
  if (!setupapi.Load("setupapi.dll")) return 0;
  ProcSlot<decltype(::SetupDiGetDeviceRegistryPropertyA)> getProperty;
  if (!getProperty.Bind(setupapi, "SetupDiGetDeviceRegistryPropertyA")) return 0;
  // A property stored without its terminator comes back without one: zeros
  // behind it end the ID at its last byte, not in the caller's old bytes.
  memset(buffer, 0, kHardwareIdSize + 1);
  DWORD type = 0;
  if (!getProperty(deviceInfoSet, deviceInfoData, SPDRP_HARDWAREID, &type, reinterpret_cast<BYTE*>(buffer),
                   kHardwareIdSize, nullptr)) {
    buffer[0] = 0;
    return 0;
  }
  // A property that fills the buffer without a terminator still ends here.
  buffer[kHardwareIdSize] = 0;
  return 1;
}

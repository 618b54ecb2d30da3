// Recording setupapi.dll without the configuration-manager functions, as
// setupapi.dll was before Windows 2000: see fake_log.h.
#include "fakes/fake_log.h"

#include <string.h>

FAKE_EXPORT BOOL WINAPI SetupCopyOEMInfA(PCSTR SourceInfFileName, PCSTR OEMSourceMediaLocation,
                                        DWORD OEMSourceMediaType, DWORD CopyStyle,
                                        PSTR DestinationInfFileName,
                                        DWORD DestinationInfFileNameSize, PDWORD RequiredSize,
                                        PSTR* DestinationInfFileNameComponent) {
  char inf[1100], location[1100];
  FakeLog("setupapi.SetupCopyOEMInfA SourceInfFileName=%s OEMSourceMediaLocation=%s "
          "OEMSourceMediaType=%lu CopyStyle=0x%08lX DestinationInfFileName=%s "
          "DestinationInfFileNameSize=%lu RequiredSize=%s DestinationInfFileNameComponent=%s",
          FakeQuote(SourceInfFileName, inf, sizeof(inf)),
          FakeQuote(OEMSourceMediaLocation, location, sizeof(location)), OEMSourceMediaType,
          CopyStyle, DestinationInfFileName ? "set" : "null", DestinationInfFileNameSize,
          RequiredSize ? "set" : "null", DestinationInfFileNameComponent ? "set" : "null");
  return FakeAnswer("FAKE_SETUPAPI_ANSWER", nullptr);
}

// The device-information arguments are not looked at (setupapi.h is not
// included: it would declare these functions as imported).
FAKE_EXPORT BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(void*, void*, DWORD,
                                                         PDWORD PropertyRegDataType,
                                                         PBYTE PropertyBuffer,
                                                         DWORD PropertyBufferSize,
                                                         PDWORD RequiredSize) {
  char value[1024];
  DWORD length = GetEnvironmentVariableA("FAKE_SETUPAPI_HARDWARE_ID", value, sizeof(value));
  if (RequiredSize) *RequiredSize = length;
  if (length == 0 || length >= sizeof(value) || length > PropertyBufferSize)
    return SetLastError(length ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_DATA), FALSE;
  if (PropertyRegDataType) *PropertyRegDataType = REG_MULTI_SZ;
  memcpy(PropertyBuffer, value, length);
  return TRUE;
}

FAKE_STUB(SetupDiGetClassDevsA)
FAKE_STUB(SetupDiDestroyClassImageList)
FAKE_STUB(SetupOpenInfFileA)
FAKE_STUB(SetupCloseInfFile)

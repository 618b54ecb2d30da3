// Recording setupapi.dll without the configuration-manager functions, as
// setupapi.dll was before Windows 2000: see fake_log.h.
#include "fakes/fake_log.h"

#include "fakes/fake_stub.h"

extern "C" BOOL WINAPI SetupCopyOEMInfA(PCSTR SourceInfFileName, PCSTR OEMSourceMediaLocation,
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

FAKE_STUB(SetupDiGetClassDevsA)
FAKE_STUB(SetupDiDestroyClassImageList)
FAKE_STUB(SetupOpenInfFileA)
FAKE_STUB(SetupCloseInfFile)
